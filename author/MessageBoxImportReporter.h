// The reporter of the window's import: a warning box over the active window (or, when the program is
// not the active application, over its first window on screen). With no widget application or no window
// on screen (a batch run), messages go to standard error instead of a box nobody can answer.
#pragma once

#include "ImportReporter.h"

#include <QApplication>
#include <QMessageBox>

namespace quorvane {

class MessageBoxImportReporter : public ImportReporter
{
public:
    void warning(const QString& title, const QString& text) override { show(title, text); }
    void error(const QString& title, const QString& text) override { show(title, text); }

private:
    void show(const QString& title, const QString& text)
    {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            StderrImportReporter().warning(title, text);
            return;
        }
        QWidget* window = QApplication::activeWindow();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!window && top->isVisible() && top->isWindow() && !top->windowFlags().testFlag(Qt::ToolTip))
                window = top;
        }
        if (!window) {
            StderrImportReporter().warning(title, text);
            return;
        }
        QMessageBox::warning(window, title, text);
    }
};

} // namespace quorvane
