// Fuzz target: model files (unpacking, packing, inspecting).
#include "FuzzSupport.h"

#include "Archive.h"
#include "Model.h"

#include <QDirIterator>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QTemporaryDir& root = fuzzsupport::scratch();
    const QString path = fuzzsupport::writeInput(QStringLiteral("fuzz.qmd"), data, size);
    const QString target = root.filePath(QStringLiteral("target"));
    QDir().mkpath(target);

    quorvane::Model_v0_0 model;
    const bool loaded = model.loadInto(path, QDir(target));
    const QByteArray pack = quorvane::packModelFile(path);
    const quorvane::ModelFileInfo info = quorvane::inspectModelFile(path);
    fuzzsupport::check(loaded == !pack.isNull());
    fuzzsupport::check(loaded == (info.status == quorvane::ModelFileInfo::Status::Ok));
    if (!pack.isNull()) {
        QList<quorvane::MobilePackEntry> entries;
        fuzzsupport::check(quorvane::parseModelPack(pack, &entries));
    }

    // Nothing may appear beside the input, the target and the temporary folder.
    const QStringList top = QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    for (const QString& entry : top)
        fuzzsupport::check(entry == QLatin1String("fuzz.qmd") || entry == QLatin1String("target") ||
                           entry == QLatin1String("QuorvaneTemp"));
    quorvane::emptyDirectory(QDir(target));
    quorvane::emptyDirectory(quorvane::tempDirectory());
    return 0;
}
