// Which scene Quorvane Viewer opens at its first show: the archive named by the first argument, or else
// the default scene "scene.qvx2" that comes with the program. A missing file is said, never replaced by
// another scene.
#pragma once

#include <QString>
#include <QStringList>

namespace quorvane {

struct SceneChoice
{
    QString scene;     // the archive to open; empty for none
    QString usagePage; // the usage event of the lookup
    QString warning;   // the warning to show (translated), or empty
};

// "scene.qvx2" beside the program, else in the install tree's data folder.
QString defaultScenePath();

// `arguments` are the program's arguments after its own name.
SceneChoice findStartScene(const QStringList& arguments, const QString& defaultScene);

} // namespace quorvane
