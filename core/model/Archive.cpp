#include "Archive.h"

#include "PlatformPaths.h"

#include "ByteReader.h"
#include "Model.h"
#include "Resources.h"
#include "SafePath.h"
#include "SceneStream.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <QtEndian>

#include <cstring>

namespace quorvane {

QByteArray blockSwap(const QByteArray& data, int k)
{
    const qsizetype n = data.size();
    QByteArray out(n, Qt::Uninitialized);
    const char* src = data.constData();
    char* dst = out.data();
    qsizetype p = 0;
    if (k > 0) {
        while (p + 2 * qsizetype(k) < n) {
            std::memcpy(dst + p, src + p + k, size_t(k));
            std::memcpy(dst + p + k, src + p, size_t(k));
            p += 2 * qsizetype(k);
        }
    }
    std::memcpy(dst + p, src + p, size_t(n - p));
    return out;
}

namespace {

std::array<int, 5> swapSizes(qsizetype n)
{
    return {17, 2, int(n % 255) + 10, 13, 37};
}

} // namespace

QByteArray scramble(const QByteArray& data)
{
    if (data.isEmpty())
        return data;
    QByteArray out = data;
    for (int k : swapSizes(data.size()))
        out = blockSwap(out, k);
    return out;
}

QByteArray unscramble(const QByteArray& data)
{
    if (data.isEmpty())
        return data;
    const std::array<int, 5> sizes = swapSizes(data.size());
    QByteArray out = data;
    for (auto it = sizes.rbegin(); it != sizes.rend(); ++it)
        out = blockSwap(out, *it);
    return out;
}

QString viewerModelName(int marker, const QString& modelFile)
{
    return QStringLiteral("/model%1.%2").arg(marker, 5, 10, QLatin1Char('0')).arg(QFileInfo(modelFile).suffix());
}

bool emptyDirectory(const QDir& dir)
{
    if (!dir.exists())
        return false;
    bool ok = true;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QFileInfo& e : entries) {
        // A link is removed, never followed.
        if (e.isDir() && !e.isSymLink())
            ok = QDir(e.absoluteFilePath()).removeRecursively() && ok;
        else
            ok = QFile::remove(e.absoluteFilePath()) && ok;
    }
    return ok;
}

namespace {

bool hasModel(const MarkerRecord& r)
{
    return !r.modelFile.isEmpty() && QFileInfo(r.modelFile).isFile();
}

bool readWhole(const QString& path, QByteArray* out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes)
        return false;
    *out = file.readAll();
    return out->size() == file.size();
}

void putFloats(QDataStream& out, const MarkerRecord& r)
{
    for (float v : r.rotation)
        out << v;
    for (float v : r.translation)
        out << v;
    out << r.scale;
}

} // namespace

// What both scene-data builders do first: nothing is handed out until the data is whole, and the
// temporary folder is emptied when asked (the packs of the mobile archive are written there).
void startSceneData(QByteArray* out, TempCleanup cleanup)
{
    out->clear();
    if (cleanup == TempCleanup::Empty)
        emptyDirectory(tempDirectory());
}

bool buildViewerSceneData(const Scene& scene, QByteArray* out, TempCleanup cleanup)
{
    startSceneData(out, cleanup);
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    detail::prepareStream(stream);
    stream << qint32(1);
    for (int i = 0; i < kMarkerCount; ++i) {
        const MarkerRecord& r = scene.markers[size_t(i)];
        QString name;
        QByteArray model;
        if (hasModel(r)) {
            name = viewerModelName(i, r.modelFile);
            if (!readWhole(r.modelFile, &model))
                return false;
        }
        stream << name;
        detail::writeTransform(stream, r);
        stream << model;
        detail::writeLabels(stream, r.labels);
        if (data.size() > kMaxArchiveBytes)
            return false;
    }
    *out = data;
    return true;
}

bool buildMobileSceneData(const Scene& scene, QByteArray* out, TempCleanup cleanup)
{
    startSceneData(out, cleanup);
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    stream << qint32(1) << qint32(0); // version, record count (patched below)
    qint32 records = 0;
    for (int i = 0; i < kMarkerCount; ++i) {
        const MarkerRecord& r = scene.markers[size_t(i)];
        if (!hasModel(r))
            continue;
        const QByteArray pack = packModelFile(r.modelFile);
        // Without its pack the record would not delimit itself: the whole archive would be unreadable.
        if (pack.isNull())
            return false;
        stream << qint32(i);
        putFloats(stream, r);
        stream.writeRawData(pack.constData(), int(pack.size()));
        stream << qint32(r.labels.size());
        for (const Label& l : r.labels) {
            const QByteArray text = l.text.toLatin1();
            stream << qint32(text.size());
            stream.writeRawData(text.constData(), int(text.size()));
            for (float v : l.fontColor)
                stream << v;
            for (float v : l.backgroundColor)
                stream << v;
            for (float v : l.anchor)
                stream << v;
            stream << l.distance << l.angle << l.characterSize;
        }
        ++records;
        if (data.size() > kMaxArchiveBytes)
            return false;
    }
    qToLittleEndian<qint32>(records, data.data() + 4);
    *out = data;
    return true;
}

QByteArray buildLogoPng(const LogoChoice& choice)
{
    initResources();
    QImage logo;
    if (choice.custom) {
        const QString file = QFileInfo::exists(choice.file) ? choice.file : QStringLiteral(":/Quorvane/logotex.png");
        logo = QImage(256, 256, QImage::Format_ARGB32_Premultiplied);
        logo.fill(Qt::transparent);
        const QImage picture(file);
        if (!picture.isNull()) {
            const QImage scaled = picture.scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            // Drawing over full transparency is a copy of the premultiplied pixels.
            const int top = int((256 - scaled.height()) * 0.5);
            const qsizetype rowBytes = qsizetype(scaled.width()) * 4;
            for (int y = 0; y < scaled.height(); ++y)
                std::memcpy(logo.scanLine(top + y), scaled.constScanLine(y), size_t(rowBytes));
        }
    } else {
        logo = QImage(QStringLiteral(":/Quorvane/256Transparent.png"));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    logo.save(&buffer, "PNG");
    return png;
}

QString logoFileProblem(const QString& path)
{
    constexpr int kMaxLogoSide = 16384;
    if (!QFileInfo(path).isFile())
        return QStringLiteral("no such file");
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid())
        return QStringLiteral("not a readable picture");
    if (size.width() > kMaxLogoSide || size.height() > kMaxLogoSide)
        return QStringLiteral("too large a picture (%1 x %2 pixels)").arg(size.width()).arg(size.height());
    if (reader.read().isNull())
        return QStringLiteral("not a readable picture");
    return QString();
}

namespace {

bool writeWhole(const QString& path, const QList<QByteArray>& parts)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray& part : parts) {
        if (file.write(part) != part.size())
            return false;
    }
    return file.commit();
}

} // namespace

bool writeViewerArchive(const QString& path, const QByteArray& sceneData, const QByteArray& logoPng)
{
    const QByteArray magic(kViewerArchiveMagic, kViewerArchiveMagicSize);
    return writeWhole(path, {magic, scramble(sceneData + logoPng)});
}

bool writeMobileArchive(const QString& path, const QByteArray& sceneData, const QByteArray& logoPng)
{
    return writeWhole(path, {sceneData, logoPng});
}

QStringList modelsUnsuitableForMobile(const Scene& scene, const std::array<QString, kMarkerCount>& mainFiles)
{
    QStringList refused;
    for (int i = 0; i < kMarkerCount; ++i) {
        const QString& main = mainFiles[size_t(i)];
        if (!main.isEmpty() && QFileInfo::exists(main) &&
            QFileInfo(main).suffix().compare(QLatin1String("obj"), Qt::CaseInsensitive) != 0)
            refused.append(scene.markers[size_t(i)].modelFile);
    }
    return refused;
}

QString mobileRefusalMessage(const QString& intro, const QStringList& modelFiles)
{
    QString text = intro;
    for (const QString& f : modelFiles)
        text += QStringLiteral("\n %1").arg(f);
    return text;
}

ArchiveParseStatus parseViewerArchive(const QByteArray& file, bool format2, ViewerArchiveContents* out)
{
    *out = ViewerArchiveContents();
    if (file.size() > kMaxArchiveBytes)
        return ArchiveParseStatus::Unreadable;
    const bool magic = file.startsWith(QByteArray::fromRawData(kViewerArchiveMagic, kViewerArchiveMagicSize));
    QByteArray payload;
    if (magic) {
        payload = unscramble(file.mid(kViewerArchiveMagicSize));
        if (payload.isEmpty())
            return ArchiveParseStatus::Unreadable;
        out->layout = format2 ? ArchiveLayout::ViewerFormat2 : ArchiveLayout::ViewerFormat1;
    } else {
        payload = file;
        out->layout = ArchiveLayout::PlainRecords;
    }
    QBuffer buffer(&payload);
    buffer.open(QIODevice::ReadOnly);
    ByteReader in(&buffer);
    const bool labels = out->layout == ArchiveLayout::ViewerFormat2;
    if (labels && in.i32() != 1) {
        out->versionOk = false;
        return ArchiveParseStatus::Ok;
    }
    for (int i = 0; i < kMarkerCount; ++i) {
        MarkerRecord& r = out->scene.markers[size_t(i)];
        r.modelFile = in.string();
        detail::readTransform(in, &r);
        out->models[size_t(i)] = in.byteArray();
        if (labels)
            r.labels = detail::readLabels(in);
    }
    out->complete = in.ok();
    if (magic && in.ok()) {
        out->hasLogo = true;
        out->logoPng = in.rest();
    }
    return ArchiveParseStatus::Ok;
}

namespace {

QDir dataDirectory(const QString& name)
{
    return localDataDirectory(name);
}

bool writeFileAt(const QString& path, const QByteArray& data)
{
    return writeWhole(path, {data});
}

} // namespace

QDir viewerTempDirectory()
{
    return dataDirectory(QStringLiteral("quorvaneviewerziptemp"));
}

QList<int> markersWithModels(const ViewerArchiveContents& contents)
{
    QList<int> markers;
    for (int i = 0; i < kMarkerCount; ++i) {
        if (!contents.models[size_t(i)].isEmpty())
            markers.append(i);
    }
    return markers;
}

ViewerOpenStatus openViewerArchive(const QString& path, OpenedViewerScene* out)
{
    *out = OpenedViewerScene();
    const QString suffix = QFileInfo(path).suffix();
    const bool format2 = suffix == QLatin1String("qvx2");
    if (!format2 && suffix != QLatin1String("qvx"))
        return ViewerOpenStatus::Ignored;
    return openViewerArchive(path, format2, out);
}

ViewerOpenStatus openViewerArchive(const QString& path, bool format2, OpenedViewerScene* out)
{
    *out = OpenedViewerScene();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ViewerOpenStatus::CannotOpen;
    if (file.size() > kMaxArchiveBytes)
        return ViewerOpenStatus::ProcessingError;
    const QDir temp = viewerTempDirectory();
    emptyDirectory(temp);
    const QByteArray bytes = file.readAll();
    ViewerArchiveContents contents;
    if (parseViewerArchive(bytes, format2, &contents) != ArchiveParseStatus::Ok)
        return ViewerOpenStatus::ProcessingError;

    out->layout = contents.layout;
    out->versionOk = contents.versionOk;
    out->complete = contents.complete;
    out->modelMarkers = markersWithModels(contents);
    out->hasLogo = contents.hasLogo;
    out->logoPng = contents.logoPng;
    const QString tempPath = temp.absolutePath();
    for (int i = 0; i < kMarkerCount; ++i) {
        MarkerRecord r = contents.scene.markers[size_t(i)];
        const QString name = r.modelFile;
        r.modelFile.clear();
        const QByteArray& model = contents.models[size_t(i)];
        // The record name is appended to the folder: only "/" and a plain relative path may stay inside.
        if (!model.isEmpty() && name.startsWith(QLatin1Char('/')) && isSafeRelativePath(name.mid(1))) {
            const QString target = prepareSafeWrite(tempPath, name.mid(1));
            if (!target.isEmpty() && writeFileAt(target, model) && QFileInfo::exists(target)) {
                r.modelFile = target;
                Model_v0_0 record;
                if (record.loadInto(target, temp)) {
                    out->contentFiles[size_t(i)] = record.mainFile;
                    out->thumbnailFiles[size_t(i)] = record.thumbnailFile;
                }
            }
        }
        out->scene.markers[size_t(i)] = r;
    }
    return ViewerOpenStatus::Opened;
}

namespace {

QList<MobilePackEntry> readPack(ByteReader& in)
{
    QList<MobilePackEntry> entries;
    const qint32 count = in.i32();
    for (qint32 i = 0; i < count && in.ok(); ++i) {
        MobilePackEntry e;
        const qint32 nameLength = in.i32();
        e.name = QString::fromLatin1(in.raw(nameLength));
        const qint32 dataLength = in.i32();
        if (dataLength > kMaxEntryBytes)
            in.fail();
        e.data = in.raw(dataLength);
        if (in.ok())
            entries.append(e);
    }
    return entries;
}

} // namespace

bool parseModelPack(const QByteArray& pack, QList<MobilePackEntry>* entries)
{
    QByteArray copy = pack;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ByteReader in(&buffer, ByteReader::Order::LittleEndian);
    *entries = readPack(in);
    return in.ok();
}

bool parseMobileArchive(const QByteArray& file, MobileArchiveContents* out)
{
    *out = MobileArchiveContents();
    if (file.size() > kMaxArchiveBytes)
        return false;
    QByteArray copy = file;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ByteReader in(&buffer, ByteReader::Order::LittleEndian);
    out->version = in.i32();
    out->declaredCount = in.i32();
    for (qint32 i = 0; i < out->declaredCount && in.ok(); ++i) {
        MobileMarker m;
        m.index = in.i32();
        for (float& v : m.record.rotation)
            v = in.float32();
        for (float& v : m.record.translation)
            v = in.float32();
        m.record.scale = in.float32();
        m.pack = readPack(in);
        const qint32 labels = in.i32();
        for (qint32 j = 0; j < labels && in.ok(); ++j) {
            Label l;
            l.text = QString::fromLatin1(in.raw(in.i32()));
            for (float& v : l.fontColor)
                v = in.float32();
            for (float& v : l.backgroundColor)
                v = in.float32();
            for (float& v : l.anchor)
                v = in.float32();
            l.distance = in.float32();
            l.angle = in.float32();
            l.characterSize = in.float32();
            if (in.ok())
                m.record.labels.append(l);
        }
        if (in.ok())
            out->markers.append(m);
    }
    out->complete = in.ok();
    if (in.ok())
        out->logoPng = in.rest();
    return out->complete;
}

} // namespace quorvane
