// Answers the modal dialogs a test provokes as a user would, from the ones that come up after it
// was made: each message box gets the next button
// of `answers` pressed (Ok, or its escape button, when the list has run out); other dialogs are
// handed to `onDialog` and then accepted or rejected. Texts and titles are noted in order.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

class DialogAnswers : public QObject
{
public:
    explicit DialogAnswers(QList<QMessageBox::StandardButton> buttons = {}, bool acceptOthers = true)
        : answers(std::move(buttons)), m_acceptOthers(acceptOthers)
    {
        // Every pass of the event loop: a dialog is answered at the first chance it gets.
        // Dialogs already up belong to someone else.
        m_seen << QPointer<QWidget>(QApplication::activeModalWidget());
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    QList<QMessageBox::StandardButton> answers;
    std::function<void(QDialog*)> onDialog;
    QStringList texts;
    QStringList titles;
    int dialogs = 0;

private:
    void poll()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        // Progress is shown, not asked: a progress dialog is left to the code under test.
        if (!dialog || seen(dialog) || !dialog->isVisible() || dialog->inherits("QProgressDialog"))
            return;
        m_seen << QPointer<QWidget>(dialog);
        ++dialogs;
        titles << dialog->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            texts << box->text();
            QAbstractButton* button = nullptr;
            if (!answers.isEmpty())
                button = box->button(answers.takeFirst());
            if (!button)
                button = box->button(QMessageBox::Ok);
            if (!button)
                button = box->escapeButton();
            if (button)
                button->click();
            else
                box->reject();
            return;
        }
        if (onDialog)
            onDialog(dialog);
        if (!dialog->isVisible())
            return;
        if (m_acceptOthers)
            dialog->accept();
        else
            dialog->reject();
    }

    bool m_acceptOthers;
    QTimer m_timer;
    // Guarded pointers: a new dialog may be made where an answered one was.
    bool seen(const QWidget* w) const
    {
        for (const QPointer<QWidget>& p : m_seen)
            if (p == w)
                return true;
        return false;
    }
    QList<QPointer<QWidget>> m_seen;
};
