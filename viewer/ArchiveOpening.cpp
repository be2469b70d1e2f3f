#include "ArchiveOpening.h"

#include "Messages.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quorvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("QuorvaneViewer", text);
}

QString markerList(const QList<int>& markers)
{
    QStringList numbers;
    for (int n : markers)
        numbers << QString::number(n);
    return numbers.join(QStringLiteral(", "));
}

} // namespace

bool isViewerArchiveName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("qvx2"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("qvx"), Qt::CaseInsensitive) == 0;
}

ViewerSceneOpening openViewerScene(const QString& path, ViewerSceneTarget& target)
{
    ViewerSceneOpening result;
    if (!isViewerArchiveName(path))
        return result;
    const bool format2 = QFileInfo(path).suffix().compare(QLatin1String("qvx2"), Qt::CaseInsensitive) == 0;
    OpenedViewerScene opened;
    result.status = openViewerArchive(path, format2, &opened);
    if (result.status != ViewerOpenStatus::Opened)
        return result;

    result.layout = opened.layout;
    result.versionOk = opened.versionOk;
    result.complete = opened.complete;
    result.usedMarkers = opened.modelMarkers;
    result.hasLogo = opened.hasLogo;
    if (opened.hasLogo)
        result.logo = QImage::fromData(opened.logoPng, "PNG");

    // The target puts content files on the markers: only what unpacked is named (a model whose content
    // could not be inflated still loads, without its content file).
    Scene scene = opened.scene;
    QStringList contentFiles;
    for (int i = 0; i < kMarkerCount; ++i) {
        const QString& content = opened.contentFiles[size_t(i)];
        scene.markers[size_t(i)].modelFile = QFileInfo(content).isFile() ? content : QString();
        if (!scene.markers[size_t(i)].modelFile.isEmpty())
            contentFiles << content;
    }
    target.prepare(contentFiles);
    applyScene(scene, target);
    for (int marker : result.usedMarkers) {
        if (!target.showsContent(marker))
            result.emptyMarkers.append(marker);
    }
    return result;
}

QString openingProblems(const QString& path, const ViewerSceneOpening& opening)
{
    switch (opening.status) {
    case ViewerOpenStatus::Ignored:
        return tr("El fichero %1 no es una escena de Quorvane Viewer (.qvx2).").arg(path);
    case ViewerOpenStatus::CannotOpen:
        return QCoreApplication::translate("Quorvane", messages::kCannotOpenForReading).arg(path);
    case ViewerOpenStatus::ProcessingError:
        return QCoreApplication::translate("Quorvane", messages::kArchiveProcessingError).arg(path);
    case ViewerOpenStatus::Opened:
        break;
    }
    QStringList details;
    if (!opening.versionOk)
        details << tr("Esta versión no sabe leer la escena: el fichero está dañado o se hizo con una versión más "
                      "reciente de Quorvane.");
    else if (!opening.complete)
        details << tr("El fichero está incompleto o dañado: se muestra lo que se pudo leer.");
    if (opening.emptyMarkers.size() == 1)
        details << tr("No se pudo mostrar el contenido de la marca %1.").arg(opening.emptyMarkers.first());
    else if (opening.emptyMarkers.size() > 1)
        details << tr("No se pudo mostrar el contenido de las marcas %1.").arg(markerList(opening.emptyMarkers));
    if (details.isEmpty())
        return QString();
    return tr("No se pudo abrir toda la escena %1.").arg(path) + QStringLiteral("\n\n") +
           details.join(QStringLiteral("\n"));
}

} // namespace quorvane
