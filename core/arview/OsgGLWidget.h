// The OpenGL host of the AR view: a QOpenGLWidget that drives an embedded OpenSceneGraph
// graphics window. It renders one frame of its viewer per paint and forwards the user's input
// (in device pixels) to the window's event queue.
#pragma once

#include <QOpenGLWidget>

#include <functional>

#include <osg/ref_ptr>
#include <osgViewer/GraphicsWindow>
#include <osgViewer/ViewerBase>

namespace quorvane {

class OsgGLWidget : public QOpenGLWidget
{
    Q_OBJECT
public:
    OsgGLWidget(osgViewer::GraphicsWindowEmbedded* window, osgViewer::ViewerBase* viewer, QWidget* parent = nullptr);

    osgViewer::GraphicsWindowEmbedded* graphicsWindow() const { return m_window.get(); }

    // Work done right before every frame is rendered (the view tracks and poses its markers), so
    // what is drawn always belongs to the picture in the background.
    void setBeforeFrame(std::function<void()> work) { m_beforeFrame = std::move(work); }

    // Makes the scene graph's idea of the GL state true again; call with the context current.
    void resetGLState();

    // The surface every view asks for: compatibility profile (the scene graph draws with the
    // fixed-function pipeline), depth, and 8 stencil bits for the selection outline.
    static QSurfaceFormat surfaceFormat();

protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeGL(int w, int h) override;

    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    void updateModifiers(Qt::KeyboardModifiers mods);
    float scale() const { return static_cast<float>(devicePixelRatioF()); }

    osg::ref_ptr<osgViewer::GraphicsWindowEmbedded> m_window;
    osgViewer::ViewerBase* m_viewer;
    std::function<void()> m_beforeFrame;
};

} // namespace quorvane
