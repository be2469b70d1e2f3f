// The AR view's marker slots as the place an opened archive goes: content, labels, the user's transform,
// and the content's first animation started.
#pragma once

#include "ArchiveOpening.h"

namespace quorvane {

class ViewerWidget;

class ViewSceneTarget : public ViewerSceneTarget
{
public:
    explicit ViewSceneTarget(ViewerWidget& view) : m_view(view) {}

    void applyModel(int marker, const MarkerRecord& record) override;
    void applyLabel(int marker, const Label& label) override;
    // Rotation, the offset transform "mtxExtTra" as the pure translation, the uniform scale; then the
    // content's first animation plays.
    void applyTransform(int marker, const MarkerRecord& record) override;
    bool showsContent(int marker) const override;
    // The scene's models go through the guarded check together, so each load after it finds its verdict.
    void prepare(const QStringList& contentFiles) override;

private:
    ViewerWidget& m_view;
};

} // namespace quorvane
