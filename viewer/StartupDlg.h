// The start-up dialog of Quorvane Viewer: a small splash window that greets the user while the main window
// opens the scene and the camera, and offers to print the scene's markers, to choose another camera, and
// to start. "Mostrar al inicio" decides whether it greets the user at the next start; F1 in the main window
// brings it back.
#pragma once

#include <QWidget>

class QuorvaneViewer;

namespace Ui {
class StartupDlg;
}

class StartupDlg : public QWidget
{
    Q_OBJECT
public:
    explicit StartupDlg(QWidget* parent = nullptr);
    ~StartupDlg() override;

    void setMainWindow(QuorvaneViewer* window) { mainWindow = window; }
    QuorvaneViewer* mainWindowOf() const { return mainWindow; }

    // Whether the dialog greets the user at start ("MostrarDialogoInicio", default true).
    static bool showOnStartup();

public slots:
    void mostrarAlInicio(bool mostrar);
    void enableUI();
    void onPrintMarkersClicked();
    void onSelectCameraClicked();

private:
    // Runs a command of the main window with the dialog hidden, so that what it opens is not behind it.
    void runOutOfTheWay(void (QuorvaneViewer::*command)());

    Ui::StartupDlg* ui;
    QuorvaneViewer* mainWindow = nullptr;
};
