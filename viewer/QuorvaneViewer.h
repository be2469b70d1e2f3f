// The main window of Quorvane Viewer: the AR view and nothing else.
#pragma once

#include <QMainWindow>

#include <opencv2/core.hpp>

#include <memory>

class QSettings;
class QTimer;

namespace quorvane {
class ViewerWidget;
}
namespace Vandrel {
class VideoCaptureOCV;
}
namespace Ui {
class QuorvaneViewerClass;
}

class QuorvaneViewer : public QMainWindow
{
    Q_OBJECT
public:
    enum TrackingMode { None = 0, Video = 1 };

    explicit QuorvaneViewer(QWidget* parent = nullptr);
    ~QuorvaneViewer() override;

    TrackingMode trackingMode() const { return m_trackingMode; }
    int cameraIndex() const { return cameraIndex_; }
    quorvane::ViewerWidget* viewWidget() const { return view; }
    bool hasVideoSource() const { return videoSource != nullptr; }
    QTimer* timer() const { return frameTimer; }
    float focal() const { return focalLength; }

public slots:
    void goFullscreen();
    void stopVideoTracking();
    bool startVideoTracking();
    void newFrame();
    void camaraSeleccionarSLOT();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void selectCameraDevice();

    Ui::QuorvaneViewerClass* ui;
    std::unique_ptr<QSettings> machineSettings;
    quorvane::ViewerWidget* view = nullptr;
    std::unique_ptr<Vandrel::VideoCaptureOCV> videoSource;
    int cameraIndex_ = 0;
    std::unique_ptr<unsigned char[]> frameBuffer;
    cv::Mat frameImage;
    int frameWidth = 0;
    int frameHeight = 0;
    TrackingMode m_trackingMode = None;
    float focalLength = 700.0f;
    QTimer* frameTimer = nullptr;
    bool firstShowDone = false;
};
