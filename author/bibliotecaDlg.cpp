#include "bibliotecaDlg.h"

#include "ui_bibliotecaDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

bibliotecaDlg::bibliotecaDlg(QWidget* parent) : QDialog(parent), ui(new Ui::bibliotecaDlg)
{
    ui->setupUi(this);
    connect(ui->btn_addDir, &QPushButton::clicked, this, &bibliotecaDlg::addDir);
    connect(ui->btn_removeDir, &QPushButton::clicked, this, &bibliotecaDlg::removeSelectedDirs);
    connect(ui->btn_importDir, &QToolButton::clicked, this, &bibliotecaDlg::selectImportDir);
    connect(ui->btn_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btn_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bibliotecaDlg::~bibliotecaDlg()
{
    delete ui;
}

bool bibliotecaDlg::inTree(const QString& path, Qt::MatchFlags flags) const
{
    return !ui->treeWidget->findItems(path, flags, 0).isEmpty();
}

void bibliotecaDlg::addItem(const QString& path)
{
    ui->treeWidget->addTopLevelItem(new QTreeWidgetItem(QStringList{path}));
}

void bibliotecaDlg::setData(const QStringList& scanDirs, const QString& importDir)
{
    ui->treeWidget->clear();
    for (const QString& dir : scanDirs) {
        const QFileInfo info(dir);
        if (!dir.isEmpty() && info.isDir() &&
            !inTree(info.absoluteFilePath(), Qt::MatchFixedString | Qt::MatchCaseSensitive))
            addItem(info.absoluteFilePath());
    }
    ui->lineEdit_importDir->setText(importDir);
}

void bibliotecaDlg::getData(QStringList* scanDirs, QString* importDir) const
{
    *importDir = ui->lineEdit_importDir->text();
    scanDirs->clear();
    for (int i = 0; i < ui->treeWidget->topLevelItemCount(); ++i)
        scanDirs->append(ui->treeWidget->topLevelItem(i)->text(0));
}

void bibliotecaDlg::addDir()
{
    addDirectory(QFileDialog::getExistingDirectory(this, tr("Seleccionar directorio")));
}

bool bibliotecaDlg::addDirectory(const QString& dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    const QString path = QFileInfo(dir).absoluteFilePath();
    // Letter case is ignored, as the library has always compared its folders.
    if (inTree(path, Qt::MatchFixedString)) {
        QMessageBox::warning(QApplication::activeWindow(), tr("Error"),
                             tr("El directorio elegido ya pertenece a la biblioteca."));
        return false;
    }
    addItem(path);
    return true;
}

void bibliotecaDlg::removeSelectedDirs()
{
    qDeleteAll(ui->treeWidget->selectedItems());
}

void bibliotecaDlg::selectImportDir()
{
    setImportDirectory(QFileDialog::getExistingDirectory(this, tr("Seleccionar directorio de importación de modelos")));
}

bool bibliotecaDlg::setImportDirectory(const QString& dir)
{
    if (dir.isEmpty())
        return false;
    // Imports will write here: try it now rather than fail at the first import.
    QFile probe(dir + QStringLiteral("/writeTest.txt"));
    if (!probe.open(QIODevice::WriteOnly)) {
        QMessageBox::warning(this, tr("Error"),
                             tr("No se pudo completar la prueba de escritura en el directorio de importación "
                                "elegido: %1 ")
                                 .arg(dir));
        return false;
    }
    probe.close();
    if (!probe.remove()) {
        QMessageBox::warning(this, tr("Error"),
                             tr("No se pudo completar la prueba de borrado en el directorio de importación "
                                "elegido: %1 ")
                                 .arg(dir));
        return false;
    }
    ui->lineEdit_importDir->setText(dir);
    return true;
}
