#include "StartupDlg.h"

#include "ui_StartupDlg.h"

#include "ArialFont.h"
#include "QuorvaneViewer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

// The dialog's pictures are compiled into this library, which the linker would otherwise leave out.
static void initViewerResources()
{
    Q_INIT_RESOURCE(viewer);
}

namespace {

std::unique_ptr<QSettings> viewerSettings()
{
    return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("Quorvane"),
                                       QStringLiteral("Quorvane Viewer"));
}

const char kShowKey[] = "MostrarDialogoInicio";

} // namespace

StartupDlg::StartupDlg(QWidget* parent) : QWidget(parent), ui(new Ui::StartupDlg)
{
    initViewerResources();
    quorvane::registerArialFont();
    ui->setupUi(this);
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // The form closes the dialog ("Empezar", Esc); the rest goes to this class.
    connect(ui->checkBox_showOnStartup, &QCheckBox::toggled, this, &StartupDlg::mostrarAlInicio);
    connect(ui->pushButton_printMarkers, &QPushButton::clicked, this, &StartupDlg::onPrintMarkersClicked);
    connect(ui->pushButton_selectCamera, &QPushButton::clicked, this, &StartupDlg::onSelectCameraClicked);

    ui->checkBox_showOnStartup->hide();
    ui->label_f14Help->hide();
    ui->pushButton_continue->hide();

    const bool show = showOnStartup();
    {
        const QSignalBlocker quiet(ui->checkBox_showOnStartup); // reading is not a change
        ui->checkBox_showOnStartup->setChecked(show);
    }
    if (!show)
        hide();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QPoint centre = screen->geometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
}

StartupDlg::~StartupDlg()
{
    delete ui;
}

bool StartupDlg::showOnStartup()
{
    return viewerSettings()->value(QLatin1String(kShowKey), true).toBool();
}

void StartupDlg::mostrarAlInicio(bool mostrar)
{
    auto settings = viewerSettings();
    settings->setValue(QLatin1String(kShowKey), mostrar);
    settings->sync(); // the choice holds even if the program is stopped right after
}

void StartupDlg::enableUI()
{
    ui->checkBox_showOnStartup->show();
    ui->pushButton_continue->show();
    ui->label_f14Help->show();
    ui->label_loading->hide();
    repaint();
}

void StartupDlg::onPrintMarkersClicked()
{
    runOutOfTheWay(&QuorvaneViewer::printSceneMarkersSLOT);
}

void StartupDlg::onSelectCameraClicked()
{
    runOutOfTheWay(&QuorvaneViewer::camaraSeleccionarSLOT);
}

void StartupDlg::runOutOfTheWay(void (QuorvaneViewer::*command)())
{
    if (!mainWindow)
        return;
    hide();
    (mainWindow->*command)();
    show();
}
