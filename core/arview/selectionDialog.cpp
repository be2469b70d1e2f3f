#include "selectionDialog.h"

#include "ui_selectionDialog.h"

namespace quorvane {

selectionDialog::selectionDialog(QWidget* parent) : QDialog(parent), ui(new Ui::selectionDialog)
{
    ui->setupUi(this);
}

selectionDialog::~selectionDialog()
{
    delete ui;
}

void selectionDialog::setList(const QStringList& items)
{
    ui->comboBox->clear();
    ui->comboBox->addItems(items);
}

int selectionDialog::currentIndex() const
{
    return ui->comboBox->currentIndex();
}

} // namespace quorvane
