// The model library of the main window: the list, its scan, and the import, delete and folder commands.
#include "Quorvane.h"

#include "ui_Quorvane.h"

#include "ImportBatch.h"
#include "LibraryScanner.h"
#include "MessageBoxImportReporter.h"
#include "ModelImporter.h"
#include "OnlineHooks.h"
#include "OverrideCursor.h"
#include "bibliotecaDlg.h"
#include "myListView.h"
#include "myListWidget.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardItem>
#include <QTimer>

void Quorvane::setupLibraryList()
{
    libraryList = new myListWidget(ui->groupBox_2);
    myListView* list = libraryList->listView();
    list->setUniformItemSizes(true);
    list->setFrameShape(QFrame::StyledPanel);
    list->setFrameShadow(QFrame::Sunken);
    list->setResizeMode(QListView::Adjust);
    list->setIconSize(QSize(25, 25));
    list->setMovement(QListView::Static);
    list->setViewMode(QListView::ListMode);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    replacePlaceholder(ui->verticalLayout_listWidget, libraryList);

    libraryScanner = new quorvane::LibraryScanner(this);
    connect(libraryScanner, &quorvane::LibraryScanner::entriesFound, this,
            [this](const QList<quorvane::LibraryEntry>& entries) {
                for (const quorvane::LibraryEntry& e : entries)
                    libraryList->listView()->addItem(quorvane::libraryItem(e));
            });
    connect(libraryScanner, &quorvane::LibraryScanner::finished, this, [this] { update(); });
}

void Quorvane::rescanLibrary()
{
    libraryList->listView()->clear();
    libraryScanner->start(quorvane::libraryDirectories(scanDirs, importDir));
}

void Quorvane::setLibraryDirectories(const QStringList& scanDirectories, const QString& importDirectory)
{
    scanDirs = scanDirectories;
    importDir = importDirectory;
    rescanLibrary();
}

bool Quorvane::libraryScanRunning() const
{
    return libraryScanner->isRunning();
}

void Quorvane::importarModelo()
{
    QStringList files;
    paused([&] {
        files = QFileDialog::getOpenFileNames(
            this, tr("Seleccione el modelo a importar"), QString(),
            tr("Todo (*.3ds *.fbx *.obj *.dae *.bmp *.jpg *.jpeg *.png *.mpg *.avi *.mp4);;Modelos 3D soportados "
               "(*.3ds *.fbx *.obj *.dae);;Imágenes (*.bmp *.jpg *.jpeg *.png);;Vídeo (*.mpg *.avi *.mp4)"));
        if (!files.isEmpty())
            importChosenFiles(files);
    });
}

void Quorvane::importChosenFiles(const QStringList& files)
{
    paused([&] {
        const quorvane::OverrideCursor wait(Qt::WaitCursor);
        quorvane::MessageBoxImportReporter reporter;
        quorvane::ModelImporter importer(&reporter);
        const quorvane::ImportBatchOutcome outcome = quorvane::importFiles(this, files, importDir, importer);
        if (outcome.end == quorvane::ImportBatchEnd::Completed)
            quorvane::onlineHooks().sendUsagePage(files.size() == 1 ? QStringLiteral("importarModelo")
                                                                    : QStringLiteral("importarMultiplesModelos"));
        rescanLibrary();
    });
}

void Quorvane::eliminarModelo()
{
    bool deleted = false;
    for (QStandardItem* item : libraryList->selectedItems()) {
        const QString modelFile = quorvane::libraryEntry(item).modelFile;
        if (modelFile.isEmpty() || !QFileInfo::exists(modelFile))
            continue;
        QMessageBox::StandardButton answer = QMessageBox::No;
        paused([&] {
            answer = QMessageBox::warning(
                this, tr("Precaución"),
                tr("El modelo elegido se eliminará de la biblioteca y del disco duro. ¿Desea continuar?"),
                QMessageBox::Yes | QMessageBox::No);
        });
        if (answer != QMessageBox::Yes)
            continue;
        if (!QFile::remove(modelFile)) {
            paused([&] {
                QMessageBox::warning(this, tr("Error"),
                                     tr("No se pudo eliminar %1.\nCompruebe que el fichero no está siendo usado y "
                                        "que tiene permisos de borrado.")
                                         .arg(modelFile));
            });
        } else {
            deleted = true;
        }
    }
    if (deleted)
        rescanLibrary();
}

void Quorvane::bibliotecaDeModelos()
{
    paused([&] {
        bibliotecaDlg dialog(this);
        dialog.setData(scanDirs, importDir);
        if (dialog.exec() == QDialog::Accepted) {
            QStringList dirs;
            QString import;
            dialog.getData(&dirs, &import);
            setLibraryDirectories(dirs, import);
        }
    });
}
