// Runs the command-line tool `quorvane` (its path in QUORVANE_TOOL, defined by the test's CMake) and hands
// back what it said.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

namespace testutil {

struct ToolRun
{
    int exitCode = -1; // -1: it crashed or did not finish in time
    QByteArray out, err;
};

inline ToolRun runTool(const QStringList& args, int timeoutMs = 300000)
{
    QProcess p;
    p.start(QStringLiteral(QUORVANE_TOOL), args);
    ToolRun run;
    if (!p.waitForFinished(timeoutMs))
        return run;
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

} // namespace testutil
