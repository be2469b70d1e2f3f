#include "PickHandler.h"

#include "ViewerWidget.h"

#include <osgUtil/LineSegmentIntersector>
#include <osgViewer/View>

bool PickHandler::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    auto* view = dynamic_cast<osgViewer::View*>(&aa);
    if (!view)
        return false;

    if (ea.getEventType() == osgGA::GUIEventAdapter::MOVE || ea.getEventType() == osgGA::GUIEventAdapter::DRAG) {
        const unsigned int ctrl = osgGA::GUIEventAdapter::MODKEY_LEFT_CTRL | osgGA::GUIEventAdapter::MODKEY_RIGHT_CTRL;
        if (!(ea.getModKeyMask() & ctrl)) {
            m_widget->pickMarker()->setNodeMask(0);
            return false;
        }
        osgUtil::LineSegmentIntersector::Intersections hits;
        if (view->computeIntersections(ea, hits, ~0x2u) && !hits.empty()) {
            m_widget->pickMarker()->setPosition(hits.begin()->getWorldIntersectPoint());
            m_widget->pickMarker()->setNodeMask(2);
        }
        return false;
    }
    return false;
}
