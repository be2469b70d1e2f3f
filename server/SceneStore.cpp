#include "SceneStore.h"

#include "Archive.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 kMaxInfoBytes = 64 * 1024;

QString newId()
{
    quint32 words[4];
    QRandomGenerator::system()->generate(std::begin(words), std::end(words));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

qint32 littleEndianInt(QByteArrayView data, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(data.at(at + i));
    return qint32(v);
}

QString kindName(SceneKind kind)
{
    return kind == SceneKind::Mobile ? QStringLiteral("mobile") : QStringLiteral("viewer");
}

} // namespace

SceneKind sceneKind(QByteArrayView data, const QString& fileName)
{
    // The whole archive must read: a file that only starts like one is not stored for others to download.
    const QByteArray bytes = data.toByteArray();
    if (data.size() > quorvane::kViewerArchiveMagicSize &&
        std::memcmp(data.data(), quorvane::kViewerArchiveMagic, quorvane::kViewerArchiveMagicSize) == 0) {
        quorvane::ViewerArchiveContents contents;
        const bool whole = quorvane::parseViewerArchive(bytes, true, &contents) == quorvane::ArchiveParseStatus::Ok &&
                           contents.versionOk && contents.complete;
        return whole ? SceneKind::Viewer : SceneKind::NotAScene;
    }
    if (fileName.endsWith(QLatin1String(".qvm2"), Qt::CaseInsensitive) && data.size() >= 8 &&
        littleEndianInt(data, 0) == 1 && littleEndianInt(data, 4) >= 0 && littleEndianInt(data, 4) <= 20) {
        quorvane::MobileArchiveContents contents;
        return quorvane::parseMobileArchive(bytes, &contents) ? SceneKind::Mobile : SceneKind::NotAScene;
    }
    return SceneKind::NotAScene;
}

SceneStore::SceneStore(const QDir& dataDir) : m_dir(dataDir.filePath(QStringLiteral("scenes")))
{
    QDir().mkpath(m_dir.path());
}

bool SceneStore::isUsable() const
{
    return m_dir.exists();
}

bool SceneStore::isValidId(const QString& id)
{
    static const QRegularExpression re(QStringLiteral("^[0-9a-f]{32}$"));
    return re.match(id).hasMatch();
}

QString SceneStore::cleanName(const QString& uploadedName, SceneKind kind)
{
    QString name = uploadedName.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control || c == QChar(0x7f); });
    name = name.trimmed().left(200);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = kind == SceneKind::Mobile ? QStringLiteral("escena.qvm2") : QStringLiteral("escena.qvx2");
    return name;
}

bool SceneStore::add(QByteArrayView data, const QString& uploadedName, SceneKind kind, const QString& user,
                     SharedScene* stored)
{
    SharedScene s;
    do
        s.id = newId();
    while (QFile::exists(m_dir.filePath(s.id + QStringLiteral(".json"))));
    s.name = cleanName(uploadedName, kind);
    s.size = data.size();
    s.uploaded = QDateTime::currentDateTimeUtc();
    s.kind = kind;
    s.user = user;

    const QString scenePath = m_dir.filePath(s.id + QStringLiteral(".scene"));
    QSaveFile file(scenePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(data.data(), data.size()) != data.size() || !file.commit())
        return false;
    const QJsonObject info{{QStringLiteral("name"), s.name},
                           {QStringLiteral("size"), double(s.size)},
                           {QStringLiteral("uploaded"), s.uploaded.toString(Qt::ISODateWithMs)},
                           {QStringLiteral("kind"), kindName(kind)},
                           {QStringLiteral("user"), s.user}};
    // The description is written last: a scene without one is not listed or served.
    QSaveFile infoFile(m_dir.filePath(s.id + QStringLiteral(".json")));
    if (!infoFile.open(QIODevice::WriteOnly) || infoFile.write(QJsonDocument(info).toJson()) < 0 ||
        !infoFile.commit()) {
        QFile::remove(scenePath);
        return false;
    }
    *stored = s;
    return true;
}

bool SceneStore::find(const QString& id, SharedScene* scene) const
{
    if (!isValidId(id))
        return false;
    QFile f(m_dir.filePath(id + QStringLiteral(".json")));
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxInfoBytes)
        return false;
    const QJsonObject info = QJsonDocument::fromJson(f.readAll()).object();
    if (info.isEmpty() || !QFile::exists(m_dir.filePath(id + QStringLiteral(".scene"))))
        return false;
    scene->id = id;
    scene->name = info.value(QStringLiteral("name")).toString();
    scene->size = qint64(info.value(QStringLiteral("size")).toDouble());
    scene->uploaded = QDateTime::fromString(info.value(QStringLiteral("uploaded")).toString(), Qt::ISODateWithMs);
    scene->kind = info.value(QStringLiteral("kind")).toString() == QLatin1String("mobile") ? SceneKind::Mobile
                                                                                           : SceneKind::Viewer;
    scene->user = info.value(QStringLiteral("user")).toString();
    return true;
}

QString SceneStore::filePath(const SharedScene& scene) const
{
    return m_dir.filePath(scene.id + QStringLiteral(".scene"));
}

QList<SharedScene> SceneStore::all() const
{
    QList<SharedScene> scenes;
    const QStringList infos = m_dir.entryList({QStringLiteral("*.json")}, QDir::Files);
    for (const QString& info : infos) {
        SharedScene s;
        if (find(info.chopped(5), &s))
            scenes.append(s);
    }
    std::sort(scenes.begin(), scenes.end(),
              [](const SharedScene& a, const SharedScene& b) { return a.uploaded > b.uploaded; });
    return scenes;
}
