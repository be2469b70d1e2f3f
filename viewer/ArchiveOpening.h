// Opening a viewer archive in Quorvane Viewer, without the window: the archive is read and unpacked into
// the viewer's temporary folder, and its scene is handed, marker by marker, to a target (the view's
// marker slots in the program, a recorder in tests and fuzzing). Archives come from other people: what
// cannot be read or shown is left out, and said once.
#pragma once

#include "Archive.h"
#include "Scene.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

namespace quorvane {

// Where the scene goes. applyModel gets the unpacked content file in `record.modelFile` (empty for a marker
// without one); afterwards showsContent tells whether the marker ended up showing it.
class ViewerSceneTarget : public SceneApplier
{
public:
    virtual bool showsContent(int marker) const = 0;
    // Called once with every content file of the scene before the first is applied (the view checks the
    // models together, in one guarded process).
    virtual void prepare(const QStringList& contentFiles) { Q_UNUSED(contentFiles); }
};

struct ViewerSceneOpening
{
    ViewerOpenStatus status = ViewerOpenStatus::Ignored;
    ArchiveLayout layout = ArchiveLayout::PlainRecords;
    bool versionOk = true;
    bool complete = false;
    // The markers whose record carried a model, in reading order, and of those the ones left empty
    // because their model could not be unpacked, loaded or shown.
    QList<int> usedMarkers;
    QList<int> emptyMarkers;
    bool hasLogo = false; // the archive carries a logo (magic present)
    QImage logo;          // the logo picture; null when there is none or it is no picture
};

// Whether the file name says a viewer archive: ".qvx2" or ".qvx", in any letter case (archives travel
// between systems that differ in that).
bool isViewerArchiveName(const QString& path);

// Opens the archive and applies its scene to `target`: for every marker in order its content (when its
// model unpacked), its labels (format 2) and its transform. ".qvx2" names are read as format 2, ".qvx"
// as format 1; any other name is Ignored and nothing happens. CannotOpen and ProcessingError apply
// nothing.
ViewerSceneOpening openViewerScene(const QString& path, ViewerSceneTarget& target);

// The one warning for an opening (translated, context "QuorvaneViewer"), or an empty string when the
// whole scene opened.
QString openingProblems(const QString& path, const ViewerSceneOpening& opening);

} // namespace quorvane
