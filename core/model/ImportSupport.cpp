#include "ImportSupport.h"

#include "Messages.h"
#include "Resources.h"
#include "SafePath.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>

namespace quorvane::import {

namespace {

constexpr int kThumbnailSize = 256;
constexpr char kFallbackThumbnail[] = ":/Quorvane/Quorvane.png";

// The existing file at `path`, matching each name letter-case-insensitively where no exact one exists
// (names written on a system that ignores case). Empty when there is none.
QString findIgnoringCase(const QString& path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(clean).isFile())
        return clean;
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = QStringLiteral("/");
    for (int i = 0; i < parts.size(); ++i) {
        QString next = QDir(current).filePath(parts[i]);
        if (!QFileInfo::exists(next)) {
            const QStringList names =
                QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            next.clear();
            for (const QString& n : names) {
                if (n.compare(parts[i], Qt::CaseInsensitive) == 0) {
                    next = QDir(current).filePath(n);
                    break;
                }
            }
            if (next.isEmpty())
                return QString();
        }
        current = next;
    }
    return QFileInfo(current).isFile() ? current : QString();
}

// Makes the pure green of a rendered thumbnail transparent.
QImage keyOutGreen(QImage image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qRed(row[x]) == 0 && qGreen(row[x]) == 255 && qBlue(row[x]) == 0)
                row[x] = qRgba(0, 0, 0, 0);
        }
    }
    return image;
}

} // namespace

ImportJob::ImportJob(const QString& sourceFile, ImportReporter* reporter, ThumbnailRenderer* thumbnailRenderer,
                     ModelConverter* modelConverter, QString* error)
    : m_workDir(tempDirectory().filePath(QStringLiteral("import-XXXXXX"))),
      source(sourceFile),
      sourceInfo(sourceFile),
      sourceFolder(sourceInfo.absoluteDir()),
      workFolder(m_workDir.path()),
      completeBaseName(sourceInfo.completeBaseName()),
      baseName(sourceInfo.baseName()),
      renderer(thumbnailRenderer),
      converter(modelConverter),
      m_reporter(reporter),
      m_error(error)
{
    m_thumbnailFile = QStringLiteral("%1/%2.png").arg(workFolder, completeBaseName);
    if (m_thumbnailFile == copyPath())
        m_thumbnailFile = QStringLiteral("%1/%2_thumbnail.png").arg(workFolder, completeBaseName);
}

QString ImportJob::copyPath() const
{
    return QStringLiteral("%1/%2").arg(workFolder, sourceInfo.fileName());
}

bool ImportJob::fail(const QString& why)
{
    if (m_error)
        *m_error = why;
    return false;
}

void ImportJob::warn(const QString& text)
{
    m_reporter->warning(tr(messages::kErrorTitle), text);
}

bool ImportJob::saveModelThumbnail(const QString& modelFile)
{
    const QString rendered = QStringLiteral("%1/%2.bmp").arg(workFolder, completeBaseName);
    const ThumbnailRenderer::Result result =
        renderer ? renderer->renderModel(modelFile, rendered) : ThumbnailRenderer::Result::NoGraphics;
    // SVG drawings have no model reader here: they keep the built-in picture, as they always did.
    const bool drawing = sourceInfo.suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
    if (result == ThumbnailRenderer::Result::UnreadableModel && !drawing)
        return fail(QStringLiteral("not a readable model"));
    if (result == ThumbnailRenderer::Result::Written) {
        const QImage image(rendered);
        QFile::remove(rendered);
        if (!image.isNull() && keyOutGreen(image).save(m_thumbnailFile, "PNG"))
            return true;
    }
    initResources();
    return QImage(QString::fromLatin1(kFallbackThumbnail)).save(m_thumbnailFile, "PNG") ||
           fail(QStringLiteral("cannot write the thumbnail"));
}

bool ImportJob::savePictureThumbnail(const QImage& picture)
{
    if (picture.isNull())
        return false;
    return picture.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .save(m_thumbnailFile, "PNG");
}

QString tr(const char* text)
{
    return QCoreApplication::translate("Model", text);
}

bool copyReplacing(const QString& source, const QString& target)
{
    const QString a = QFileInfo(source).canonicalFilePath();
    if (!a.isEmpty() && a == QFileInfo(target).canonicalFilePath())
        return true;
    QFile::remove(target);
    return QFile::copy(source, target);
}

bool isDrivePath(const QString& name)
{
    return name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).isLetter();
}

QString resolveReference(const QDir& folder, QString name, bool* found)
{
    *found = false;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty())
        return QString();
    const bool foreign = isDrivePath(name) || QDir::isAbsolutePath(name);
    const QString path = QDir::cleanPath(foreign ? name : folder.absoluteFilePath(name));
    QString hit = isDrivePath(name) ? QString() : findIgnoringCase(path);
    if (hit.isEmpty() && foreign)
        hit = findIgnoringCase(folder.absoluteFilePath(name.mid(name.lastIndexOf(QLatin1Char('/')) + 1)));
    if (!hit.isEmpty()) {
        *found = true;
        return hit;
    }
    return path;
}

bool isPicture(const QString& path)
{
    QImageReader reader(path);
    return reader.canRead() && !reader.read().isNull();
}

bool isMaterialFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes)
        return false;
    const QByteArray data = file.readAll();
    for (const char c : data) {
        const uchar u = uchar(c);
        if (u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            return false;
    }
    // An empty library names nothing and is harmless.
    static const QRegularExpression newmtl(QStringLiteral("^\\s*newmtl\\b"),
                                           QRegularExpression::MultilineOption |
                                               QRegularExpression::CaseInsensitiveOption);
    return data.trimmed().isEmpty() || newmtl.match(QString::fromLatin1(data)).hasMatch();
}

QString decodeLine(const QByteArray& bytes, bool* utf8)
{
    QString text = QString::fromUtf8(bytes);
    *utf8 = !text.contains(QChar::ReplacementCharacter);
    return *utf8 ? text : QString::fromLatin1(bytes);
}

QByteArray encodeLine(const QString& text, bool utf8)
{
    return utf8 ? text.toUtf8() : text.toLatin1();
}

QByteArray chompLine(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

QString fileNamePart(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isSafeEntry(const QString& entry)
{
    const QString slashed = QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/'));
    return isSafeRelativePath(slashed) && !slashed.endsWith(QLatin1Char('/'));
}

QString entryPath(const QString& folder, const QString& entry)
{
    return QStringLiteral("%1/%2").arg(folder, QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/')));
}

} // namespace quorvane::import
