// The shared scenes in the server's data folder: "scenes/ID.scene" holds the uploaded archive as it
// came, "scenes/ID.json" its name, size, date, kind and uploader. ID is 32 random hexadecimal
// digits, so a scene's address cannot be guessed; nothing from the request ever becomes part of a
// path.
#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QDir>
#include <QList>
#include <QString>

// Exported scenes this server takes: viewer archives (the 31-character magic first) and mobile
// archives (version 1 and at most 20 records, little-endian, in a file named ".qvm2").
enum class SceneKind { NotAScene, Viewer, Mobile };
SceneKind sceneKind(QByteArrayView data, const QString& fileName);

struct SharedScene
{
    QString id;
    QString name; // the uploaded file's own name, cleaned: no folders, no control characters
    qint64 size = 0;
    QDateTime uploaded;
    SceneKind kind = SceneKind::Viewer;
    QString user;
};

class SceneStore
{
public:
    explicit SceneStore(const QDir& dataDir);

    // Whether the scenes folder exists or could be made.
    bool isUsable() const;

    // Stores a new scene; false when it cannot be written (nothing is left behind then).
    bool add(QByteArrayView data, const QString& uploadedName, SceneKind kind, const QString& user,
             SharedScene* stored);

    // The scene with this id; false for an id that is not 32 hexadecimal digits or not stored.
    bool find(const QString& id, SharedScene* scene) const;
    QString filePath(const SharedScene& scene) const;

    // Every stored scene, newest first.
    QList<SharedScene> all() const;

    // The name to show and offer for download: the last component of what the client sent (either
    // slash), without control characters, at most 200 characters; "escena" plus the kind's suffix
    // when nothing is left.
    static QString cleanName(const QString& uploadedName, SceneKind kind);
    static bool isValidId(const QString& id);

private:
    QDir m_dir;
};
