#include "ViewerWidget.h"

#include "MarkerCodes.h"
#include "OsgGLWidget.h"
#include "Label3dPropertyDlg.h"
#include "PickHandler.h"
#include "PlatformPaths.h"
#include "QuadGeometry.h"
#include "ViewSetup.h"

#include <QDir>
#include <QGridLayout>
#include <QMessageBox>
#include <QResizeEvent>

#include <osg/BlendFunc>
#include <osg/DisplaySettings>
#include <osg/Geometry>
#include <osg/LightSource>
#include <osg/Shape>
#include <osg/ShapeDrawable>
#include <osg/Texture2D>
#include <osgDB/ReadFile>
#include <osgViewer/View>
#include <osgViewer/ViewerEventHandlers>

#include <cmath>

namespace quorvane {

namespace {

constexpr double kRadToDeg = 57.295780181884766;
constexpr double kDegToRad = 0.01745329238474369;
constexpr float kPlaneDepth = 10000.0f;

osg::ref_ptr<osg::Geometry> backgroundGeometry(osg::Vec3Array* vertices, const osg::Vec2 (&tex)[4],
                                               osg::Texture2D* texture)
{
    osg::ref_ptr<osg::Geometry> g = quorvane::makeQuad(vertices, tex, {1.0f, 1.0f, 1.0f, 1.0f});
    osg::StateSet* ss = g->getOrCreateStateSet();
    ss->setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);
    ss->setRenderingHint(osg::StateSet::OPAQUE_BIN);
    ss->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    return g;
}

} // namespace

ViewerWidget::ViewerWidget(bool logoVisible, bool mirrored, QWidget* parent,
                           osgViewer::ViewerBase::ThreadingModel threadingModel)
    : QWidget(parent), m_mirrored(mirrored), m_logoVisible(logoVisible)
{
    setThreadingModel(threadingModel);
    // The view lives inside the programs' windows: keys never end its loop.
    setKeyEventSetsDone(0);
    setQuitEventSetsDone(false);

    buildSceneRoot();
    osg::ref_ptr<osgViewer::GraphicsWindowEmbedded> window = buildGraphicsWindow();
    buildCameraAndView(window.get());
    buildGLWidget(window.get());
    buildMarkerSlots();
    buildPickMarker();
}

// Step 1: the root group, lit by a headlight looking down the camera's axis.
void ViewerWidget::buildSceneRoot()
{
    m_root = new osg::Group;
    m_root->setName("rootGroup");
    m_pickHandler = new PickHandler(this);

    osg::ref_ptr<osg::LightSource> lightSource = new osg::LightSource;
    osg::Light* light = lightSource->getLight();
    light->setLightNum(0);
    light->setPosition({0.0f, 0.0f, -1.0f, 0.0f});
    light->setAmbient({0.1f, 0.1f, 0.1f, 1.0f});
    light->setDiffuse({1.0f, 1.0f, 1.0f, 1.0f});
    light->setSpecular({1.0f, 1.0f, 1.0f, 1.0f});
    m_root->addChild(lightSource);
    m_root->getOrCreateStateSet()->setAttributeAndModes(light, osg::StateAttribute::ON);
}

// Step 2: the embedded window the GL widget draws for, with the stencil bits the selection outline needs.
osg::ref_ptr<osgViewer::GraphicsWindowEmbedded> ViewerWidget::buildGraphicsWindow()
{
    osg::DisplaySettings* ds = osg::DisplaySettings::instance().get();
    if (ds->getMinimumNumStencilBits() < 1)
        ds->setMinimumNumStencilBits(1);

    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->x = 0;
    traits->y = 0;
    traits->width = 100;
    traits->height = 100;
    traits->windowName = "";
    traits->windowDecoration = false;
    traits->doubleBuffer = true;
    traits->alpha = ds->getMinimumNumAlphaBits();
    traits->stencil = ds->getMinimumNumStencilBits();
    traits->sampleBuffers = ds->getMultiSamples() ? 1 : 0;
    traits->samples = ds->getNumMultiSamples();
    return new osgViewer::GraphicsWindowEmbedded(traits.get());
}

// Step 3: the camera and the one view over the root, with the statistics and pick handlers.
void ViewerWidget::buildCameraAndView(osgViewer::GraphicsWindowEmbedded* window)
{
    m_camera = new osg::Camera;
    m_camera->setGraphicsContext(window);
    m_camera->setClearColor({0.0f, 0.0f, 0.0f, 1.0f});
    m_camera->setViewport(new osg::Viewport(0, 0, 100, 100));
    m_camera->setProjectionMatrixAsPerspective(45.0, 1.0, 1.0, 10000.0);
    m_camera->setViewMatrixAsLookAt({0.0, -10.0, 0.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 1.0});
    m_camera->setName("miCamara");
    m_camera->setClearMask(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    view->setCamera(m_camera);
    view->setSceneData(m_root);
    view->addEventHandler(new osgViewer::StatsHandler);
    view->addEventHandler(m_pickHandler);
    addView(view);
}

// Step 4: the Qt widget that hosts the GL context and tracks before every frame it draws.
void ViewerWidget::buildGLWidget(osgViewer::GraphicsWindowEmbedded* window)
{
    m_glWidget = new OsgGLWidget(window, this, this);
    m_glWidget->setBeforeFrame([this] { trackAndPose(); });
    if (!m_glWidget)
        QMessageBox::warning(this, tr("Error"), tr("failed getGLWidget()"), QMessageBox::Ok);

    m_layout = new QGridLayout;
    m_layout->addWidget(m_glWidget, 0, 0);
    m_layout->setSpacing(1);
    m_layout->setContentsMargins(1, 1, 1, 1);
    setLayout(m_layout);
}

// Step 5: one content slot per marker, in marker order.
void ViewerWidget::buildMarkerSlots()
{
    for (int code : trk::kMarkerCodes)
        m_markerCodes.push_back(static_cast<unsigned int>(code));
    setPickingEnabled(true);

    for (unsigned int code : m_markerCodes)
        addSlot(code);
}

// Step 6: the 3D cursor that Ctrl + move shows on the content.
void ViewerWidget::buildPickMarker()
{
    m_pickMarker = new osg::PositionAttitudeTransform;
    m_pickMarker->setNodeMask(0);
    osg::ref_ptr<osg::Geode> sphere = new osg::Geode;
    sphere->setNodeMask(2);
    sphere->addDrawable(new osg::ShapeDrawable(new osg::Sphere({0.0f, 0.0f, 0.0f}, 2.5f)));
    m_pickMarker->addChild(sphere);
    m_root->addChild(m_pickMarker);
}

ViewerWidget::~ViewerWidget()
{
    if (m_glWidget) {
        m_layout->removeWidget(m_glWidget);
        osgGA::EventQueue::Events events;
        m_glWidget->graphicsWindow()->getEventQueue()->takeEvents(events);
        // Scene objects may hold GL resources: release them with the context current.
        m_glWidget->makeCurrent();
        m_slots.clear();
        m_root = nullptr;
        stopThreading();
        for (unsigned int i = 0; i < getNumViews(); ++i)
            getView(i)->setSceneData(nullptr);
        m_glWidget->doneCurrent();
    }
}

void ViewerWidget::addSlot(unsigned int code)
{
    m_slots.push_back(std::make_unique<MarkerContent>(code, m_markerSize));
    m_root->addChild(m_slots.back()->draggerRoot());
}

MarkerContent* ViewerWidget::slot(int n) const
{
    if (n < 0 || n >= static_cast<int>(m_slots.size()))
        return nullptr;
    return m_slots[static_cast<size_t>(n)].get();
}

bool ViewerWidget::setupBackground(unsigned char* buffer, int width, int height, float focalLength)
{
    m_focalLength = focalLength;
    m_frameWidth = width;
    m_frameHeight = height;

    trk::SetupLikeView(m_tracker, width, height, focalLength);

    const double a = static_cast<double>(width) / height;
    const int clientW = std::max(1, rect().width()), clientH = std::max(1, rect().height());
    const double A = static_cast<double>(clientW) / clientH;
    const double fovy0 = 2.0 * std::atan(height / (2.0 * focalLength)) * kRadToDeg;
    const double t = std::tan(fovy0 * 0.5 * kDegToRad);
    const float Y = static_cast<float>(kPlaneDepth * t);
    const float X = static_cast<float>(a) * Y;
    const double fovy = 2.0 * std::atan((a * height / A) / (2.0 * focalLength)) * kRadToDeg;
    m_camera->setProjectionMatrixAsPerspective(fovy, A, static_cast<double>(0.1f), kPlaneDepth + 100.0);
    m_camera->setViewMatrixAsLookAt({0.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, {0.0, 1.0, 0.0});

    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back({-X, -Y, kPlaneDepth});
    vertices->push_back({X, -Y, kPlaneDepth});
    vertices->push_back({X, Y, kPlaneDepth});
    vertices->push_back({-X, Y, kPlaneDepth});

    if (!m_backgroundImage)
        m_backgroundImage = new osg::Image;
    m_backgroundImage->setImage(width, height, 1, GL_RGB, GL_BGR, GL_UNSIGNED_BYTE, buffer, osg::Image::NO_DELETE, 1);
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(m_backgroundImage.get());
    texture->setResizeNonPowerOfTwoHint(false);

    const osg::Vec2 plainTex[4] = {{1, 0}, {0, 0}, {0, 1}, {1, 1}};
    const osg::Vec2 mirroredTex[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    osg::ref_ptr<osg::Geometry> plain = backgroundGeometry(vertices, plainTex, texture);
    osg::ref_ptr<osg::Geometry> mirrored = backgroundGeometry(vertices, mirroredTex, texture);

    for (unsigned int i = m_root->getNumChildren(); i-- > 0;) {
        const std::string& name = m_root->getChild(i)->getName();
        if (name == "bufferPlane" || name == "bufferPlaneInverted" || name == "switchBufferPlane")
            m_root->removeChild(i);
    }
    m_bufferPlane = new osg::Geode;
    m_bufferPlane->setName("bufferPlane");
    m_bufferPlane->addDrawable(plain);
    m_bufferPlaneInverted = new osg::Geode;
    m_bufferPlaneInverted->setName("bufferPlaneInverted");
    m_bufferPlaneInverted->addDrawable(mirrored);
    m_backgroundSwitch = new osg::Switch;
    m_backgroundSwitch->setName("switchBufferPlane");
    m_backgroundSwitch->setNodeMask(0x10);
    m_backgroundSwitch->addChild(m_bufferPlane, !m_mirrored);
    m_backgroundSwitch->addChild(m_bufferPlaneInverted, m_mirrored);
    m_root->addChild(m_backgroundSwitch);
    return true;
}

void ViewerWidget::setMirrored(bool mirrored)
{
    m_mirrored = mirrored;
    m_tracker.SetFlipFlags(true, !mirrored);
    if (m_backgroundSwitch) {
        m_backgroundSwitch->setValue(0, !mirrored);
        m_backgroundSwitch->setValue(1, mirrored);
    }
}

bool ViewerWidget::setLogo(const QImage& image)
{
    m_logoGeode = new osg::Geode;
    m_logoProjection = new osg::Projection;
    m_logoTransform = new osg::MatrixTransform;
    m_logoTransform->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    m_logoProjection->addChild(m_logoTransform);
    m_logoTransform->addChild(m_logoGeode);
    m_logoProjection->setMatrix(osg::Matrix::ortho2D(0, width(), 0, height()));

    const QString file = QStringLiteral("%1/custom.png")
                             .arg(quorvane::localDataDirectory(QStringLiteral("QuorvaneTemp")).absolutePath());
    image.save(file);
    osg::ref_ptr<osg::Image> logo = osgDB::readImageFile(file.toStdString());
    const float w = logo ? static_cast<float>(logo->s()) : 0.0f;
    const float h = logo ? static_cast<float>(logo->t()) : 0.0f;
    m_logoTransform->setMatrix(osg::Matrix::translate(static_cast<float>(width()) - (w + 20.0f), 50.0f, 0.0f));

    osg::ref_ptr<osg::Geometry> quad =
        quorvane::makeQuad({{0.0f, 0.0f, -1.0f}, {w, 0.0f, -1.0f}, {w, h, -1.0f}, {0.0f, h, -1.0f}},
                           {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {1.0f, 1.0f, 1.0f, 1.0f});
    osg::ref_ptr<osg::Vec3Array> normal = new osg::Vec3Array;
    normal->push_back({0.0f, 0.0f, 1.0f});
    quad->setNormalArray(normal, osg::Array::BIND_OVERALL);
    m_logoGeode->addDrawable(quad);

    osg::ref_ptr<osg::StateSet> ss = new osg::StateSet;
    if (logo) {
        osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(logo.get());
        texture->setResizeNonPowerOfTwoHint(false);
        texture->setDataVariance(osg::Object::DYNAMIC);
        ss->setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);
    }
    // Drawn as the picture is: its transparent parts let the camera through, and the scene's light (which
    // shines on the content, not on this overlay) leaves its colours alone.
    ss->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), osg::StateAttribute::ON);
    ss->setMode(GL_DEPTH_TEST, osg::StateAttribute::OFF);
    ss->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    ss->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    ss->setRenderBinDetails(11, "RenderBin");
    ss->setRenderBinMode(osg::StateSet::USE_RENDERBIN_DETAILS);
    m_logoGeode->setStateSet(ss);

    // A second logo replaces the first rather than stacking on it.
    if (m_logoSwitch)
        m_root->removeChild(m_logoSwitch);
    m_logoSwitch = new osg::Switch;
    m_logoSwitch->addChild(m_logoProjection, true);
    m_root->addChild(m_logoSwitch);
    setLogoVisible(m_logoVisible);
    return true;
}

void ViewerWidget::setLogoVisible(bool visible)
{
    m_logoVisible = visible;
    if (m_logoSwitch)
        m_logoSwitch->setValue(0, visible);
}

void ViewerWidget::clearLogo()
{
    if (m_logoSwitch)
        m_root->removeChild(m_logoSwitch);
    m_logoSwitch = nullptr;
    m_logoGeode = nullptr;
    m_logoProjection = nullptr;
    m_logoTransform = nullptr;
}

void ViewerWidget::setPickingEnabled(bool enabled)
{
    osgViewer::View* view = getView(0);
    if (!view)
        return;
    auto& handlers = view->getEventHandlers();
    if (enabled) {
        if (!m_pickHandler)
            m_pickHandler = new PickHandler(this);
        if (std::find(handlers.begin(), handlers.end(), m_pickHandler) == handlers.end())
            view->addEventHandler(m_pickHandler);
    } else if (m_pickHandler) {
        view->removeEventHandler(m_pickHandler);
        m_pickHandler = nullptr;
    }
}

void ViewerWidget::trackAndPose()
{
    for (const auto& s : m_slots)
        s->draggerRoot()->setNodeMask(0);
    if (!m_backgroundImage)
        return;

    m_tracker.ProcessFrame(m_backgroundImage->data());
    const std::vector<trk::CMarkerMatrix> markers = m_tracker.GetMarkers();
    for (const trk::CMarkerMatrix& m : markers) {
        const trk::CMatrix3 R = m.rotation.ConjugateMatrix();
        MarkerContent* target = nullptr;
        for (const auto& s : m_slots)
            if (s->code() == static_cast<unsigned int>(m.code)) {
                target = s.get();
                break;
            }
        if (!target)
            continue;
        target->mtxTra()->setMatrix(osg::Matrix::translate(-m.translation[0], -m.translation[1], -m.translation[2]));
        const osg::Matrix M(R(0, 0), R(1, 0), R(2, 0), 0.0, //
                            R(0, 1), R(1, 1), R(2, 1), 0.0, //
                            R(0, 2), R(1, 2), R(2, 2), 0.0, //
                            0.0, 0.0, 0.0, 1.0);
        if (m_mirrored) {
            target->mtxRot()->setMatrix(M);
        } else {
            const double pi = 3.141592653589793;
            target->mtxRot()->setMatrix(osg::Matrix::rotate(pi, osg::Vec3(0, 0, 1)) *
                                        osg::Matrix::rotate(pi, osg::Vec3(1, 0, 0)) * M);
        }
        target->draggerRoot()->setNodeMask(0xFFFFFFFF);
        if (target->hasVideo())
            target->advanceVideo();
    }
    m_backgroundImage->dirty();
}

void ViewerWidget::paintEvent(QPaintEvent* /*event*/)
{
    // The GL child tracks the current picture and renders it in one go: Qt may compose OpenGL
    // children before it paints their parent, and a pose computed here would then be drawn
    // over the next picture.
    if (m_glWidget)
        m_glWidget->update();
}

void ViewerWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = event->size().width(), h = event->size().height();
    if (m_logoProjection)
        m_logoProjection->setMatrix(osg::Matrix::ortho2D(0, w, 0, h));
    if (m_logoTransform)
        m_logoTransform->setMatrix(osg::Matrix::translate(w - 276.0, 20.0, 0.0));
    if (m_glWidget)
        m_glWidget->update();
    update();
}

QImage ViewerWidget::grabFrame()
{
    // Grabbing paints the GL child: it tracks the current picture and renders it.
    return m_glWidget ? m_glWidget->grabFramebuffer() : QImage();
}

void ViewerWidget::renderNow()
{
    if (!m_glWidget)
        return;
    m_glWidget->makeCurrent();
    m_glWidget->graphicsWindow()->setDefaultFboId(m_glWidget->defaultFramebufferObject());
    m_glWidget->resetGLState();
    trackAndPose();
    frame();
    m_glWidget->doneCurrent();
}

bool ViewerWidget::setMarkerContent(int n, const QString& file)
{
    MarkerContent* s = slot(n);
    return s && s->setContent(file);
}

void ViewerWidget::resetMarker(int n)
{
    if (!slot(n))
        return;
    auto& entry = m_slots[static_cast<size_t>(n)];
    m_root->removeChild(entry->draggerRoot());
    const unsigned int code = entry->code();
    entry = std::make_unique<MarkerContent>(code, m_markerSize);
    m_root->addChild(entry->draggerRoot());
}

void ViewerWidget::resetAllMarkers()
{
    for (const auto& s : m_slots)
        m_root->removeChild(s->draggerRoot());
    m_slots.clear(); // frees the slots with their video captures and buffers
    for (unsigned int code : m_markerCodes)
        addSlot(code);
}

void ViewerWidget::setMarkerScale(int n, float factor)
{
    if (MarkerContent* s = slot(n))
        s->setScale(factor, factor, factor);
}

void ViewerWidget::setMarkerRotation(int n, float ax, float ay, float az)
{
    if (MarkerContent* s = slot(n))
        s->setRotation(ax, ay, az);
}

void ViewerWidget::translateMarkerContent(int n, float dx, float dy, float dz)
{
    if (MarkerContent* s = slot(n))
        s->translate(dx, dy, dz);
}

std::vector<Label3d*> ViewerWidget::markerLabels(int n) const
{
    const MarkerContent* s = slot(n);
    return s ? s->labels() : std::vector<Label3d*>{};
}

Label3d* ViewerWidget::addMarkerLabel(int n, const std::string& utf8, const osg::Vec4& fontColor,
                                      const osg::Vec4& backgroundColor, const osg::Vec3& point, float distance,
                                      float angle, float size)
{
    MarkerContent* s = slot(n);
    if (!s)
        return nullptr;
    // Scenes store anchors in the content's own units: taking them through the marker's last pose
    // or the user's transforms would put the label somewhere else.
    Label3d* label = s->addLabelAtAnchor(utf8, fontColor, backgroundColor, point, 50.0f, 0.0f, 12.0f);
    label->setDistance(distance);
    label->setAngle(angle);
    label->setSize(size);
    return label;
}

bool ViewerWidget::editLabel(Label3d* label)
{
    MarkerContent* owner = label->owner();
    {
        Label3dPropertyDlg dialog(label, parentWidget());
        dialog.exec();
        dialog.raise();
        dialog.activateWindow();
    }
    const QString text = QString::fromUtf8(label->textUtf8().c_str());
    if (!text.trimmed().isEmpty())
        return true;
    owner->removeLabel(label);
    update();
    return false;
}

bool ViewerWidget::editLabelById(unsigned int id)
{
    for (const auto& s : m_slots)
        if (Label3d* label = s->findLabel(id))
            return editLabel(label);
    return false;
}

void ViewerWidget::addLabelAndEdit(int n, const osg::Vec3d& worldPoint)
{
    MarkerContent* s = slot(n);
    if (!s)
        return;
    Label3d* label = s->addLabel(tr("Escribe aquí...").toUtf8().toStdString(), osg::Vec4(0, 0, 0, 1),
                                 osg::Vec4(1, 1, 1, 1), worldPoint, 50.0f, 0.0f, 12.0f);
    update();
    editLabel(label);
}

int ViewerWidget::slotOfDraggerRoot(const osg::Node* node) const
{
    for (size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i]->draggerRoot() == node)
            return static_cast<int>(i);
    return -1;
}

} // namespace quorvane
