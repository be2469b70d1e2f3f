// OBJ: the model text is copied with every material library renamed into NAME_resdir/, and each material
// library is rewritten so that its texture maps name copies in NAME_resdir/ too (stored as JPEG).
#include "ImportSupport.h"

#include "Messages.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QUrl>

namespace quorvane::import {

namespace {

struct MaterialLibrary
{
    QString nameInModel; // as the "mtllib" line writes it, lower case
    QString entryName;   // NAME_resdir/matNNNN.mtl
};

// Copies the library `library` to `target`, pointing each "map_" line at a JPEG copy of its texture in
// NAME_resdir/ (textures that cannot be read are reported and left out). Appends the copies' entry names.
bool rewriteMaterialLibrary(ImportJob& job, const QString& library, const QString& target, const QDir& modelFolder,
                            QStringList* textureEntries, int* textureCounter)
{
    QFile in(library);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly))
        return job.fail(QStringLiteral("cannot open %1").arg(library));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return job.fail(QStringLiteral("cannot write %1").arg(target));
    while (!in.atEnd()) {
        const QByteArray raw = chompLine(in.readLine());
        bool utf8 = true;
        const QString line = decodeLine(raw, &utf8);
        const QString lower = line.trimmed().toLower();
        const int blank = int(lower.indexOf(QRegularExpression(QStringLiteral("\\s"))));
        if (!lower.startsWith(QLatin1String("map_")) || blank < 0) {
            out.write(raw + '\n');
            continue;
        }
        const QString textureName = lower.mid(blank).trimmed();
        bool found = false;
        const QString texture = resolveReference(job.sourceFolder, textureName, &found);
        QString suffix = QFileInfo(fileNamePart(textureName)).suffix();
        suffix.remove(QRegularExpression(QStringLiteral("[^a-z0-9]")));
        const QString entry = QStringLiteral("%1_resdir/tex%2_%3.jpg")
                                  .arg(job.completeBaseName)
                                  .arg((*textureCounter)++, 4, 10, QLatin1Char('0'))
                                  .arg(suffix);
        QString rewritten = line;
        rewritten.replace(textureName, entry, Qt::CaseInsensitive);
        out.write(encodeLine(rewritten, utf8) + '\n');
        textureEntries->append(entry);
        const QImage image = found ? QImage(texture) : QImage();
        if (image.isNull() || !image.save(modelFolder.filePath(entry), "JPG")) {
            QFile::remove(modelFolder.filePath(entry));
            job.warn(tr(messages::kImportMissingTexture).arg(library, texture.isEmpty() ? textureName : texture));
        }
    }
    out.close();
    if (out.error() != QFileDevice::NoError)
        return job.fail(QStringLiteral("cannot write %1").arg(target));
    return true;
}

} // namespace

bool importObj(ImportJob& job, PreparedContent* out)
{
    const QString model = QStringLiteral("%1/%2.obj").arg(job.workFolder, job.completeBaseName);
    if (QFileInfo(job.source).canonicalFilePath() == QFileInfo(model).canonicalFilePath())
        return job.fail(QStringLiteral("the model lies in the working folder"));
    QFile::remove(model);
    QFile in(job.source);
    QFile copy(model);
    if (!in.open(QIODevice::ReadOnly))
        return job.fail(QStringLiteral("cannot open the model"));
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return job.fail(QStringLiteral("cannot write %1").arg(model));
    QList<MaterialLibrary> libraries;
    while (!in.atEnd()) {
        const QByteArray raw = chompLine(in.readLine());
        bool utf8 = true;
        const QString lower = decodeLine(raw, &utf8).trimmed().toLower();
        if (!lower.startsWith(QLatin1String("mtllib"))) {
            copy.write(raw + '\n');
            continue;
        }
        const QString name = lower.mid(6).trimmed();
        bool found = false;
        const QString resolved = resolveReference(job.sourceFolder, QUrl::fromPercentEncoding(name.toUtf8()), &found);
        if (!found)
            job.warn(tr(messages::kImportMissingMaterial).arg(job.source, resolved.isEmpty() ? name : resolved));
        const QString entry = QStringLiteral("%1_resdir/mat%2.mtl")
                                  .arg(job.completeBaseName)
                                  .arg(libraries.size(), 4, 10, QLatin1Char('0'));
        copy.write(encodeLine(QStringLiteral("mtllib %1\n").arg(entry), utf8));
        libraries.append({name, entry});
    }
    copy.close();
    if (copy.error() != QFileDevice::NoError)
        return job.fail(QStringLiteral("cannot write %1").arg(model));
    if (!libraries.isEmpty())
        QDir().mkpath(QStringLiteral("%1/%2_resdir").arg(job.workFolder, job.completeBaseName));

    const QDir modelFolder = QFileInfo(model).absoluteDir();
    QStringList textureEntries;
    int textureCounter = 0;
    for (const MaterialLibrary& library : libraries) {
        bool found = false;
        const QString file =
            resolveReference(job.sourceFolder, QUrl::fromPercentEncoding(library.nameInModel.toUtf8()), &found);
        if (!found)
            return job.fail(QStringLiteral("material library %1 not found").arg(library.nameInModel));
        if (!isMaterialFile(file)) {
            job.warn(tr(messages::kImportMissingMaterial).arg(job.source, file));
            return job.fail(QStringLiteral("%1 is not a material library").arg(file));
        }
        if (!rewriteMaterialLibrary(job, file, modelFolder.filePath(library.entryName), modelFolder, &textureEntries,
                                    &textureCounter))
            return false;
    }
    for (const MaterialLibrary& library : libraries)
        out->sideFiles.append({library.entryName, false});
    for (const QString& entry : textureEntries)
        out->sideFiles.append({entry, false});
    out->kind = ResourceModel;
    out->contentFile = model;
    return job.saveModelThumbnail(model);
}

} // namespace quorvane::import
