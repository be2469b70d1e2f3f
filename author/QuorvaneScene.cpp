// Scenes in the main window: saving and opening scene files, and the question when the window closes
// with content on the markers.
#include "Quorvane.h"

#include "ui_Quorvane.h"

#include "MarcaPushButton.h"
#include "Messages.h"
#include "OverrideCursor.h"
#include "Scene.h"
#include "ViewerWidget.h"
#include "WindowScene.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>

void Quorvane::guardarEscenaSLOT()
{
    guardarEscena();
}

bool Quorvane::guardarEscena()
{
    bool saved = false;
    paused([&] {
        QFileDialog dialog(this, tr("Guardar Escena"), QStringLiteral("./"), tr("Escenas (*.qvs2)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // A name typed without a suffix gets ".qvs2" (and the dialog asks before replacing that file):
        // a scene saved without it would be read back as the older format.
        dialog.setDefaultSuffix(QStringLiteral("qvs2"));
        const QString file = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                                 ? dialog.selectedFiles().constFirst()
                                 : QString();
        if (!file.isEmpty())
            saved = saveSceneFile(file);
    });
    return saved;
}

bool Quorvane::saveSceneFile(const QString& path)
{
    bool saved = false;
    paused([&] {
        {
            const quorvane::OverrideCursor wait(Qt::WaitCursor);
            saved = quorvane::writeSceneFile(quorvane::sceneFromWindow(*view, markerButtons_), path);
        }
        if (!saved)
            warn(QApplication::translate("Quorvane", quorvane::messages::kCannotOpenForWriting).arg(path));
    });
    return saved;
}

void Quorvane::cargarEscena()
{
    paused([&] {
        const QString file =
            QFileDialog::getOpenFileName(this, tr("Cargar Escena"), QStringLiteral("./"), tr("Escenas (*.qvs *.qvs2)"));
        if (!file.isEmpty())
            openSceneFile(file);
    });
}

bool Quorvane::openSceneFile(const QString& path)
{
    using quorvane::SceneReadStatus;
    SceneReadStatus status = SceneReadStatus::CannotOpen;
    QStringList missing;
    paused([&] {
        {
            const quorvane::OverrideCursor wait(Qt::WaitCursor);
            quorvane::Scene scene;
            status = quorvane::readSceneFile(path, &scene);
            if (status != SceneReadStatus::CannotOpen) {
                view->resetAllMarkers();
                for (MarcaPushButton* b : markerButtons_)
                    b->clearAssociation();
                if (status == SceneReadStatus::Ok) {
                    quorvane::WindowSceneApplier applier(*view, markerButtons_);
                    quorvane::applyScene(scene, applier);
                    missing = applier.missingModels();
                }
                updateControlesMarcaSeleccionada();
            }
        }
        if (status == SceneReadStatus::CannotOpen)
            warn(QApplication::translate("Quorvane", quorvane::messages::kCannotOpenForReading).arg(path));
        else if (!missing.isEmpty())
            // One message for all the model files the scene names that cannot be opened here.
            warn(tr("No se pudieron abrir los siguientes modelos de la escena; sus marcas quedan vacías:\n\n%1")
                     .arg(missing.join(QLatin1Char('\n'))));
    });
    view->update();
    return status == SceneReadStatus::Ok;
}

void Quorvane::closeEvent(QCloseEvent* event)
{
    bool assigned = false;
    for (const MarcaPushButton* b : markerButtons_)
        assigned = assigned || !b->mainFile().isEmpty();
    if (!assigned) {
        event->accept();
        return;
    }
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    paused([&] {
        answer = QMessageBox::question(this, tr("Guardar escena"),
                                       tr("Tiene elementos asignados a las marcas, ¿desea guardar la escena?"),
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    });
    if (answer == QMessageBox::Yes && guardarEscena())
        event->accept();
    else if (answer == QMessageBox::No)
        event->accept();
    else
        event->ignore();
}
