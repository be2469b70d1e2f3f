// Importing one content file into a model file: the kind of content is chosen by the suffix, each kind
// copies the content into the work folder, gathers the side files it names and makes a thumbnail, and
// the common end writes it all into the model file. OBJ, COLLADA and 3DS live in files of their own.
#include "ImportSupport.h"

#include <QFile>
#include <QImage>

#include <cstdio>

namespace quorvane {

void StderrImportReporter::warning(const QString& title, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}

void StderrImportReporter::error(const QString& title, const QString& text)
{
    warning(title, text);
}

namespace import {
namespace {

bool importVideo(ImportJob& job, PreparedContent* out)
{
    const QString copy = job.copyPath();
    if (!copyReplacing(job.source, copy))
        return job.fail(QStringLiteral("cannot copy the video"));
    const QImage frame = job.renderer ? job.renderer->firstVideoFrame(copy) : QImage();
    if (!job.savePictureThumbnail(frame))
        return job.fail(QStringLiteral("cannot read a frame of the video"));
    out->kind = Video;
    out->contentFile = copy;
    return true;
}

bool importPicture(ImportJob& job, PreparedContent* out)
{
    const QString copy = job.copyPath();
    if (!copyReplacing(job.source, copy))
        return job.fail(QStringLiteral("cannot copy the picture"));
    if (!job.savePictureThumbnail(QImage(copy)))
        return job.fail(QStringLiteral("not a readable picture"));
    out->kind = Picture;
    out->contentFile = copy;
    return true;
}

// DXF, STL and SVG are stored as they are.
bool importPlain(ImportJob& job, PreparedContent* out)
{
    const QString copy = job.copyPath();
    if (!copyReplacing(job.source, copy))
        return job.fail(QStringLiteral("cannot copy the model"));
    out->kind = SelfContainedModel;
    out->contentFile = copy;
    return job.saveModelThumbnail(copy);
}

// Every other format is converted into one self-contained FBX.
bool importConverted(ImportJob& job, PreparedContent* out)
{
    const QString fbx = QStringLiteral("%1/%2.fbx").arg(job.workFolder, job.completeBaseName);
    if (!job.converter)
        return job.fail(QStringLiteral("no converter for this format"));
    QString why;
    if (!job.converter->convertToFbx(job.source, fbx, &why))
        return job.fail(why.isEmpty() ? QStringLiteral("not a readable model")
                                      : QStringLiteral("not a readable model (%1)").arg(why));
    out->kind = SelfContainedModel;
    out->contentFile = fbx;
    return job.saveModelThumbnail(fbx);
}

bool prepare(ImportJob& job, PreparedContent* out)
{
    const QString s = job.sourceInfo.suffix().toUpper();
    if (s == QLatin1String("MPG") || s == QLatin1String("AVI") || s == QLatin1String("MP4"))
        return importVideo(job, out);
    if (s == QLatin1String("BMP") || s == QLatin1String("JPG") || s == QLatin1String("JPEG") ||
        s == QLatin1String("PNG"))
        return importPicture(job, out);
    if (s == QLatin1String("3DS"))
        return import3ds(job, out);
    if (s == QLatin1String("OBJ"))
        return importObj(job, out);
    if (s == QLatin1String("DAE"))
        return importCollada(job, out);
    if (s == QLatin1String("DXF") || s == QLatin1String("STL") || s == QLatin1String("SVG"))
        return importPlain(job, out);
    return importConverted(job, out);
}

// The common end: the content, the thumbnail and each side file read back compressed into the model file.
bool writePrepared(ImportJob& job, const PreparedContent& prepared, const QString& destination)
{
    QByteArray thumbnail, content;
    if (!readCompressed(prepared.contentFile, content))
        return job.fail(QStringLiteral("cannot read back %1").arg(prepared.contentFile));
    if (!readCompressed(job.thumbnailFile(), thumbnail))
        return job.fail(QStringLiteral("cannot read back the thumbnail"));
    QList<ModelSideEntry> entries;
    for (const SideFile& side : prepared.sideFiles) {
        ModelSideEntry entry{side.entryName, QByteArray()};
        if (side.refused || !isSafeEntry(side.entryName) ||
            !readCompressed(entryPath(job.workFolder, side.entryName), entry.data))
            entry = ModelSideEntry{QLatin1String(kErrorEntry), QByteArray(kErrorEntry)};
        entries.append(entry);
    }
    if (!writeModelFile(destination, prepared.kind, job.sourceInfo.suffix(), thumbnail, content, entries))
        return job.fail(QStringLiteral("cannot write %1").arg(destination));
    return true;
}

} // namespace
} // namespace import

bool Model_v0_0::importFrom(const QString& destination, const QString& source)
{
    lastError.clear();
    StderrImportReporter fallback;
    import::ImportJob job(source, reporter ? reporter : &fallback, thumbnailRenderer, converter, &lastError);
    if (!job.sourceInfo.isFile())
        return job.fail(QStringLiteral("no such file"));
    if (job.workFolder.isEmpty())
        return job.fail(QStringLiteral("cannot make a work folder in %1").arg(tempDirectory().path()));
    QFile::remove(job.thumbnailFile()); // never store the thumbnail of an earlier import
    import::PreparedContent prepared;
    return import::prepare(job, &prepared) && import::writePrepared(job, prepared, destination);
}

} // namespace quorvane
