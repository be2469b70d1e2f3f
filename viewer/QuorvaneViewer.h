// The main window of Quorvane Viewer: the AR view and nothing else. At its first show it opens the scene
// (the archive named on the command line, or the default scene) and starts camera 0; F1 brings back the
// start-up dialog, Alt+Return switches full screen, and a viewer archive dropped on it replaces the scene.
#pragma once

#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <opencv2/core.hpp>

#include <memory>

class QSettings;
class QTimer;
class StartupDlg;

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

    // `arguments`: the program's arguments after its own name; the first names the scene.
    explicit QuorvaneViewer(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~QuorvaneViewer() override;

    // The start-up dialog the entry created (not owned), or none.
    void setStartupDialog(StartupDlg* dialog);
    StartupDlg* startupDialogOf() const;

    TrackingMode trackingMode() const { return m_trackingMode; }
    int cameraIndex() const { return cameraIndex_; }
    quorvane::ViewerWidget* viewWidget() const { return view; }
    bool hasVideoSource() const { return videoSource != nullptr; }
    QTimer* timer() const { return frameTimer; }
    float focal() const { return focalLength; }
    const QList<int>& sceneMarkers() const { return usedMarkers; }
    const QImage& sceneLogo() const { return logo; }
    // Where the marker sheet is written: "markers.pdf" in the viewer's temporary folder.
    static QString markerSheetPath();

public slots:
    void goFullscreen();
    void stopVideoTracking();
    bool startVideoTracking();
    void newFrame();
    void cargarEscenaExportadaSLOT(QString filenameQVX);
    void camaraSeleccionarSLOT();
    void printSceneMarkersSLOT();
    void showStartupDialog();

signals:
    // The first show's work is done: the scene is open and the camera started (or said why not).
    void startupFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void selectCameraDevice();
    void openStartScene();
    void startCameraAtFirstShow();
    // A warning titled "Error", above the start-up dialog while that is up.
    void warn(const QString& text);

    Ui::QuorvaneViewerClass* ui;
    QStringList m_arguments;
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

    QPointer<StartupDlg> startupDialog;
    std::unique_ptr<StartupDlg> ownStartupDialog; // the one F1 made when the entry made none
    QList<int> usedMarkers;
    QImage logo;
};
