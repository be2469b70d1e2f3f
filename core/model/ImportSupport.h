// What the import of every kind of content shares: the job under way, what a kind hands to the common
// end, and the helpers that resolve the file names a model uses as the machine that made it did.
// Internal to the model library.
#pragma once

#include "ImportReporter.h"
#include "ImportServices.h"
#include "Model.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QTemporaryDir>

class QImage;

namespace quorvane::import {

// A side file as collected: its entry name, or a name that must not be read (missing or refused).
struct SideFile
{
    QString entryName;
    bool refused = false;
};

// What a kind of content hands to the common end, which writes the model file.
struct PreparedContent
{
    qint32 kind = SelfContainedModel;
    QString contentFile; // the copy in the work folder that is stored as the content
    QList<SideFile> sideFiles;
};

class ImportJob
{
    // Declared first: the work folder exists before anything else is set up, and goes (with all the copies
    // an import makes) when the job ends.
    QTemporaryDir m_workDir;

public:
    ImportJob(const QString& source, ImportReporter* reporter, ThumbnailRenderer* renderer, ModelConverter* converter,
              QString* error);

    const QString source;           // the content file as the user gave it
    const QFileInfo sourceInfo;     //
    const QDir sourceFolder;        // where the relative names inside a model start
    const QString workFolder;       // a fresh folder inside tempDirectory(): every copy lands here
    const QString completeBaseName; // the file name without its last suffix
    const QString baseName;         // the file name up to its first dot
    ThumbnailRenderer* const renderer;
    ModelConverter* const converter;

    // The picture stored as the thumbnail: NAME.png in the work folder, or NAME_thumbnail.png when the
    // content is itself that PNG picture (the picture is stored, not its reduced copy).
    QString thumbnailFile() const { return m_thumbnailFile; }
    // The content copied into the work folder under its own name.
    QString copyPath() const;

    // Records why the import failed; always false.
    bool fail(const QString& why);
    // Tells the user about something left out; the import carries on.
    void warn(const QString& text);

    // The thumbnail of a model: rendered on green with the green made transparent, else (no graphics here)
    // the built-in picture. False, with the reason, when the renderer finds no model in the file.
    bool saveModelThumbnail(const QString& modelFile);
    // The thumbnail of a picture or a video frame: scaled to fit 256 x 256. False for a null picture.
    bool savePictureThumbnail(const QImage& picture);

private:
    ImportReporter* m_reporter;
    QString* m_error;
    QString m_thumbnailFile;
};

// Texts of the import's messages, in the translation context "Model".
QString tr(const char* text);

// Copies `source` to `target`, replacing it; a file that already lies there is kept.
bool copyReplacing(const QString& source, const QString& target);

// A file name from a model, resolved as on the machine that made it: "\" separates folders, relative
// names start at `folder`, letter case does not matter, and an absolute path of another machine falls
// back to its file name beside the model. Returns the found file (`found` true), else the path as
// resolved (for messages), else empty.
QString resolveReference(const QDir& folder, QString name, bool* found);
bool isDrivePath(const QString& name);

// Only real pictures become textures, and only material libraries are taken as such: a model must not
// smuggle arbitrary files (keys, documents) into a model file that is later shared.
bool isPicture(const QString& path);
bool isMaterialFile(const QString& path);

// Model texts come in UTF-8 or in a legacy 8-bit code page; lines are kept byte for byte unless rewritten.
QString decodeLine(const QByteArray& bytes, bool* utf8);
QByteArray encodeLine(const QString& text, bool utf8);
QByteArray chompLine(QByteArray line);

// The file-name part of a name written in a model (either separator).
QString fileNamePart(QString name);
// An entry "DIR\FILE" whose file part could leave DIR (or is no file name at all) is refused.
bool isSafeEntry(const QString& entry);
// Where the entry lies below `folder` on disk.
QString entryPath(const QString& folder, const QString& entry);

// The kinds with side files, each in its own file.
bool importObj(ImportJob& job, PreparedContent* out);
bool importCollada(ImportJob& job, PreparedContent* out);
bool import3ds(ImportJob& job, PreparedContent* out);

} // namespace quorvane::import
