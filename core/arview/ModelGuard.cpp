#include "ModelGuard.h"

#include "GuardedProcess.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

namespace quorvane {

namespace {

enum class Verdict { Safe, Unsafe, Unknown };

QMutex g_mutex;
QHash<QString, bool> g_verdicts; // key: path, size, modification time

QString keyOf(const QString& file)
{
    const QFileInfo info(file);
    return QStringLiteral("%1|%2|%3")
        .arg(info.absoluteFilePath())
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch());
}

QString rendererProgram()
{
    const QString configured = qEnvironmentVariable("QUORVANE_RENDER");
    return configured.isEmpty() ? companionProgram(QStringLiteral("quorvane-render")) : configured;
}

// Runs the checks; a model whose line never came was the one being read when the process went down.
// Returns false when no guarded process could run at all.
bool runChecks(QStringList files)
{
    while (!files.isEmpty()) {
        const GuardedRun run = runGuarded(rendererProgram(), QStringList{QStringLiteral("check")} + files);
        if (run.status == GuardedRun::Status::FailedToStart)
            return false;
        int answered = 0;
        for (const QByteArray& line : run.standardOutput.split('\n')) {
            const int tab = int(line.indexOf('\t'));
            if (tab < 0 || answered >= files.size())
                continue;
            const QMutexLocker lock(&g_mutex);
            g_verdicts.insert(keyOf(files[answered]), line.left(tab) == "ok");
            ++answered;
        }
        if (answered == files.size())
            break;
        {
            const QMutexLocker lock(&g_mutex);
            g_verdicts.insert(keyOf(files[answered]), false);
        }
        files = files.mid(answered + 1);
    }
    return true;
}

} // namespace

bool ModelGuard::isSafeToLoad(const QString& modelFile)
{
    {
        const QMutexLocker lock(&g_mutex);
        const auto it = g_verdicts.constFind(keyOf(modelFile));
        if (it != g_verdicts.constEnd())
            return it.value();
    }
    if (!runChecks({modelFile})) {
        static bool told = false;
        if (!told)
            std::fprintf(stderr, "quorvane: %s cannot run: models are read without its guard\n",
                         qPrintable(rendererProgram()));
        told = true;
        return true;
    }
    const QMutexLocker lock(&g_mutex);
    return g_verdicts.value(keyOf(modelFile), false);
}

void ModelGuard::checkAll(const QStringList& modelFiles)
{
    QStringList unknown;
    {
        const QMutexLocker lock(&g_mutex);
        for (const QString& file : modelFiles) {
            if (!file.isEmpty() && !g_verdicts.contains(keyOf(file)) && !unknown.contains(file))
                unknown << file;
        }
    }
    if (!unknown.isEmpty())
        runChecks(unknown);
}

} // namespace quorvane
