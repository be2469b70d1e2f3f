// Model files come from other people and are read by third-party readers (OpenSceneGraph's plug-ins,
// assimp) that can crash or allocate without bound on a hostile file. Before the view reads a model, the
// same readers try it in quorvane-render under memory and time limits; a model that takes that process
// down, or that no reader takes, is not loaded. Verdicts are kept per file (path, size and time).
#pragma once

#include <QString>
#include <QStringList>

namespace quorvane {

class ModelGuard
{
public:
    // True when the model read cleanly in the guarded process (or no guarded process can be started here,
    // where refusing every model would leave the programs useless; that is said once on standard error).
    static bool isSafeToLoad(const QString& modelFile);
    // Checks many models with one guarded process (a scene's models before they are loaded).
    static void checkAll(const QStringList& modelFiles);
};

} // namespace quorvane
