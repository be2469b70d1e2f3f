// Pointer handling of the AR view: Ctrl + move shows the 3D cursor at the point under the
// pointer; double-clicks open or add text labels.
#pragma once

#include <osgGA/GUIEventHandler>

namespace quorvane {

class ViewerWidget;

class PickHandler : public osgGA::GUIEventHandler
{
public:
    explicit PickHandler(ViewerWidget* widget) : m_widget(widget) {}

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

private:
    ViewerWidget* m_widget;
};

} // namespace quorvane
