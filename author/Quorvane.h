// The main window of Quorvane Author.
#pragma once

#include <QMainWindow>
#include <QStringList>

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
class QuorvaneClass;
}

class Quorvane : public QMainWindow
{
    Q_OBJECT
public:
    enum TrackingMode { None = 0, Video = 1, Photo = 2 };

    explicit Quorvane(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~Quorvane() override;

    // Read access for the program's tests.
    TrackingMode trackingMode() const { return m_trackingMode; }
    int cameraIndex() const { return cameraIndex_; }
    quorvane::ViewerWidget* viewWidget() const { return view; }
    const unsigned char* frameBufferData() const { return frameBuffer.get(); }
    int frameWidthPx() const { return frameWidth; }
    int frameHeightPx() const { return frameHeight; }
    bool hasVideoSource() const { return videoSource != nullptr; }
    const Vandrel::VideoCaptureOCV* videoSourcePtr() const { return videoSource.get(); }
    QTimer* timer() const { return frameTimer; }
    Ui::QuorvaneClass* form() const { return ui; }
    float focal() const { return focalLength; }

    // Shows a still photograph from a file, as choosing it in the photo dialog does. False when
    // the file is missing or not a picture; nothing changes then.
    bool showPhoto(const QString& file);

signals:
    void NuevaVersionDisponible();

public slots:
    void updateDistanciaFocal(int value);
    void photoTrackingButtonClicked();
    void videoTrackingButtonClicked();
    void InvertirCamaraToggle(bool checked);
    void camaraSeleccionarSLOT();
    void newFrame();
    void ocultarPaneles(bool hide);
    void goFullscreen();
    void salirAplicacion();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void selectCameraDevice(bool forceDialog);
    bool initCamera();
    void setupViewBackground(unsigned char* pixels, int width, int height);
    void replacePlaceholder(class QLayout* layout, QWidget* widget);
    // Runs work with the frame loop paused; when the loop was not running, redraws once 100 ms
    // later if redrawLater (a still picture at a new size).
    template <typename Work>
    void paused(Work work, bool redrawLater);

    Ui::QuorvaneClass* ui;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<QSettings> machineSettings;
    quorvane::ViewerWidget* view = nullptr;
    std::unique_ptr<Vandrel::VideoCaptureOCV> videoSource;
    int cameraIndex_ = -1;
    std::unique_ptr<unsigned char[]> frameBuffer;
    int frameWidth = 0;
    int frameHeight = 0;
    cv::Mat photoImage;
    TrackingMode m_trackingMode = None;
    float focalLength = 500.0f;
    QTimer* frameTimer = nullptr;
    int lastViewWidth = 0;
    int lastViewHeight = 0;
};
