// Fuzz target: Quorvane Viewer's whole opening path without rendering: the archive read under both viewer
// names, its models unpacked into the viewer's temporary folder, and the scene handed marker by marker to a
// target that checks what it is given.
#include "FuzzSupport.h"

#include "ArchiveOpening.h"
#include "Model.h"

#include <QFileInfo>

#include <array>

namespace {

using fuzzsupport::check;

class CheckingTarget : public quorvane::ViewerSceneTarget
{
public:
    explicit CheckingTarget(const QString& folder) : m_folder(folder + QLatin1Char('/')) {}

    void applyModel(int marker, const quorvane::MarkerRecord& record) override
    {
        step(marker, 0);
        if (record.modelFile.isEmpty())
            return;
        // Only unpacked content is named, and it lies inside the viewer's folder.
        const QFileInfo content(record.modelFile);
        check(content.isFile());
        check(content.canonicalFilePath().startsWith(m_folder));
        m_shown[size_t(marker)] = true;
    }
    void applyLabel(int marker, const quorvane::Label&) override { step(marker, 1); }
    void applyTransform(int marker, const quorvane::MarkerRecord&) override { step(marker, 2); }
    bool showsContent(int marker) const override
    {
        check(marker >= 0 && marker < quorvane::kMarkerCount);
        return m_shown[size_t(marker)];
    }

    int transforms = 0;

private:
    // Markers in index order; within one, model before labels before the transform, and one transform each.
    void step(int marker, int phase)
    {
        check(marker >= 0 && marker < quorvane::kMarkerCount);
        check(marker > m_marker || (marker == m_marker && phase >= m_phase && m_phase != 2));
        m_marker = marker;
        m_phase = phase;
        if (phase == 2)
            ++transforms;
    }

    QString m_folder;
    std::array<bool, quorvane::kMarkerCount> m_shown{};
    int m_marker = -1;
    int m_phase = 0;
};

void openAs(const QString& name, const uint8_t* data, size_t size)
{
    const QString path = fuzzsupport::writeInput(name, data, size);
    const QString folder = quorvane::viewerTempDirectory().canonicalPath();
    CheckingTarget target(folder);
    const quorvane::ViewerSceneOpening opening = quorvane::openViewerScene(path, target);
    check(opening.status != quorvane::ViewerOpenStatus::Ignored);
    if (opening.status == quorvane::ViewerOpenStatus::Opened) {
        // Every marker gets its transform, even when the archive breaks off.
        check(target.transforms == quorvane::kMarkerCount);
        int previous = -1;
        for (int m : opening.usedMarkers) {
            check(m > previous && m < quorvane::kMarkerCount);
            previous = m;
        }
        for (int m : opening.emptyMarkers)
            check(opening.usedMarkers.contains(m));
        const bool whole = opening.versionOk && opening.complete && opening.emptyMarkers.isEmpty();
        check(quorvane::openingProblems(path, opening).isEmpty() == whole);
    } else {
        check(target.transforms == 0);
        check(!quorvane::openingProblems(path, opening).isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QTemporaryDir& root = fuzzsupport::scratch();
    openAs(QStringLiteral("fuzz.qvx2"), data, size);
    openAs(QStringLiteral("fuzz.qvx"), data, size);
    // Nothing lands beside the viewer's folder: not in the authoring program's folder either.
    const QStringList top = QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    for (const QString& entry : top)
        check(entry == QLatin1String("fuzz.qvx2") || entry == QLatin1String("fuzz.qvx") ||
              entry == QLatin1String("quorvaneviewerziptemp"));
    quorvane::emptyDirectory(quorvane::viewerTempDirectory());
    return 0;
}
