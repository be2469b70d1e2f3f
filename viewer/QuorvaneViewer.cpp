#include "QuorvaneViewer.h"

#include "ui_QuorvaneViewer.h"

#include "ArchiveOpening.h"
#include "MarkerSheet.h"
#include "Messages.h"
#include "PlatformPaths.h"
#include "ProgramSetup.h"
#include "SceneLookup.h"
#include "StartupDlg.h"
#include "UsageEvents.h"
#include "VideoCaptureIM.h"
#include "VideoCaptureOCV.h"
#include "ViewSceneTarget.h"
#include "ViewerWidget.h"
#include "selectionDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kFramePeriodMs = 33;

// The one local viewer archive that a drag carries, or an empty string.
QString droppedArchive(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().first();
    if (!url.isLocalFile() || !quorvane::isViewerArchiveName(url.toLocalFile()))
        return QString();
    return url.toLocalFile();
}

// Shows the wait cursor for as long as it lives.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

QuorvaneViewer::QuorvaneViewer(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::QuorvaneViewerClass), m_arguments(arguments)
{
    ui->setupUi(this);
    addAction(ui->actionPantalla_completa);
    addAction(ui->actionShowStartupDialog);
    setAcceptDrops(true);

    machineSettings = quorvane::machineSettings();
    focalLength = machineSettings->value(QStringLiteral("f"), 700.0f).toFloat();

    frameTimer = new QTimer(this);
    connect(ui->actionPantalla_completa, &QAction::triggered, this, &QuorvaneViewer::goFullscreen);
    connect(frameTimer, &QTimer::timeout, this, &QuorvaneViewer::newFrame);
    connect(ui->actionShowStartupDialog, &QAction::triggered, this, &QuorvaneViewer::showStartupDialog);

    // The viewer has no mirror setting: its view stays in the mirrored convention that
    // setupBackground gives the tracker, like a mirror in front of the user.
    view = new quorvane::ViewerWidget(false, true, this);
    // Someone else's scene is for looking at: no label editing on double-click.
    view->setPickingEnabled(false);
    ui->mainLayout->addWidget(view);
    // The form's placeholder only keeps the window's minimum size in the designer.
    ui->widget->hide();

    quorvane::sendUsagePage(QStringLiteral("start"));
}

QuorvaneViewer::~QuorvaneViewer()
{
    quorvane::sendUsagePage(QStringLiteral("finish"));
    frameTimer->stop();
    videoSource.reset();
    quorvane::emptyDirectory(quorvane::viewerTempDirectory());
    machineSettings->setValue(QStringLiteral("f"), focalLength);
    delete view;
    view = nullptr;
    delete ui;
}

void QuorvaneViewer::setStartupDialog(StartupDlg* dialog)
{
    startupDialog = dialog;
}

StartupDlg* QuorvaneViewer::startupDialogOf() const
{
    return startupDialog;
}

QString QuorvaneViewer::markerSheetPath()
{
    return QStringLiteral("%1/markers.pdf").arg(quorvane::viewerTempDirectory().canonicalPath());
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

void QuorvaneViewer::cargarEscenaExportadaSLOT(QString filenameQVX)
{
    // Files that are no archive, or cannot be read, leave the current scene alone.
    if (!quorvane::isViewerArchiveName(filenameQVX)) {
        warn(quorvane::openingProblems(filenameQVX, {}));
        return;
    }
    if (QFile file(filenameQVX); !file.open(QIODevice::ReadOnly)) {
        quorvane::ViewerSceneOpening unreadable;
        unreadable.status = quorvane::ViewerOpenStatus::CannotOpen;
        warn(quorvane::openingProblems(filenameQVX, unreadable));
        return;
    }

    const bool wasRunning = frameTimer->isActive();
    frameTimer->stop();
    quorvane::ViewerSceneOpening opening;
    {
        const WaitCursor wait;
        // The new scene replaces the one before, content, labels and logo.
        usedMarkers.clear();
        logo = QImage();
        view->resetAllMarkers();
        view->clearLogo();
        quorvane::ViewSceneTarget target(*view);
        opening = quorvane::openViewerScene(filenameQVX, target);
        if (opening.status == quorvane::ViewerOpenStatus::Opened) {
            usedMarkers = opening.usedMarkers;
            if (!opening.logo.isNull()) {
                logo = opening.logo;
                view->setLogo(logo);
            }
            setWindowTitle(tr("Quorvane Viewer"));
            view->setLogoVisible(true);
        }
    }
    view->update();
    const QString problems = quorvane::openingProblems(filenameQVX, opening);
    if (!problems.isEmpty())
        warn(problems);
    if (wasRunning)
        frameTimer->start(kFramePeriodMs);
}

void QuorvaneViewer::printSceneMarkersSLOT()
{
    const QString path = markerSheetPath();
    bool written = false;
    {
        const WaitCursor wait;
        written = quorvane::writeMarkerSheet(path, usedMarkers);
    }
    if (!written) {
        warn(tr("No se pudo escribir la hoja de marcas %1").arg(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        warn(tr("No se encontró ningún programa para abrir la hoja de marcas %1").arg(path));
}

void QuorvaneViewer::showStartupDialog()
{
    if (!startupDialog) {
        ownStartupDialog = std::make_unique<StartupDlg>();
        startupDialog = ownStartupDialog.get();
    }
    startupDialog->enableUI();
    startupDialog->setMainWindow(this);
    startupDialog->show();
    startupDialog->raise();
    startupDialog->activateWindow();
}

void QuorvaneViewer::warn(const QString& text)
{
    QWidget* parent = startupDialog && startupDialog->isVisible() ? static_cast<QWidget*>(startupDialog) : this;
    QMessageBox::warning(parent, QCoreApplication::translate("Quorvane", quorvane::messages::kErrorTitle), text,
                         QMessageBox::Ok);
}

void QuorvaneViewer::openStartScene()
{
    const quorvane::SceneChoice choice = quorvane::findStartScene(m_arguments, quorvane::defaultScenePath());
    if (!choice.warning.isEmpty())
        warn(choice.warning);
    quorvane::sendUsagePage(choice.usagePage);
    if (!choice.scene.isEmpty())
        cargarEscenaExportadaSLOT(choice.scene);
}

void QuorvaneViewer::startCameraAtFirstShow()
{
    if (startVideoTracking())
        m_trackingMode = Video;
    if (videoSource) {
        frameTimer->stop();
        view->setupBackground(frameBuffer.get(), frameWidth, frameHeight, focalLength);
        frameTimer->start(kFramePeriodMs);
    }
}

void QuorvaneViewer::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (firstShowDone)
        return;
    firstShowDone = true;
    // Once the window is on screen: the scene, then camera 0 with the view set up on its frames.
    QTimer::singleShot(0, this, [this] {
        openStartScene();
        startCameraAtFirstShow();
        emit startupFinished();
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

void QuorvaneViewer::closeEvent(QCloseEvent* event)
{
    if (startupDialog)
        startupDialog->close();
    QMainWindow::closeEvent(event);
}

void QuorvaneViewer::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedArchive(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void QuorvaneViewer::dropEvent(QDropEvent* event)
{
    const QString archive = droppedArchive(event->mimeData());
    if (archive.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is finished, so that the program the file came from is not kept waiting.
    QTimer::singleShot(0, this, [this, archive] { cargarEscenaExportadaSLOT(archive); });
}
