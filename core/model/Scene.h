// A scene as a plain value: for each of the twenty markers the model file, the user's rotation,
// translation and uniform scale of its content, and its 3D text labels. The windows fill it from the
// view and the marker buttons and apply it back; files and archives read and write only this value.
//
// Scene file ".qvs2" (a Qt data stream, big-endian, every float stored as an 8-byte double):
//   int32 format version (1), then 20 marker records in index order:
//   string model file, 3 floats rotation (degrees), 3 floats translation, float scale,
//   int32 label count, label records: string text, 4 floats font colour (r, g, b, a), 4 floats
//   background colour, 3 floats anchor, float distance, float angle (degrees), float character size.
// Older ".qvs": no version, and each record ends after the scale (no labels).
#pragma once

#include <QIODevice>
#include <QList>
#include <QString>

#include <array>

namespace quorvane {

inline constexpr int kMarkerCount = 20;

struct Label
{
    QString text;
    std::array<float, 4> fontColor{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 4> backgroundColor{0.0f, 0.0f, 0.0f, 1.0f};
    std::array<float, 3> anchor{0.0f, 0.0f, 0.0f};
    float distance = 50.0f;
    float angle = 0.0f; // degrees, around the anchor in the content's x-z plane
    float characterSize = 12.0f;

    bool operator==(const Label& o) const;
    bool operator!=(const Label& o) const { return !(*this == o); }
};

struct MarkerRecord
{
    // The library model file, written exactly as held: a null string (a marker that never had content)
    // is stored as 0xFFFFFFFF, an empty one as length 0; readers treat both as "no content".
    QString modelFile;
    std::array<float, 3> rotation{0.0f, 0.0f, 0.0f}; // degrees about x, y, z
    std::array<float, 3> translation{0.0f, 0.0f, 0.0f};
    float scale = 1.0f;
    QList<Label> labels;

    bool operator==(const MarkerRecord& o) const;
    bool operator!=(const MarkerRecord& o) const { return !(*this == o); }
};

struct Scene
{
    std::array<MarkerRecord, kMarkerCount> markers;

    bool operator==(const Scene& o) const { return markers == o.markers; }
    bool operator!=(const Scene& o) const { return !(*this == o); }
};

// Applying a scene to the view and the marker panel, marker by marker in index order, and within a
// marker always: the model first, then each label in order, then the transform (the labels hang below
// the content's offset transform, which the transform step replaces).
class SceneApplier
{
public:
    virtual ~SceneApplier() = default;
    virtual void applyModel(int marker, const MarkerRecord& record) = 0;
    virtual void applyLabel(int marker, const Label& label) = 0;
    virtual void applyTransform(int marker, const MarkerRecord& record) = 0;
};

void applyScene(const Scene& scene, SceneApplier& applier);

// ".qvs2" bytes of a scene.
QByteArray sceneFileBytes(const Scene& scene);
// Writes a ".qvs2" file, replacing `path` only once the new file is complete. False when it cannot be
// opened or written (show messages::kCannotOpenForWriting).
bool writeSceneFile(const Scene& scene, const QString& path);

enum class SceneReadStatus {
    Ok,
    CannotOpen,         // show messages::kCannotOpenForReading; the current scene is kept
    UnsupportedVersion, // ".qvs2" whose version is not 1: the scene is cleared and stays empty
};

// True when `path` names a ".qvs2" file (suffix compared ignoring case); every other name is ".qvs".
bool isQvs2Path(const QString& path);

// Reads a scene file, choosing the reader by suffix. On Ok and UnsupportedVersion `scene` is replaced
// (fresh, then filled); a truncated file leaves the missing fields empty or zero (a truncated scale
// reads as 0) and still returns Ok. `wholeRecords`, when given, receives how many of the twenty marker
// records were read in full: fewer than 20 is a file cut short, 0 no scene file at all.
SceneReadStatus readSceneFile(const QString& path, Scene* scene, int* wholeRecords = nullptr);
SceneReadStatus readQvs2(QIODevice* device, Scene* scene, int* wholeRecords = nullptr);
void readQvs(QIODevice* device, Scene* scene, int* wholeRecords = nullptr);

} // namespace quorvane
