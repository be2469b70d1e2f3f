#include "Quorvane.h"

#include "ui_Quorvane.h"

#include "LibraryScanner.h"
#include "MarcaPushButton.h"
#include "OnlineHooks.h"
#include "PlatformPaths.h"
#include "ProgramSetup.h"
#include "VideoCaptureIM.h"
#include "VideoCaptureOCV.h"
#include "PictureFile.h"
#include "ViewerWidget.h"
#include "selectionDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QResizeEvent>
#include <QSettings>
#include <QTimer>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

void Quorvane::warn(const QString& text)
{
    QMessageBox::warning(QApplication::activeWindow(), tr("Error"), text, QMessageBox::Ok);
}

Quorvane::Quorvane(QWidget* parent, Qt::WindowFlags flags, const QStringList& arguments)
    : QMainWindow(parent, flags), ui(new Ui::QuorvaneClass)
{
    ui->setupUi(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    ui->spinBox_distanciaFocal->hide();
    setWindowTitle(tr("Quorvane Author"));

    settings = std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("Quorvane"),
                                           QStringLiteral("Quorvane Author"));
    machineSettings = quorvane::machineSettings();

    // A first start imports into the user's documents and scans the models that come with the program.
    const QString documentsLibrary = quorvane::documentsDirectory() + QStringLiteral("/Mis modelos Quorvane");
    QDir().mkpath(documentsLibrary);
    const QString canonicalLibrary = QDir(documentsLibrary).canonicalPath();
    importDir =
        settings->value(QStringLiteral("importDir"), canonicalLibrary.isEmpty() ? documentsLibrary : canonicalLibrary)
            .toString();
    scanDirs =
        settings->value(QStringLiteral("scanDirs"), QStringList{quorvane::programDataPath(QStringLiteral("models"))})
            .toStringList();
    focalLength = machineSettings->value(QStringLiteral("f"), 500.0f).toFloat();
    ui->spinBox_distanciaFocal->setValue(static_cast<int>(focalLength));

    setupMarkerPanel();

    frameTimer = new QTimer(this);
    connect(frameTimer, &QTimer::timeout, this, &Quorvane::newFrame);
    connect(ui->btn_photocam, &QPushButton::clicked, this, &Quorvane::photoTrackingButtonClicked);
    connect(ui->btn_webcam, &QPushButton::clicked, this, &Quorvane::videoTrackingButtonClicked);
    connect(ui->actionCargar_escena, &QAction::triggered, this, &Quorvane::cargarEscena);
    connect(ui->actionGuardar_escena, &QAction::triggered, this, &Quorvane::guardarEscenaSLOT);
    connect(ui->actionExportar_escena, &QAction::triggered, this, &Quorvane::exportarEscena);
    connect(ui->actionExportar_para_movil, &QAction::triggered, this, &Quorvane::exportarEscenaMovil);
    connect(ui->actionBiblioteca_de_modelos, &QAction::triggered, this, &Quorvane::bibliotecaDeModelos);
    connect(ui->actionImportar_modelo, &QAction::triggered, this, &Quorvane::importarModelo);
    connect(ui->actionSalir, &QAction::triggered, this, &Quorvane::salirAplicacion);
    connect(ui->actionCamara_seleccionar, &QAction::triggered, this, &Quorvane::camaraSeleccionarSLOT);
    connect(ui->actionOcultar_paneles, &QAction::toggled, this, &Quorvane::ocultarPaneles);
    connect(ui->actionPantalla_completa, &QAction::triggered, this, &Quorvane::goFullscreen);
    connect(ui->actionEspanol, &QAction::triggered, this, &Quorvane::idiomaEspanol);
    connect(ui->actionIngles, &QAction::triggered, this, &Quorvane::idiomaIngles);
    connect(ui->actionChino, &QAction::triggered, this, &Quorvane::idiomaChino);
    connect(ui->actionEtiquetas, &QAction::triggered, this, &Quorvane::onMostrarEtiquetasInfoDlg);
    connect(ui->actionAcerca_de_Quorvane, &QAction::triggered, this, &Quorvane::about);
    connect(ui->actionManual_de_referencia, &QAction::triggered, this, &Quorvane::onManualDeReferencia);
    connect(ui->actionCompartir_escena, &QAction::triggered, this, &Quorvane::onCompartirEscena);
    connect(ui->pushButton_compartir, &QPushButton::clicked, ui->actionCompartir_escena, &QAction::trigger);
    connect(this, &Quorvane::NuevaVersionDisponible, this, &Quorvane::onNuevaVersionDisponible, Qt::QueuedConnection);
    connect(ui->btn_importarModelo, &QPushButton::clicked, this, &Quorvane::importarModelo);
    connect(ui->btn_eliminarModelo, &QPushButton::clicked, this, &Quorvane::eliminarModelo);
    connectMarkerPanel();
    holdCommandsWithoutDialogs();

    setupLibraryList();
    rescanLibrary();

    view = new quorvane::ViewerWidget(false, ui->actionInvertir->isChecked(), this);
    replacePlaceholder(ui->verticalLayout_frame3, view);

    if (arguments.size() > 1) {
        const QString scene = arguments.at(1);
        if (!QFileInfo::exists(scene))
            warn(tr("No se encontró el fichero indicado por linea de comandos: %1").arg(scene));
        else
            openSceneFile(scene);
    }

    quorvane::onlineHooks().startVersionCheck(this, [this] { emit NuevaVersionDisponible(); });
    quorvane::onlineHooks().sendUsagePage(QStringLiteral("start"));

    QApplication::restoreOverrideCursor();
}

Quorvane::~Quorvane()
{
    quorvane::onlineHooks().sendUsagePage(QStringLiteral("finish"));
    settings->setValue(QStringLiteral("scanDirs"), scanDirs);
    settings->setValue(QStringLiteral("importDir"), importDir);
    machineSettings->setValue(QStringLiteral("f"), focalLength);
    frameTimer->stop();
    delete libraryScanner;
    libraryScanner = nullptr;
    settings.reset();
    machineSettings.reset();
    videoSource.reset();
    delete view;
    view = nullptr;
    delete ui;
}

void Quorvane::holdCommandsWithoutDialogs()
{
    // Export, sharing, the about box and the labels information have no dialogs yet: their commands
    // are shown but cannot be chosen.
    for (QAction* a : {ui->actionExportar_escena, ui->actionExportar_para_movil, ui->actionCompartir_escena,
                       ui->actionAcerca_de_Quorvane, ui->actionEtiquetas})
        a->setEnabled(false);
    ui->menuExportar->setEnabled(false);
    ui->pushButton_compartir->setEnabled(false);
}

void Quorvane::replacePlaceholder(QLayout* layout, QWidget* widget)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    layout->addWidget(widget);
}

void Quorvane::paused(const std::function<void()>& work, bool redrawLater)
{
    const bool wasActive = frameTimer->isActive();
    if (wasActive)
        frameTimer->stop();
    work();
    if (wasActive)
        frameTimer->start(kFramePeriodMs);
    else if (redrawLater)
        QTimer::singleShot(100, this, &Quorvane::newFrame);
}

void Quorvane::setupViewBackground(unsigned char* pixels, int width, int height)
{
    view->setupBackground(pixels, width, height, focalLength);
    view->setMirrored(ui->actionInvertir->isChecked());
}

void Quorvane::newFrame()
{
    if (!view)
        return;
    const int w = view->frameGeometry().width(), h = view->frameGeometry().height();
    switch (m_trackingMode) {
    case Video:
        if (w != lastViewWidth || h != lastViewHeight) {
            lastViewWidth = w;
            lastViewHeight = h;
            frameBuffer = std::make_unique<unsigned char[]>(static_cast<size_t>(frameWidth) * frameHeight * 3);
            if (videoSource)
                setupViewBackground(frameBuffer.get(), frameWidth, frameHeight);
        }
        if (videoSource)
            videoSource->grabFrame(frameBuffer.get());
        view->update();
        break;
    case Photo:
        if (w != lastViewWidth || h != lastViewHeight) {
            lastViewWidth = w;
            lastViewHeight = h;
            frameBuffer.reset();
            if (photoImage.rows > 0)
                setupViewBackground(photoImage.data, photoImage.cols, photoImage.rows);
        }
        view->update();
        break;
    case None:
        view->update();
        break;
    }
}

void Quorvane::photoTrackingButtonClicked()
{
    const bool wasActive = frameTimer->isActive();
    frameTimer->stop();
    const QString file =
        QFileDialog::getOpenFileName(this, tr("Abrir imagen"), QStringLiteral("."), tr("Imágenes (*.png *.jpg *.bmp)"));
    // A cancelled or unreadable choice leaves everything as it was, the frame loop included; a file that
    // is no picture is said.
    QString problem;
    if (!showPhoto(file, &problem)) {
        if (!file.isEmpty())
            warn(problem);
        if (wasActive)
            frameTimer->start(kFramePeriodMs);
    }
}

bool Quorvane::showPhoto(const QString& file, QString* problem)
{
    cv::Mat image;
    // Bounded memory: the picture's size is checked before it is decoded.
    const Vandrel::PictureRead read =
        file.isEmpty() ? Vandrel::PictureRead::NotAPicture : Vandrel::readPictureFile(file.toStdString(), image);
    if (read != Vandrel::PictureRead::Ok) {
        if (problem)
            *problem = read == Vandrel::PictureRead::TooLarge
                           ? tr("La imagen %1 es demasiado grande (más de 8192 × 8192 píxeles).").arg(file)
                           : tr("El fichero %1 no es una imagen que se pueda abrir.").arg(file);
        return false;
    }
    if (m_trackingMode == Video)
        ui->btn_webcam->setChecked(false);
    m_trackingMode = Photo;
    cv::flip(image, photoImage, 0);
    frameTimer->stop();
    setupViewBackground(photoImage.data, photoImage.cols, photoImage.rows);
    view->update();
    frameTimer->start(kFramePeriodMs);
    return true;
}

void Quorvane::videoTrackingButtonClicked()
{
    if (m_trackingMode == Video) {
        m_trackingMode = None;
        return;
    }
    const int noted = cameraIndex_;
    if (cameraIndex_ < 0) {
        selectCameraDevice(false);
        if (cameraIndex_ < 0) {
            ui->btn_webcam->setChecked(false);
            return;
        }
    }
    if (cameraIndex_ != noted)
        videoSource.reset();
    if (initCamera())
        m_trackingMode = Video;
    else
        ui->btn_webcam->setChecked(false);
}

void Quorvane::selectCameraDevice(bool forceDialog)
{
    QStringList names;
    {
        Vandrel::VideoCaptureIM lister;
        lister.listDevices(names);
    }
    if (names.isEmpty()) {
        cameraIndex_ = -1;
        warn(tr("No se detectaron cámaras."));
        return;
    }
    if (names.size() == 1 && !forceDialog) {
        cameraIndex_ = 0;
        return;
    }
    quorvane::selectionDialog dialog(this);
    dialog.setList(names);
    if (dialog.exec() == QDialog::Accepted && dialog.currentIndex() >= 0)
        cameraIndex_ = dialog.currentIndex();
}

bool Quorvane::initCamera()
{
    if (!quorvane::startCamera(videoSource, cameraIndex_, frameBuffer, frameWidth, frameHeight))
        return false;
    if (view)
        setupViewBackground(frameBuffer.get(), frameWidth, frameHeight);
    frameTimer->start(kFramePeriodMs);
    return true;
}

void Quorvane::camaraSeleccionarSLOT()
{
    const int noted = cameraIndex_;
    selectCameraDevice(true);
    if (cameraIndex_ < 0)
        return;
    if (m_trackingMode == Video) {
        if (cameraIndex_ == noted)
            return;
        videoSource.reset();
        if (!initCamera()) {
            ui->btn_webcam->setChecked(false);
            m_trackingMode = None;
        }
    } else if (cameraIndex_ != noted) {
        videoSource.reset();
    }
}

void Quorvane::InvertirCamaraToggle(bool /*checked*/)
{
    if (!view)
        return;
    view->setMirrored(ui->actionInvertir->isChecked());
    view->update();
}

void Quorvane::updateDistanciaFocal(int value)
{
    focalLength = static_cast<float>(value);
    if (!view)
        return;
    if (m_trackingMode == Photo && photoImage.rows > 0)
        setupViewBackground(photoImage.data, photoImage.cols, photoImage.rows);
    else if (frameBuffer)
        setupViewBackground(frameBuffer.get(), frameWidth, frameHeight);
}

void Quorvane::ocultarPaneles(bool hide)
{
    paused(
        [&] {
            ui->frame1->setVisible(!hide);
            ui->frame2->setVisible(!hide);
        },
        true);
}

void Quorvane::goFullscreen()
{
    paused(
        [&] {
            if (isFullScreen())
                showNormal();
            else
                showFullScreen();
        },
        true);
}

void Quorvane::salirAplicacion()
{
    close();
}

void Quorvane::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !frameTimer->isActive())
        QTimer::singleShot(100, this, &Quorvane::newFrame);
}

void Quorvane::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (frameTimer && !frameTimer->isActive())
        QTimer::singleShot(100, this, &Quorvane::newFrame);
}
