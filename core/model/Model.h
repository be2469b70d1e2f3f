// The model record and the model file (".qmd"): one imported piece of content (a 3D model, a picture
// or a video) with its thumbnail and, for 3D models, the material and texture files it references,
// each stored compressed.
//
// Model file layout (a Qt data stream, big-endian; strings are a byte count then UTF-16 code units,
// 0xFFFFFFFF for null; byte arrays a length then the bytes):
//   uint32 kModelSignature1, kModelSignature2, kModelSignature3
//   int32 versionMajor (0), int32 versionMinor (0)       -- the stream switches to version 12 here
//   int32 kind (ModelKind), string suffix, bytes thumbnail, bytes content
//   kinds 0 and 4: uint32 side count, then count x (string name, bytes data)
//   kinds 2 and 3: uint32 0;  kind 1: nothing more
// Thumbnail, content and side data are compressed fields (Compression.h). A side file that could not
// be read at import is stored as the name "Error" with the five bytes "Error", and readers skip it.
#pragma once

#include "ImportReporter.h"
#include "ImportServices.h"
#include "Limits.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

namespace quorvane {

enum ModelKind : qint32 {
    ResourceModel = 0,      // OBJ or COLLADA with side files, unpacked at the top of the folder
    SelfContainedModel = 1, // FBX, DXF, STL, SVG
    Picture = 2,
    Video = 3,
    NestedResourceModel = 4, // 3DS: the content file lives inside its resource directory
};

// Four ASCII letters each, written and compared one by one: "QVRN", "MODL", "FILE".
inline constexpr quint32 kModelSignature1 = 0x5156524Eu;
inline constexpr quint32 kModelSignature2 = 0x4D4F444Cu;
inline constexpr quint32 kModelSignature3 = 0x46494C45u;

// The name and data of a side-file entry that stands for a file the importer could not read.
inline constexpr char kErrorEntry[] = "Error";

class Model
{
public:
    Model() = default;
    virtual ~Model() = default;

    // Builds the model file `destination` from the content file `source`.
    virtual bool importFrom(const QString& destination, const QString& source) = 0;
    // Unpacks the model file `path` into the temporary directory.
    virtual bool load(const QString& path) = 0;
    virtual bool accepts(const QString& argument) = 0;

    qint32 versionMajor = -1;
    qint32 versionMinor = -1;
};

class Model_v0_0 : public Model
{
public:
    Model_v0_0();

    // Imports the content file `source` (picture, video, OBJ, COLLADA, 3DS, DXF/STL/SVG, or any model
    // assimp reads, converted to one binary FBX) into the model file `destination`, working in
    // tempDirectory(). Missing or refused side files are reported to `reporter` (standard error when
    // null) and stored as "Error" entries; false, with the reason in `lastError`, when no model file
    // could be written. Only pictures are taken as textures and only material files as material
    // libraries, and every copy lands inside the resource directory. Thumbnails of models and videos come
    // from `thumbnailRenderer` and the conversion from `converter` (ImportServices.h).
    bool importFrom(const QString& destination, const QString& source) override;

    // Unpacks into tempDirectory(). For a model file NAME.qmd: the content goes to NAME.SUFFIX (kind 4:
    // moved into NAME_resdir/, never over an existing file there), the thumbnail to NAME.png (NAME_thumbnail.png
    // when the content itself is NAME.png), side files
    // to their entry names ("\" read as "/"). False, with nothing written, when the file cannot be opened,
    // its signature or version differs, or its stored suffix would name a path outside the folder.
    // Truncated data, failed writes and unknown kinds still load (the missing parts are left out and
    // listed in `unwritten`). Side-file names that are not plain relative paths are skipped. Nothing is
    // written through a symbolic link found in the folder.
    bool load(const QString& path) override;
    // As load, into another folder (for tools); `load` uses tempDirectory().
    bool loadInto(const QString& path, const QDir& target);

    bool accepts(const QString& argument) override;

    // The flat pack of a model file for the mobile archive, or a null array when load would fail.
    // Little-endian: int32 entry count N, then N x (int32 name length, Latin-1 name, int32 data length,
    // data). The first entry is the content as tempDirectory()/NAME.SUFFIX; kind 0 adds each side entry
    // under its stored name, kind 4 under its full path in tempDirectory() (and moves an unpacked
    // top-level content file into NAME_resdir/ as load does). Entries whose data cannot be inflated
    // pack with length 0; unsafe side names pack as "Error". The thumbnail is not packed.
    QByteArray pack(const QString& path);

    bool loaded = false;
    ImportReporter* reporter = nullptr;             // not owned
    ThumbnailRenderer* thumbnailRenderer = nullptr; // not owned; see ImportServices.h
    ModelConverter* converter = nullptr;            // not owned
    QString lastError;                              // why the last import failed
    QStringList unwritten; // what the last load left out: unsafe names, broken or cut-short parts, failed writes
    QString modelFile;
    QString mainFile;
    QString thumbnailFile;
};

// Packs one model file with a short-lived record.
QByteArray packModelFile(const QString& path);

// "QuorvaneTemp" inside the folder named by "localappdata" (else the user's cache folder); created when
// absent. Returned with its canonical path.
QDir tempDirectory();

// Compressed contents of a file; false when it does not exist, cannot be read or is larger than an
// entry may be.
bool readCompressed(const QString& path, QByteArray& out);

// Inflates `data` and replaces `path` with the result once it is completely written. False, leaving any
// existing file alone, when the data is not a valid compressed field or the write fails.
bool writeUncompressed(const QByteArray& data, const QString& path);

// One side-file entry as stored: name and compressed data.
struct ModelSideEntry
{
    QString name;
    QByteArray data;
};

// The side entry for the file `name` below `folder`: its compressed contents, or the "Error" entry.
ModelSideEntry sideEntryFromFile(const QDir& folder, const QString& name);

// Writes a model file (the end of every import). Thumbnail, content and side data are compressed
// fields as stored. The file is replaced only when completely written.
bool writeModelFile(const QString& destination, qint32 kind, const QString& suffix, const QByteArray& thumbnail,
                    const QByteArray& content, const QList<ModelSideEntry>& sideEntries = {});

// What a model file holds, without unpacking it (for the command-line tool).
struct ModelFileInfo
{
    enum class Status { Ok, CannotOpen, BadSignature, BadVersion, UnsafeSuffix };
    struct Entry
    {
        QString name;
        qint64 storedBytes = 0;
        qint64 declaredBytes = -1; // length word of the compressed data, -1 when absent
        bool isError = false;      // the "Error" entry
        bool isUnsafe = false;     // a name that would leave the folder
    };
    Status status = Status::CannotOpen;
    qint32 versionMajor = 0, versionMinor = 0;
    qint32 kind = 0;
    QString suffix;
    qint64 thumbnailStored = 0, thumbnailDeclared = -1;
    qint64 contentStored = 0, contentDeclared = -1;
    quint32 sideCount = 0; // as declared (kinds 0, 2, 3 and 4)
    bool hasSideCount = false;
    QList<Entry> entries;
    bool truncated = false; // the file ended (or broke) before the layout did
};

ModelFileInfo inspectModelFile(const QString& path);

// The thumbnail stored in a model file (PNG bytes), read without unpacking anything, as a library list
// needs it. False, leaving `png` alone, exactly when load() would refuse the file (it cannot be opened,
// or its signature, version or stored suffix is wrong); a missing or broken thumbnail gives an empty
// array.
bool readModelThumbnail(const QString& path, QByteArray* png);

} // namespace quorvane
