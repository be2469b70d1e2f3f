#include "OsgGLWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QWheelEvent>

#include <osg/Notify>
#include <osgGA/GUIEventAdapter>

namespace quorvane {

namespace {

unsigned int osgButton(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::MiddleButton:
        return 2;
    case Qt::RightButton:
        return 3;
    default:
        return 0;
    }
}

int osgKey(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Escape:
        return osgGA::GUIEventAdapter::KEY_Escape;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return osgGA::GUIEventAdapter::KEY_Return;
    case Qt::Key_Space:
        return osgGA::GUIEventAdapter::KEY_Space;
    case Qt::Key_Control:
        return osgGA::GUIEventAdapter::KEY_Control_L;
    case Qt::Key_Shift:
        return osgGA::GUIEventAdapter::KEY_Shift_L;
    case Qt::Key_Alt:
        return osgGA::GUIEventAdapter::KEY_Alt_L;
    case Qt::Key_Left:
        return osgGA::GUIEventAdapter::KEY_Left;
    case Qt::Key_Right:
        return osgGA::GUIEventAdapter::KEY_Right;
    case Qt::Key_Up:
        return osgGA::GUIEventAdapter::KEY_Up;
    case Qt::Key_Down:
        return osgGA::GUIEventAdapter::KEY_Down;
    default:
        break;
    }
    const QString text = e->text();
    return text.isEmpty() ? e->key() : text.at(0).unicode();
}

} // namespace

OsgGLWidget::OsgGLWidget(osgViewer::GraphicsWindowEmbedded* window, osgViewer::ViewerBase* viewer, QWidget* parent)
    : QOpenGLWidget(parent), m_window(window), m_viewer(viewer)
{
    setFormat(surfaceFormat());
    setFocusPolicy(Qt::WheelFocus);
    setMouseTracking(true);
    setMinimumSize(1, 1);
}

QSurfaceFormat OsgGLWidget::surfaceFormat()
{
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setProfile(QSurfaceFormat::CompatibilityProfile);
    f.setDepthBufferSize(24);
    f.setStencilBufferSize(8);
    f.setAlphaBufferSize(8);
    return f;
}

void OsgGLWidget::initializeGL()
{
    m_window->setDefaultFboId(defaultFramebufferObject());
}

void OsgGLWidget::paintGL()
{
    // Qt may hand the widget a new framebuffer object after a resize or reparenting.
    m_window->setDefaultFboId(defaultFramebufferObject());
    resetGLState();
    if (m_beforeFrame)
        m_beforeFrame();
    if (m_viewer)
        m_viewer->frame();
}

void OsgGLWidget::resetGLState()
{
    // Qt draws with the same context between our frames (its own programs, buffers and
    // textures): nothing the scene graph remembers about the GL state can be trusted, so each
    // frame starts from a clean slate.
    if (auto* f = QOpenGLContext::currentContext()->extraFunctions()) {
        f->glUseProgram(0);
        f->glBindVertexArray(0);
        f->glBindBuffer(GL_ARRAY_BUFFER, 0);
        f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
    if (osg::State* state = m_window->getState()) {
        // reset() announces itself at notice level; that is no news worth a line per frame.
        const osg::NotifySeverity level = osg::getNotifyLevel();
        if (level >= osg::NOTICE)
            osg::setNotifyLevel(osg::WARN);
        state->reset();
        osg::setNotifyLevel(level);
    }
}

void OsgGLWidget::resizeGL(int w, int h)
{
    const int pw = static_cast<int>(w * scale()), ph = static_cast<int>(h * scale());
    m_window->getEventQueue()->windowResize(0, 0, pw, ph);
    m_window->resized(0, 0, pw, ph);
}

void OsgGLWidget::updateModifiers(Qt::KeyboardModifiers mods)
{
    unsigned int mask = 0;
    if (mods & Qt::ControlModifier)
        mask |= osgGA::GUIEventAdapter::MODKEY_CTRL;
    if (mods & Qt::ShiftModifier)
        mask |= osgGA::GUIEventAdapter::MODKEY_SHIFT;
    if (mods & Qt::AltModifier)
        mask |= osgGA::GUIEventAdapter::MODKEY_ALT;
    m_window->getEventQueue()->getCurrentEventState()->setModKeyMask(mask);
}

void OsgGLWidget::mousePressEvent(QMouseEvent* e)
{
    updateModifiers(e->modifiers());
    m_window->getEventQueue()->mouseButtonPress(static_cast<float>(e->position().x()) * scale(),
                                                static_cast<float>(e->position().y()) * scale(),
                                                osgButton(e->button()));
    update();
}

void OsgGLWidget::mouseReleaseEvent(QMouseEvent* e)
{
    updateModifiers(e->modifiers());
    m_window->getEventQueue()->mouseButtonRelease(static_cast<float>(e->position().x()) * scale(),
                                                  static_cast<float>(e->position().y()) * scale(),
                                                  osgButton(e->button()));
    update();
}

void OsgGLWidget::mouseDoubleClickEvent(QMouseEvent* e)
{
    updateModifiers(e->modifiers());
    m_window->getEventQueue()->mouseDoubleButtonPress(static_cast<float>(e->position().x()) * scale(),
                                                      static_cast<float>(e->position().y()) * scale(),
                                                      osgButton(e->button()));
    update();
}

void OsgGLWidget::mouseMoveEvent(QMouseEvent* e)
{
    updateModifiers(e->modifiers());
    m_window->getEventQueue()->mouseMotion(static_cast<float>(e->position().x()) * scale(),
                                           static_cast<float>(e->position().y()) * scale());
    update();
}

void OsgGLWidget::wheelEvent(QWheelEvent* e)
{
    updateModifiers(e->modifiers());
    const QPoint d = e->angleDelta();
    const bool vertical = std::abs(d.y()) >= std::abs(d.x());
    const int amount = vertical ? d.y() : d.x();
    using GEA = osgGA::GUIEventAdapter;
    m_window->getEventQueue()->mouseScroll(vertical ? (amount > 0 ? GEA::SCROLL_UP : GEA::SCROLL_DOWN)
                                                    : (amount > 0 ? GEA::SCROLL_LEFT : GEA::SCROLL_RIGHT));
    update();
}

void OsgGLWidget::keyPressEvent(QKeyEvent* e)
{
    updateModifiers(e->modifiers());
    m_window->getEventQueue()->keyPress(osgKey(e));
    QOpenGLWidget::keyPressEvent(e);
}

void OsgGLWidget::keyReleaseEvent(QKeyEvent* e)
{
    updateModifiers(e->modifiers());
    m_window->getEventQueue()->keyRelease(osgKey(e));
    QOpenGLWidget::keyReleaseEvent(e);
}

} // namespace quorvane
