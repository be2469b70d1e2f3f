#include "Thumbnail.h"

#include "AssimpConvert.h"
#include "AssimpReader.h"
#include "Model.h"

#include <osg/DisplaySettings>
#include <osg/GraphicsContext>
#include <osg/MatrixTransform>
#include <osgDB/DatabasePager>
#include <osgDB/ReadFile>
#include <osgDB/WriteFile>
#include <osgUtil/SceneView>
#include <osgViewer/View>
#include <osgViewer/Viewer>

#include <QFile>
#include <QImage>

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cmath>
#include <iostream>

namespace quorvane {

namespace {
bool g_captureDiagnostics = true;
} // namespace

void setCaptureDiagnostics(bool on)
{
    g_captureDiagnostics = on;
}

CustomRenderer::CustomRenderer(osg::Camera* camera) : osgViewer::Renderer(camera)
{}

void CustomRenderer::operator()(osg::GraphicsContext* /*context*/)
{
    if (!_graphicsThreadDoesCull)
        return;
    if (m_cullOnly)
        cull();
    else
        cull_draw();
}

void CustomRenderer::cull()
{
    osgUtil::SceneView* sceneView = _sceneView[0].get();
    if (!sceneView || _done)
        return;
    updateSceneView(sceneView);
    if (auto* view = dynamic_cast<osgViewer::View*>(_camera->getView()))
        sceneView->setFusionDistance(view->getFusionDistanceMode(), view->getFusionDistanceValue());
    sceneView->inheritCullSettings(*(sceneView->getCamera()));
    sceneView->cull();
}

WindowCaptureCallback::WindowCaptureCallback(GLenum readBuffer, const std::string& fileName)
    : m_readBuffer(readBuffer), m_fileName(fileName), m_image(new osg::Image)
{}

void WindowCaptureCallback::operator()(osg::RenderInfo& renderInfo) const
{
#if !defined(OSG_GLES1_AVAILABLE) && !defined(OSG_GLES2_AVAILABLE)
    glReadBuffer(m_readBuffer);
#endif
    OpenThreads::ScopedLock<OpenThreads::Mutex> lock(m_mutex);
    osg::GraphicsContext* gc = renderInfo.getState()->getGraphicsContext();
    if (gc && gc->getTraits()) {
        const osg::GraphicsContext::Traits* traits = gc->getTraits();
        const GLenum format = traits->alpha ? GL_RGBA : GL_RGB;
        const int width = traits->width, height = traits->height;
        if (g_captureDiagnostics)
            std::cout << "Capture: size=" << width << "x" << height
                      << ", format=" << (format == GL_RGBA ? "GL_RGBA" : "GL_RGB") << std::endl;
        m_image->readPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE);
    }
    if (!m_fileName.empty()) {
        if (g_captureDiagnostics)
            std::cout << "Writing to: " << m_fileName << std::endl;
        osgDB::writeImageFile(*m_image, m_fileName, osgDB::Registry::instance()->getOptions());
    }
}

ThumbnailRenderer::Result renderModelThumbnail(const std::string& modelPath, const std::string& imagePath)
{
    // Read the model first: without one there is nothing to draw and no context is needed.
    quorvane::registerAssimpReader();
    osg::ref_ptr<osg::Node> model = osgDB::readRefNodeFile(modelPath, osgDB::Registry::instance()->getOptions());
    if (!model)
        return ThumbnailRenderer::Result::UnreadableModel;
    const osg::BoundingSphere bs = model->getBound();
    // An empty model has no size to fit into the picture.
    if (!bs.valid() || !(bs.radius() > 0.0f) || !std::isfinite(bs.radius()))
        return ThumbnailRenderer::Result::UnreadableModel;

    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    osg::ref_ptr<osg::GraphicsContext::Traits> traits =
        new osg::GraphicsContext::Traits(osg::DisplaySettings::instance().get());
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    traits->width = 256;
    traits->height = 256;
    traits->pbuffer = true;
    osg::ref_ptr<osg::GraphicsContext> gc = osg::GraphicsContext::createGraphicsContext(traits.get());
    if (!gc) {
        traits->pbuffer = false;
        gc = osg::GraphicsContext::createGraphicsContext(traits.get());
        if (!gc)
            return ThumbnailRenderer::Result::NoGraphics;
    }

    osg::ref_ptr<osg::Camera> camera = new osg::Camera;
    // The view's lighting (its headlight) lives in its first camera's state: the new camera takes
    // it over, or every model would be drawn unlit.
    camera->setStateSet(viewer->getCamera()->getOrCreateStateSet());
    camera->setGraphicsContext(gc.get());
    camera->setClearColor({0.0f, 1.0f, 0.0f, 1.0f});
    camera->setViewport(new osg::Viewport(0, 0, 256, 256));
    camera->setProjectionMatrixAsPerspective(45.0, 1.0, 1.0, 10000.0);
    const GLenum buffer = traits->doubleBuffer ? GL_BACK : GL_FRONT;
    camera->setDrawBuffer(buffer);
    camera->setReadBuffer(buffer);
    viewer->setCamera(camera.get());

    const double s = (10.0 / bs.radius()) / 1.1518735885620117;
    osg::ref_ptr<osg::MatrixTransform> scale = new osg::MatrixTransform(osg::Matrix::scale(s, s, s));
    // The fit scales the normals too: without renormalising, small models came out nearly black and
    // large ones washed out.
    scale->getOrCreateStateSet()->setMode(GL_NORMALIZE, osg::StateAttribute::ON);
    osg::ref_ptr<osg::MatrixTransform> centre = new osg::MatrixTransform(osg::Matrix::translate(-bs.center()));
    centre->addChild(model);
    scale->addChild(centre);

    camera->setViewMatrixAsLookAt({10.0, -10.0, 10.0}, {9.0, -9.0, 9.0}, {0.0, 0.0, 1.0});
    viewer->getDatabasePager()->setDoPreCompile(false);
    osg::ref_ptr<CustomRenderer> renderer = new CustomRenderer(camera.get());
    camera->setRenderer(renderer.get());
    viewer->setThreadingModel(osgViewer::Viewer::SingleThreaded);
    viewer->setSceneData(scale.get());
    viewer->realize();
    if (!viewer->isRealized())
        return ThumbnailRenderer::Result::NoGraphics;
    viewer->frame();

    // Let paged data arrive, culling only; a bounded wait keeps a broken pager from hanging us.
    for (int i = 0; i < 1000 && !viewer->done() && viewer->getDatabasePager()->getRequestsInProgress(); ++i) {
        viewer->updateTraversal();
        viewer->renderingTraversals();
    }

    renderer->setCullOnly(false);
    camera->setFinalDrawCallback(new WindowCaptureCallback(buffer, imagePath));
    viewer->renderingTraversals();
    camera->setFinalDrawCallback(nullptr);
    return ThumbnailRenderer::Result::Written;
}

ThumbnailRenderer::Result OffscreenThumbnailRenderer::renderModel(const QString& modelPath, const QString& imagePath)
{
    return renderModelThumbnail(QFile::encodeName(modelPath).toStdString(), QFile::encodeName(imagePath).toStdString());
}

QImage OffscreenThumbnailRenderer::firstVideoFrame(const QString& videoPath)
{
    // FFmpeg only: the image-sequence reader would take a "%" in the name as a pattern.
    cv::VideoCapture capture(QFile::encodeName(videoPath).toStdString(), cv::CAP_FFMPEG);
    if (!capture.isOpened())
        return QImage();
    cv::Mat bgr, rgb;
    if (!capture.read(bgr) || bgr.empty() || bgr.type() != CV_8UC3)
        return QImage();
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    return QImage(rgb.data, rgb.cols, rgb.rows, int(rgb.step), QImage::Format_RGB888).copy();
}

void attachImportServices(Model_v0_0& model)
{
    static OffscreenThumbnailRenderer renderer;
    static AssimpModelConverter converter;
    model.thumbnailRenderer = &renderer;
    model.converter = &converter;
}

} // namespace quorvane
