// A small modal chooser: one combo box of options (both programs choose their camera with it).
#pragma once

#include <QDialog>
#include <QStringList>

namespace Ui {
class selectionDialog;
}

namespace quorvane {

class selectionDialog : public QDialog
{
    Q_OBJECT
public:
    explicit selectionDialog(QWidget* parent = nullptr);
    ~selectionDialog() override;

    // Replaces the options with these, in order.
    void setList(const QStringList& items);
    // Index of the current option; -1 when there is none.
    int currentIndex() const;

private:
    Ui::selectionDialog* ui;
};

} // namespace quorvane
