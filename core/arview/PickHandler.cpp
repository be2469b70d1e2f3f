#include "PickHandler.h"

#include "Label3d.h"
#include "ViewerWidget.h"

#include <QMetaObject>

#include <osgUtil/LineSegmentIntersector>
#include <osgViewer/View>

namespace quorvane {

namespace {

// The hits of a segment through the pointer, nearest first, with only the nodes of `mask`.
bool intersect(osgViewer::View* view, const osgGA::GUIEventAdapter& ea, unsigned int mask,
               osgUtil::LineSegmentIntersector::Intersections& hits)
{
    return view->computeIntersections(ea, hits, mask) && !hits.empty();
}

} // namespace

bool PickHandler::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    auto* view = dynamic_cast<osgViewer::View*>(&aa);
    if (!view)
        return false;

    using GEA = osgGA::GUIEventAdapter;
    if (ea.getEventType() == GEA::MOVE || ea.getEventType() == GEA::DRAG) {
        const unsigned int ctrl = GEA::MODKEY_LEFT_CTRL | GEA::MODKEY_RIGHT_CTRL;
        if (!(ea.getModKeyMask() & ctrl)) {
            m_widget->pickMarker()->setNodeMask(0);
            return false;
        }
        osgUtil::LineSegmentIntersector::Intersections hits;
        if (intersect(view, ea, ~0x2u, hits)) {
            m_widget->pickMarker()->setPosition(hits.begin()->getWorldIntersectPoint());
            m_widget->pickMarker()->setNodeMask(2);
        }
        return false;
    }

    if (ea.getEventType() == GEA::DOUBLECLICK && ea.getButton() == GEA::LEFT_MOUSE_BUTTON) {
        // The dialogs open once this frame is drawn: a modal loop must not run inside a paint.
        osgUtil::LineSegmentIntersector::Intersections hits;
        if (intersect(view, ea, 4, hits)) {
            for (osg::Node* node : hits.begin()->nodePath) {
                unsigned int id = 0;
                if (node->getName() == "cartelTexto" && node->getUserValue(Label3d::idKey(), id)) {
                    QMetaObject::invokeMethod(
                        m_widget, [w = m_widget, id] { w->editLabelById(id); }, Qt::QueuedConnection);
                    return true;
                }
            }
        }
        hits.clear();
        if (intersect(view, ea, 8, hits)) {
            const osg::Vec3d point = hits.begin()->getWorldIntersectPoint();
            for (osg::Node* node : hits.begin()->nodePath) {
                if (node->getName() != "draggerRoot")
                    continue;
                const int slot = m_widget->slotOfDraggerRoot(node);
                if (slot < 0)
                    break;
                QMetaObject::invokeMethod(
                    m_widget, [w = m_widget, slot, point] { w->addLabelAndEdit(slot, point); }, Qt::QueuedConnection);
                return true;
            }
        }
    }
    return false;
}

} // namespace quorvane
