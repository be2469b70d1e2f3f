#include "SceneLookup.h"

#include "PlatformPaths.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quorvane {

QString defaultScenePath()
{
    return programDataPath(QStringLiteral("scene.qvx2"));
}

SceneChoice findStartScene(const QStringList& arguments, const QString& defaultScene)
{
    SceneChoice choice;
    if (!arguments.isEmpty()) {
        const QString& named = arguments.first();
        if (QFileInfo(named).isFile()) {
            choice.scene = named;
            choice.usagePage = QStringLiteral("customScene");
        } else {
            choice.warning = QCoreApplication::translate("QuorvaneViewer",
                                                         "No se encontró el fichero indicado por linea de comandos: %1")
                                 .arg(named);
            choice.usagePage = QStringLiteral("ERRORcustomSceneNotFound");
        }
        return choice;
    }
    if (QFileInfo(defaultScene).isFile()) {
        choice.scene = defaultScene;
        choice.usagePage = QStringLiteral("defaultScene");
    } else {
        choice.warning =
            QCoreApplication::translate("QuorvaneViewer", "No se encontró el fichero de escena por defecto: %1")
                .arg(defaultScene);
        choice.usagePage = QStringLiteral("ERRORdefaultSceneNotFound");
    }
    return choice;
}

} // namespace quorvane
