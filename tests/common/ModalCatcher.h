// Answers the modal dialogs a test provokes: it waits for each one to come up, notes its text,
// and presses a button, so tests can drive commands that ask or warn as users see them.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

class ModalCatcher : public QObject
{
public:
    // accept: OK / the dialog's accept; otherwise the dialog is rejected.
    explicit ModalCatcher(bool accept = true) : m_accept(accept)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    // Called with each dialog before it is answered (to fill it in as a user would).
    std::function<void(QDialog*)> onDialog;

    QStringList texts;  // message box texts, in order
    QStringList titles; // window titles of every dialog answered
    int dialogs = 0;

private:
    void poll()
    {
        QWidget* w = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(w);
        if (!dialog || dialog == m_last)
            return;
        m_last = dialog;
        ++dialogs;
        titles << dialog->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            texts << box->text();
        if (onDialog)
            onDialog(dialog);
        if (m_accept)
            dialog->accept();
        else
            dialog->reject();
    }

    bool m_accept;
    QTimer m_timer;
    QPointer<QDialog> m_last;
};
