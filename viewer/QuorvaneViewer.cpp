#include "QuorvaneViewer.h"

#include "ui_QuorvaneViewer.h"

#include "PlatformPaths.h"
#include "ProgramSetup.h"
#include "VideoCaptureIM.h"
#include "VideoCaptureOCV.h"
#include "ViewerWidget.h"
#include "selectionDialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

namespace {
constexpr int kFramePeriodMs = 33;
}

QuorvaneViewer::QuorvaneViewer(QWidget* parent) : QMainWindow(parent), ui(new Ui::QuorvaneViewerClass)
{
    ui->setupUi(this);
    addAction(ui->actionPantalla_completa);
    addAction(ui->actionShowStartupDialog);

    machineSettings = quorvane::machineSettings();
    focalLength = machineSettings->value(QStringLiteral("f"), 700.0f).toFloat();

    frameTimer = new QTimer(this);
    connect(ui->actionPantalla_completa, &QAction::triggered, this, &QuorvaneViewer::goFullscreen);
    connect(frameTimer, &QTimer::timeout, this, &QuorvaneViewer::newFrame);

    // The viewer has no mirror setting: its view stays in the mirrored convention that
    // setupBackground gives the tracker, like a mirror in front of the user.
    view = new quorvane::ViewerWidget(false, true, this);
    ui->mainLayout->addWidget(view);
    // The form's placeholder only keeps the window's minimum size in the designer.
    ui->widget->hide();
}

QuorvaneViewer::~QuorvaneViewer()
{
    frameTimer->stop();
    videoSource.reset();
    machineSettings->setValue(QStringLiteral("f"), focalLength);
    delete view;
    view = nullptr;
    delete ui;
}

bool QuorvaneViewer::startVideoTracking()
{
    if (!quorvane::startCamera(videoSource, cameraIndex_, frameBuffer, frameWidth, frameHeight))
        return false;
    frameImage = cv::Mat(frameHeight, frameWidth, CV_8UC3, frameBuffer.get());
    if (view)
        view->setupBackground(frameBuffer.get(), frameWidth, frameHeight, focalLength);
    frameTimer->start(kFramePeriodMs);
    return true;
}

void QuorvaneViewer::stopVideoTracking()
{
    frameTimer->stop();
}

void QuorvaneViewer::newFrame()
{
    if (m_trackingMode == Video && videoSource) {
        videoSource->grabInto(frameImage);
        view->update();
    }
}

void QuorvaneViewer::goFullscreen()
{
    stopVideoTracking();
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
    startVideoTracking();
}

void QuorvaneViewer::selectCameraDevice()
{
    QStringList names;
    {
        Vandrel::VideoCaptureIM lister;
        lister.listDevices(names);
    }
    quorvane::selectionDialog dialog(this);
    dialog.setList(names);
    if (dialog.exec() == QDialog::Accepted && dialog.currentIndex() >= 0)
        cameraIndex_ = dialog.currentIndex();
}

void QuorvaneViewer::camaraSeleccionarSLOT()
{
    const int noted = cameraIndex_;
    selectCameraDevice();
    if (cameraIndex_ < 0 || cameraIndex_ == noted)
        return;
    if (m_trackingMode == Video) {
        stopVideoTracking();
        videoSource.reset();
        if (!startVideoTracking())
            m_trackingMode = None;
    } else {
        videoSource.reset();
    }
}

void QuorvaneViewer::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (firstShowDone)
        return;
    firstShowDone = true;
    // Once the window is on screen: start camera 0 and set the view up on its frames.
    QTimer::singleShot(0, this, [this] {
        if (startVideoTracking())
            m_trackingMode = Video;
        if (videoSource) {
            frameTimer->stop();
            view->setupBackground(frameBuffer.get(), frameWidth, frameHeight, focalLength);
            frameTimer->start(kFramePeriodMs);
        }
    });
}

void QuorvaneViewer::resizeEvent(QResizeEvent* event)
{
    if (videoSource) {
        frameTimer->stop();
        if (view)
            view->setupBackground(frameBuffer.get(), frameWidth, frameHeight, focalLength);
        frameTimer->start(kFramePeriodMs);
    }
    QMainWindow::resizeEvent(event);
}
