// Export archives: the viewer archive (".qvx2", scrambled, read by the viewer together with the older
// ".qvx" and archives without magic) and the mobile archive (".qvm2", a raw little-endian layout for a
// mobile viewer outside this system). Both end with a logo PNG.
//
// Viewer scene data (Qt data stream, big-endian, floats as 8-byte doubles): int32 version (1), then 20
// records: string name ("/model%05d.SUFFIX", or null without content), 7 floats (rotation x, y, z,
// translation x, y, z, scale), bytes model file (null without content), int32 label count and the label
// records of the scene file. Archive file: the 31-byte magic, then scramble(scene data + logo PNG).
// ".qvx": the same without version and labels. Without magic: the unscrambled records of ".qvx", no logo.
//
// Mobile scene data (little-endian, floats as 4-byte singles): int32 version (1), int32 record count,
// then for each marker whose model file exists, in index order: int32 marker index, 7 floats, the model
// pack (Model_v0_0::pack), int32 label count, labels as (int32 byte count, Latin-1 text with "?" for
// anything else, 14 floats: font colour, background colour, anchor, distance, angle, character size).
// Archive file: the mobile scene data, then the logo PNG.
#pragma once

#include "Scene.h"

#include <QByteArray>
#include <QDir>
#include <QStringList>

#include <array>

namespace quorvane {

inline constexpr char kViewerArchiveMagic[] = "vWBnKbR2/2TYmbSqtvM6eiQce1fQnXi";
inline constexpr int kViewerArchiveMagicSize = 31;

// One block swap: pairs of k-byte blocks exchanged while a whole pair lies strictly before the end.
QByteArray blockSwap(const QByteArray& data, int k);
// Block swaps of 17, 2, (n mod 255) + 10, 13 and 37 bytes; empty data stays empty.
QByteArray scramble(const QByteArray& data);
QByteArray unscramble(const QByteArray& data);

// "/model%1.%2": the marker index with at least five digits, the model file's suffix.
QString viewerModelName(int marker, const QString& modelFile);

// Whether building the scene data first empties tempDirectory(), as the export of the authoring program
// does. Tools that must not disturb a running program keep it.
enum class TempCleanup { Empty, Keep };

// Scene data of the two archives, built from the scene and the library's model files. A marker has
// content when its model file exists. False (show messages::kSceneBuildError) when an existing model file
// cannot be read or packed, or the data would exceed the archive cap.
bool buildViewerSceneData(const Scene& scene, QByteArray* out, TempCleanup cleanup = TempCleanup::Empty);
bool buildMobileSceneData(const Scene& scene, QByteArray* out, TempCleanup cleanup = TempCleanup::Empty);

// The logo of an archive. A custom logo is the chosen picture (or the built-in ":/Quorvane/logotex.png"
// when that file does not exist) fitted into 256 x 256, at x 0 and centred vertically, on transparency;
// otherwise the built-in ":/Quorvane/256Transparent.png". Always a PNG.
struct LogoChoice
{
    bool custom = false;
    QString file;
};
QByteArray buildLogoPng(const LogoChoice& choice);
// Why the file cannot serve as a custom logo ("no such file", "not a readable picture", "too large a
// picture"), or an empty string when it can. Only the header is read for the size check.
QString logoFileProblem(const QString& path);

// Write the archives; the file is replaced only once the new one is complete.
bool writeViewerArchive(const QString& path, const QByteArray& sceneData, const QByteArray& logoPng);
bool writeMobileArchive(const QString& path, const QByteArray& sceneData, const QByteArray& logoPng);

// The mobile viewer takes only OBJ models: the model files of the markers whose unpacked content file
// (the marker button's main file) exists with any other suffix. Non-empty: refuse with
// mobileRefusalMessage().
QStringList modelsUnsuitableForMobile(const Scene& scene, const std::array<QString, kMarkerCount>& mainFiles);
// messages::kMobileOnlyObj (as given, translated or not) followed by "\n %1" for each model file.
QString mobileRefusalMessage(const QString& intro, const QStringList& modelFiles);

// Deletes every file and folder inside `dir`, keeping `dir`.
bool emptyDirectory(const QDir& dir);

// ---- Reading ----

enum class ArchiveLayout {
    ViewerFormat2, // magic, scrambled, version, records with labels, logo
    ViewerFormat1, // magic, scrambled, records, logo
    PlainRecords,  // no magic: records only
};

struct ViewerArchiveContents
{
    ArchiveLayout layout = ArchiveLayout::PlainRecords;
    bool versionOk = true; // format 2: false when the version word is not 1 (then nothing else is read)
    bool complete = false; // every record was read in full
    Scene scene;           // modelFile holds the record name ("/model00003.qmd")
    std::array<QByteArray, kMarkerCount> models;
    bool hasLogo = false;
    QByteArray logoPng; // everything after the last record
};

enum class ArchiveParseStatus { Ok, Unreadable };

// Parses the bytes of a viewer archive; `format2` selects the layout that follows the magic.
// Unreadable: the magic is followed by nothing (show messages::kArchiveProcessingError) or the file
// exceeds the archive cap.
ArchiveParseStatus parseViewerArchive(const QByteArray& file, bool format2, ViewerArchiveContents* out);

// "quorvaneviewerziptemp" inside the folder named by "localappdata" (else the user's cache folder),
// created when absent.
QDir viewerTempDirectory();

enum class ViewerOpenStatus {
    Ignored,         // the suffix is neither "qvx2" nor "qvx" (case matters): nothing happened
    CannotOpen,      // show messages::kCannotOpenForReading with the path
    ProcessingError, // show messages::kArchiveProcessingError with the path
    Opened,
};

struct OpenedViewerScene
{
    ArchiveLayout layout = ArchiveLayout::PlainRecords;
    bool versionOk = true; // format 2: false when the version word is not 1 (then the scene is empty)
    bool complete = false; // every record was read in full
    // The markers whose record carried model bytes, in reading order (whether or not the model loaded).
    QList<int> modelMarkers;
    // modelFile: where the record's model file was written in the viewer's temporary directory, or empty.
    Scene scene;
    // The unpacked content file of each marker whose model loaded (put it on the marker), else empty.
    std::array<QString, kMarkerCount> contentFiles;
    std::array<QString, kMarkerCount> thumbnailFiles;
    bool hasLogo = false;
    QByteArray logoPng;
};

// The markers whose record carries model bytes, in index order.
QList<int> markersWithModels(const ViewerArchiveContents& contents);

// The viewer's reader. Empties viewerTempDirectory(), writes each record's model file there under its
// record name and unpacks it into the same folder (Model_v0_0::loadInto), so that nothing the viewer
// opens lands in the authoring program's folder. Record names that are not "/" followed by a plain
// relative path are not written (the marker stays empty). Apply the result with applyScene(): model
// (content file of contentFiles), labels (format 2), transform, then start the content's first animation.
ViewerOpenStatus openViewerArchive(const QString& path, OpenedViewerScene* out);
// The same with the layout chosen by the caller (format 2 or format 1 after the magic), whatever the
// file is called; never Ignored.
ViewerOpenStatus openViewerArchive(const QString& path, bool format2, OpenedViewerScene* out);

// A mobile archive read back (for tools and checks).
struct MobilePackEntry
{
    QString name;
    QByteArray data;
};
struct MobileMarker
{
    qint32 index = 0;
    MarkerRecord record; // modelFile stays empty; labels carry the Latin-1 texts
    QList<MobilePackEntry> pack;
};
struct MobileArchiveContents
{
    qint32 version = 0;
    qint32 declaredCount = 0;
    QList<MobileMarker> markers;
    bool complete = false; // every declared record was read in full
    QByteArray logoPng;
};

bool parseMobileArchive(const QByteArray& file, MobileArchiveContents* out);
// Parses one model pack; false when it is cut short.
bool parseModelPack(const QByteArray& pack, QList<MobilePackEntry>* entries);

} // namespace quorvane
