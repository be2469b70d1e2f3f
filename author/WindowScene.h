// The scene as the window holds it: model files on the marker buttons, transforms and labels in the
// view's marker slots. Read into a scene value for saving, and applied back when a scene is opened.
#pragma once

#include "Scene.h"

#include <QStringList>

#include <array>

class MarcaPushButton;

namespace quorvane {

class ViewerWidget;

using MarkerButtons = std::array<MarcaPushButton*, kMarkerCount>;

Scene sceneFromWindow(const ViewerWidget& view, const MarkerButtons& buttons);

// Puts a scene read from a file on the view and the buttons (which start empty). A model file that
// cannot be opened leaves its marker empty, keeps its path for the next save and is listed in
// missingModels(); its transform and labels are applied all the same.
class WindowSceneApplier : public SceneApplier
{
public:
    WindowSceneApplier(ViewerWidget& view, const MarkerButtons& buttons) : m_view(view), m_buttons(buttons) {}

    void applyModel(int marker, const MarkerRecord& record) override;
    void applyLabel(int marker, const Label& label) override;
    void applyTransform(int marker, const MarkerRecord& record) override;

    const QStringList& missingModels() const { return m_missing; }

private:
    ViewerWidget& m_view;
    const MarkerButtons& m_buttons;
    QStringList m_missing;
};

} // namespace quorvane
