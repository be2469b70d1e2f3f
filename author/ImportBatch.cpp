#include "ImportBatch.h"

#include "ModelImporter.h"
#include "OverrideCursor.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>

#include <memory>

namespace quorvane {

namespace {

// The wait cursor stays up for the whole batch; a question or message shows the arrow.
struct ArrowWhileAsking : OverrideCursor
{
    ArrowWhileAsking() : OverrideCursor(Qt::ArrowCursor) {}
};

QString tr(const char* text)
{
    return QApplication::translate("Quorvane", text);
}

void warn(QWidget* parent, const char* text)
{
    ArrowWhileAsking arrow;
    QMessageBox::warning(parent, tr("Error"), tr(text));
}

} // namespace

QString importTarget(const QString& importDir, const QString& source)
{
    return QStringLiteral("%1/%2.qmd").arg(importDir, QFileInfo(source).baseName());
}

ImportBatchOutcome importFiles(QWidget* parent, const QStringList& files, const QString& importDir,
                               ModelImporter& importer)
{
    ImportBatchOutcome outcome;
    std::unique_ptr<QProgressDialog> progress;
    if (files.size() > 1) {
        progress = std::make_unique<QProgressDialog>(QString(), tr("Detener"), 0, int(files.size()), parent);
        progress->setWindowTitle(tr("Importar modelos"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoReset(false);
        progress->setAutoClose(false);
        progress->show();
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString& source = files[i];
        if (progress) {
            // Lets the window repaint and the user press stop, between files only.
            progress->setLabelText(
                tr("Importando archivo %1 de %2:\n%3").arg(i + 1).arg(files.size()).arg(QFileInfo(source).fileName()));
            progress->setValue(i);
            QApplication::processEvents();
            if (progress->wasCanceled()) {
                outcome.end = ImportBatchEnd::Stopped;
                return outcome;
            }
        }
        if (!QFileInfo(source).isFile())
            continue;
        const QString target = importTarget(importDir, source);
        if (QFileInfo::exists(target)) {
            ArrowWhileAsking arrow;
            const auto answer = QMessageBox::question(
                parent, tr("Alerta"),
                tr("El archivo que está intentando importar ya existe en la carpeta de destino. ¿Desea "
                   "sobreescribirlo?"),
                QMessageBox::Yes | QMessageBox::No);
            if (answer != QMessageBox::Yes) {
                outcome.end = ImportBatchEnd::Refused;
                return outcome;
            }
        }
        if (!importer.importFile(source, target)) {
            warn(parent, "No se pudo importar el modelo.\n\nAsegúrese de tener permiso de escritura en el "
                         "directorio de importación.");
            outcome.end = ImportBatchEnd::Failed;
            return outcome;
        }
        if (!QFileInfo::exists(target)) {
            warn(parent, "No se pudo guardar el modelo.\n\nAsegúrese de tener permiso de escritura en el "
                         "directorio de importación.");
            outcome.end = ImportBatchEnd::Failed;
            return outcome;
        }
        ++outcome.imported;
    }
    if (progress)
        progress->setValue(int(files.size()));
    return outcome;
}

} // namespace quorvane
