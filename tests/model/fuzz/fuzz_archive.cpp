// Fuzz target: export archives (viewer layouts, mobile layout, unscrambling, the viewer's reader).
#include "FuzzSupport.h"

#include "Archive.h"
#include "Model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzzsupport::check(quorvane::scramble(quorvane::unscramble(bytes)) == bytes);

    quorvane::ViewerArchiveContents viewer;
    quorvane::parseViewerArchive(bytes, true, &viewer);
    quorvane::parseViewerArchive(bytes, false, &viewer);
    quorvane::MobileArchiveContents mobile;
    quorvane::parseMobileArchive(bytes, &mobile);

    // The whole reader, files included, for inputs that carry the magic.
    if (bytes.startsWith(QByteArray(quorvane::kViewerArchiveMagic, quorvane::kViewerArchiveMagicSize))) {
        const QTemporaryDir& root = fuzzsupport::scratch();
        const QString path = fuzzsupport::writeInput(QStringLiteral("fuzz.qvx2"), data, size);
        quorvane::OpenedViewerScene opened;
        quorvane::openViewerArchive(path, &opened);
        const QStringList top = QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
        for (const QString& entry : top)
            fuzzsupport::check(entry == QLatin1String("fuzz.qvx2") || entry == QLatin1String("QuorvaneTemp") ||
                               entry == QLatin1String("quorvaneviewerziptemp"));
        quorvane::emptyDirectory(quorvane::tempDirectory());
    }
    return 0;
}
