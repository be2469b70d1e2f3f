#include "ViewerEntry.h"

#include "QuorvaneViewer.h"
#include "StartupDlg.h"

#include <QApplication>

#include <memory>

namespace quorvane {

int runViewer(const QStringList& arguments)
{
    // The dialog is drawn before the main window is built, so the user is greeted at once.
    std::unique_ptr<StartupDlg> dialog;
    if (StartupDlg::showOnStartup()) {
        dialog = std::make_unique<StartupDlg>();
        dialog->show();
        QCoreApplication::processEvents();
    }

    auto window = std::make_unique<QuorvaneViewer>(arguments);
    if (dialog) {
        window->setStartupDialog(dialog.get());
        dialog->setMainWindow(window.get());
        // Its buttons come once the scene is open and the camera runs.
        QObject::connect(window.get(), &QuorvaneViewer::startupFinished, dialog.get(), [d = dialog.get()] {
            d->enableUI();
            if (d->isVisible()) {
                d->raise();
                d->activateWindow();
            }
        });
    }
    window->show();
    if (dialog) {
        dialog->raise();
        dialog->activateWindow();
    }

    const int code = QApplication::exec();
    window.reset();
    dialog.reset();
    return code;
}

} // namespace quorvane
