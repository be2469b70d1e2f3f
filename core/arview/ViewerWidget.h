// The AR view of both programs: the camera picture as background and, over it, the content of
// every marker the tracker finds, posed on the printed marker.
#pragma once

#include "MarkerContent.h"
#include "MarkerDetect.h"

#include <QImage>
#include <QWidget>

#include <osg/Camera>
#include <osg/Geode>
#include <osg/Group>
#include <osg/Image>
#include <osg/MatrixTransform>
#include <osg/PositionAttitudeTransform>
#include <osg/Projection>
#include <osg/Switch>
#include <osgViewer/CompositeViewer>
#include <osgViewer/GraphicsWindow>

#include <memory>
#include <vector>

class QGridLayout;

namespace quorvane {

class Label3d;
class OsgGLWidget;
class PickHandler;

class ViewerWidget : public QWidget, public osgViewer::CompositeViewer
{
    Q_OBJECT
public:
    ViewerWidget(bool logoVisible, bool mirrored, QWidget* parent = nullptr,
                 osgViewer::ViewerBase::ThreadingModel threadingModel = osgViewer::ViewerBase::SingleThreaded);
    ~ViewerWidget() override;

    bool setupBackground(unsigned char* buffer, int width, int height, float focalLength);
    void setMirrored(bool mirrored);
    bool setLogo(const QImage& image);
    void setLogoVisible(bool visible);
    // Removes the logo overlay (a new scene brings its own logo, or none).
    void clearLogo();
    void setPickingEnabled(bool enabled);

    bool isMirrored() const { return m_mirrored; }
    bool isLogoVisible() const { return m_logoVisible; }
    float focalLength() const { return m_focalLength; }
    int frameWidth() const { return m_frameWidth; }
    int frameHeight() const { return m_frameHeight; }
    float markerSize() const { return m_markerSize; }

    const trk::CMarkerDetector& tracker() const { return m_tracker; }
    const std::vector<unsigned int>& markerCodes() const { return m_markerCodes; }
    int slotCount() const { return static_cast<int>(m_slots.size()); }
    MarkerContent* slot(int n) const;

    // Marker slot operations by marker number; each does nothing for a number outside the slots.
    bool setMarkerContent(int n, const QString& file);
    void resetMarker(int n);
    void resetAllMarkers();
    void setMarkerScale(int n, float factor);
    void setMarkerRotation(int n, float ax, float ay, float az);
    void translateMarkerContent(int n, float dx, float dy, float dz);
    std::vector<Label3d*> markerLabels(int n) const;
    // A label read from a scene: made at its anchor (content units), then given its distance, angle
    // and size.
    Label3d* addMarkerLabel(int n, const std::string& utf8, const osg::Vec4& fontColor,
                            const osg::Vec4& backgroundColor, const osg::Vec3& point, float distance, float angle,
                            float size);

    // Opens the label dialog; afterwards deletes the label when its text is blank (false).
    bool editLabel(Label3d* label);
    bool editLabelById(unsigned int id);
    // A new label at a world point of slot n's content, then its dialog (the pick handler's double-click).
    void addLabelAndEdit(int n, const osg::Vec3d& worldPoint);
    int slotOfDraggerRoot(const osg::Node* node) const;

    osg::Group* rootGroup() const { return m_root.get(); }
    osg::Camera* mainCamera() const { return m_camera.get(); }
    osg::PositionAttitudeTransform* pickMarker() const { return m_pickMarker.get(); }
    osg::MatrixTransform* logoTransform() const { return m_logoTransform.get(); }
    osg::Projection* logoProjection() const { return m_logoProjection.get(); }
    OsgGLWidget* glWidget() const { return m_glWidget; }
    PickHandler* pickHandler() const { return m_pickHandler.get(); }

    // Renders one frame now and returns it as the user sees it (for tests and snapshots).
    QImage grabFrame();
    // Tracks the current picture and renders it into the GL widget at once (for benchmarks).
    void renderNow();
    osg::Image* backgroundImage() const { return m_backgroundImage.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The construction, in the order it runs.
    void buildSceneRoot();
    osg::ref_ptr<osgViewer::GraphicsWindowEmbedded> buildGraphicsWindow();
    void buildCameraAndView(osgViewer::GraphicsWindowEmbedded* window);
    void buildGLWidget(osgViewer::GraphicsWindowEmbedded* window);
    void buildMarkerSlots();
    void buildPickMarker();

    void trackAndPose();
    void addSlot(unsigned int code);

    float m_focalLength = 0.0f;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    const float m_markerSize = 135.0f;
    trk::CMarkerDetector m_tracker;
    std::vector<unsigned int> m_markerCodes;
    std::vector<std::unique_ptr<MarkerContent>> m_slots;

    osg::ref_ptr<osg::Group> m_root;
    osg::ref_ptr<PickHandler> m_pickHandler;
    OsgGLWidget* m_glWidget = nullptr;
    QGridLayout* m_layout = nullptr;
    osg::ref_ptr<osg::PositionAttitudeTransform> m_pickMarker;
    osg::ref_ptr<osg::Camera> m_camera;
    osg::ref_ptr<osg::Image> m_backgroundImage;
    bool m_mirrored = false;
    osg::ref_ptr<osg::Switch> m_backgroundSwitch;
    osg::ref_ptr<osg::Geode> m_bufferPlane;
    osg::ref_ptr<osg::Geode> m_bufferPlaneInverted;
    osg::ref_ptr<osg::Switch> m_logoSwitch;
    osg::ref_ptr<osg::Geode> m_logoGeode;
    osg::ref_ptr<osg::Projection> m_logoProjection;
    osg::ref_ptr<osg::MatrixTransform> m_logoTransform;
    bool m_logoVisible = false;
};

} // namespace quorvane
