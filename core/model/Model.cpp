#include "Model.h"

#include "PlatformPaths.h"

#include "ByteReader.h"
#include "Compression.h"
#include "SafePath.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

namespace quorvane {

namespace {

enum class HeaderStatus { Ok, CannotOpen, BadSignature, BadVersion, UnsafeSuffix };

struct Header
{
    qint32 versionMajor = 0;
    qint32 versionMinor = 0;
    qint32 kind = 0;
    QString suffix;
    QByteArray thumbnail;
    QByteArray content;
};

// The stored suffix becomes part of a file name in the target folder: it must not carry a separator,
// a drive or a control character, and NAME.SUFFIX must not be "." or "..".
bool isSafeSuffix(const QString& name, const QString& suffix)
{
    if (suffix.size() > 255)
        return false;
    for (const QChar c : suffix) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20 ||
            c.unicode() == 0x7f)
            return false;
    }
    const QString file = name + QLatin1Char('.') + suffix;
    return file != QLatin1String("..") && file != QLatin1String(".");
}

// The fields before the thumbnail: what decides whether a model file is taken at all.
HeaderStatus readPrefix(ByteReader& in, const QString& name, Header* h)
{
    if (in.u32() != kModelSignature1 || in.u32() != kModelSignature2 || in.u32() != kModelSignature3)
        return HeaderStatus::BadSignature;
    h->versionMajor = in.i32();
    h->versionMinor = in.i32();
    if (!in.ok() || h->versionMajor != 0 || h->versionMinor != 0)
        return HeaderStatus::BadVersion;
    h->kind = in.i32();
    h->suffix = in.string();
    if (!isSafeSuffix(name, h->suffix))
        return HeaderStatus::UnsafeSuffix;
    return HeaderStatus::Ok;
}

HeaderStatus readHeader(ByteReader& in, const QString& name, Header* h)
{
    const HeaderStatus status = readPrefix(in, name, h);
    if (status != HeaderStatus::Ok)
        return status;
    h->thumbnail = in.byteArray();
    h->content = in.byteArray();
    return HeaderStatus::Ok;
}

QString contentPath(const QString& t, const QString& name, const QString& suffix)
{
    return QStringLiteral("%1/%2.%3").arg(t, name, suffix);
}

// Kind 4 keeps its content inside its resource directory. An earlier copy there is kept (the fresh
// top-level copy stays beside it); the content path is the nested one either way.
QString moveIntoResourceDir(const QString& t, const QString& name, const QString& suffix, bool onlyIfPresent)
{
    const QString top = contentPath(t, name, suffix);
    const QString nestedName = QStringLiteral("%1_resdir/%1.%2").arg(name, suffix);
    const QString nested = QStringLiteral("%1/%2").arg(t, nestedName);
    if (!onlyIfPresent || QFileInfo::exists(top)) {
        if (!prepareSafeWrite(t, nestedName).isEmpty())
            QFile::rename(top, nested);
    }
    return nested;
}

bool hasSideFiles(qint32 kind)
{
    return kind == ResourceModel || kind == NestedResourceModel;
}

bool isErrorName(const QString& name)
{
    return name == QLatin1String(kErrorEntry);
}

QString canonicalTarget(const QDir& target)
{
    const QString canonical = target.canonicalPath();
    return canonical.isEmpty() ? target.absolutePath() : canonical;
}

void putLatin1(QDataStream& out, const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    out << qint32(text.size());
    out.writeRawData(bytes.constData(), int(bytes.size()));
}

void putData(QDataStream& out, const QByteArray& data)
{
    out << qint32(data.size());
    out.writeRawData(data.constData(), int(data.size()));
}

} // namespace

Model_v0_0::Model_v0_0()
{
    versionMajor = 0;
    versionMinor = 0;
}

bool Model_v0_0::accepts(const QString& argument)
{
    Q_UNUSED(argument);
    return true;
}

bool Model_v0_0::load(const QString& path)
{
    return loadInto(path, tempDirectory());
}

bool Model_v0_0::loadInto(const QString& path, const QDir& target)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ByteReader in(&file);
    const QString name = QFileInfo(path).completeBaseName();
    Header h;
    h.versionMajor = -1;
    const HeaderStatus status = readHeader(in, name, &h);
    if (h.versionMajor != -1) {
        versionMajor = h.versionMajor;
        versionMinor = h.versionMinor;
    }
    if (status != HeaderStatus::Ok)
        return false;

    const QString t = canonicalTarget(target);
    unwritten.clear();
    // Each part is written only below the target, never through a link found there.
    auto write = [&](const QByteArray& data, const QString& relative) {
        const QString where = prepareSafeWrite(t, relative);
        if (where.isEmpty() || !writeUncompressed(data, where))
            unwritten.append(relative);
    };
    const QString contentName = name + QLatin1Char('.') + h.suffix;
    QString content = contentPath(t, name, h.suffix);
    // A PNG picture unpacks to the name of its thumbnail; the thumbnail steps aside so that it does not
    // replace the picture.
    QString thumbnailName = name + QStringLiteral(".png");
    if (thumbnailName == contentName)
        thumbnailName = name + QStringLiteral("_thumbnail.png");
    const QString thumbnail = QStringLiteral("%1/%2").arg(t, thumbnailName);
    write(h.content, contentName);
    write(h.thumbnail, thumbnailName);

    if (h.kind == NestedResourceModel)
        content = moveIntoResourceDir(t, name, h.suffix, false);
    if (hasSideFiles(h.kind)) {
        const quint32 count = in.u32();
        for (quint32 i = 0; i < count && in.ok(); ++i) {
            QString entry = in.string();
            const QByteArray data = in.byteArray();
            if (!in.ok()) {
                unwritten.append(QStringLiteral("side entries from %1 on (the file ends)").arg(i));
                break;
            }
            entry.replace(QLatin1Char('\\'), QLatin1Char('/'));
            if (isErrorName(entry))
                continue;
            if (!isSafeRelativePath(entry)) {
                unwritten.append(entry);
                continue;
            }
            write(data, entry);
        }
    }

    loaded = true;
    modelFile = path;
    mainFile = content;
    thumbnailFile = thumbnail;
    return true;
}

QByteArray Model_v0_0::pack(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    ByteReader in(&file);
    const QString name = QFileInfo(path).completeBaseName();
    Header h;
    if (readHeader(in, name, &h) != HeaderStatus::Ok)
        return QByteArray();

    const QString t = canonicalTarget(tempDirectory());
    QByteArray packed;
    QBuffer buffer(&packed);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    out.setByteOrder(QDataStream::LittleEndian);
    out << qint32(0); // entry count, patched below
    qint32 entries = 1;

    QByteArray data;
    uncompressField(h.content, &data);
    putLatin1(out, contentPath(t, name, h.suffix));
    putData(out, data);

    if (h.kind == NestedResourceModel)
        moveIntoResourceDir(t, name, h.suffix, true);
    // Kinds 1, 2 and 3 carry no entries, whatever count a forged file declares.
    const quint32 count = hasSideFiles(h.kind) ? in.u32() : 0;
    for (quint32 i = 0; i < count && in.ok(); ++i) {
        QString entry = in.string();
        const QByteArray stored = in.byteArray();
        if (!in.ok())
            break;
        const QString slashed = QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!isErrorName(entry) && !isSafeRelativePath(slashed))
            entry = QLatin1String(kErrorEntry);
        if (h.kind == NestedResourceModel && !isErrorName(entry))
            entry = QStringLiteral("%1/%2").arg(t, slashed);
        if (isErrorName(entry) || !uncompressField(stored, &data))
            data.clear();
        putLatin1(out, entry);
        putData(out, data);
        ++entries;
        if (packed.size() > kMaxArchiveBytes)
            return QByteArray();
    }
    qToLittleEndian<qint32>(entries, packed.data());
    return packed;
}

QByteArray packModelFile(const QString& path)
{
    Model_v0_0 record;
    return record.pack(path);
}

QDir tempDirectory()
{
    const QDir dir = localDataDirectory(QStringLiteral("QuorvaneTemp"));
    const QString canonical = dir.canonicalPath();
    return canonical.isEmpty() ? dir : QDir(canonical);
}

bool readCompressed(const QString& path, QByteArray& out)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes)
        return false;
    const QByteArray data = file.readAll();
    if (data.size() != file.size())
        return false;
    out = compressField(data);
    return true;
}

bool writeUncompressed(const QByteArray& data, const QString& path)
{
    QByteArray plain;
    if (!uncompressField(data, &plain))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(plain) != plain.size())
        return false;
    return file.commit();
}

ModelSideEntry sideEntryFromFile(const QDir& folder, const QString& name)
{
    ModelSideEntry entry{name, QByteArray()};
    if (!readCompressed(QStringLiteral("%1/%2").arg(folder.path(), name), entry.data)) {
        entry.name = QLatin1String(kErrorEntry);
        entry.data = QByteArray(kErrorEntry);
    }
    return entry;
}

bool writeModelFile(const QString& destination, qint32 kind, const QString& suffix, const QByteArray& thumbnail,
                    const QByteArray& content, const QList<ModelSideEntry>& sideEntries)
{
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out << kModelSignature1 << kModelSignature2 << kModelSignature3;
    out << qint32(0) << qint32(0);
    out.setVersion(12);
    out << kind << suffix << thumbnail << content;
    if (hasSideFiles(kind)) {
        out << quint32(sideEntries.size());
        for (const ModelSideEntry& e : sideEntries)
            out << e.name << e.data;
    } else if (kind == Picture || kind == Video) {
        out << quint32(0);
    }
    return out.status() == QDataStream::Ok && file.commit();
}

bool readModelThumbnail(const QString& path, QByteArray* png)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ByteReader in(&file);
    Header h;
    if (readPrefix(in, QFileInfo(path).completeBaseName(), &h) != HeaderStatus::Ok)
        return false;
    QByteArray picture;
    if (!uncompressField(in.byteArray(), &picture))
        picture.clear();
    *png = picture;
    return true;
}

ModelFileInfo inspectModelFile(const QString& path)
{
    ModelFileInfo info;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return info;
    ByteReader in(&file);
    Header h;
    h.versionMajor = -1;
    switch (readHeader(in, QFileInfo(path).completeBaseName(), &h)) {
    case HeaderStatus::Ok:
        info.status = ModelFileInfo::Status::Ok;
        break;
    case HeaderStatus::CannotOpen:
        info.status = ModelFileInfo::Status::CannotOpen;
        break;
    case HeaderStatus::BadSignature:
        info.status = ModelFileInfo::Status::BadSignature;
        break;
    case HeaderStatus::BadVersion:
        info.status = ModelFileInfo::Status::BadVersion;
        break;
    case HeaderStatus::UnsafeSuffix:
        info.status = ModelFileInfo::Status::UnsafeSuffix;
        break;
    }
    info.versionMajor = h.versionMajor;
    info.versionMinor = h.versionMinor;
    info.kind = h.kind;
    info.suffix = h.suffix;
    if (info.status != ModelFileInfo::Status::Ok)
        return info;
    info.thumbnailStored = h.thumbnail.size();
    info.thumbnailDeclared = declaredUncompressedSize(h.thumbnail);
    info.contentStored = h.content.size();
    info.contentDeclared = declaredUncompressedSize(h.content);
    if (h.kind == ResourceModel || h.kind == NestedResourceModel || h.kind == Picture || h.kind == Video) {
        info.sideCount = in.u32();
        info.hasSideCount = in.ok();
    }
    const quint32 count = hasSideFiles(h.kind) ? info.sideCount : 0;
    for (quint32 i = 0; i < count && in.ok(); ++i) {
        ModelFileInfo::Entry e;
        e.name = in.string();
        const QByteArray data = in.byteArray();
        if (!in.ok())
            break;
        e.storedBytes = data.size();
        e.isError = isErrorName(e.name);
        e.declaredBytes = e.isError ? -1 : declaredUncompressedSize(data);
        e.isUnsafe = !e.isError && !isSafeRelativePath(QString(e.name).replace(QLatin1Char('\\'), QLatin1Char('/')));
        info.entries.append(e);
    }
    info.truncated = !in.ok();
    return info;
}

} // namespace quorvane
