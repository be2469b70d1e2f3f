// The reporter of the two programs: a warning box parented to the active window. Header-only so that
// the model library itself stays free of widgets. With no widget application or no window on screen
// (a batch run), messages go to standard error instead of a box nobody can answer.
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
        QWidget* window =
            qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::activeWindow() : nullptr;
        if (!window) {
            StderrImportReporter().warning(title, text);
            return;
        }
        QMessageBox::warning(window, title, text);
    }
};

} // namespace quorvane
