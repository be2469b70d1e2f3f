#include "GuardedProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>

namespace quorvane {

QString GuardedRun::stopReason() const
{
    switch (status) {
    case Status::Finished:
        return QString();
    case Status::Stopped:
        return QStringLiteral("the reader stopped (it crashed or ran out of its memory or time limit)");
    case Status::TimedOut:
        return QStringLiteral("the reader took too long and was stopped");
    case Status::FailedToStart:
        return QStringLiteral("the reader could not be started");
    }
    return QString();
}

namespace {

// Waits for the process like waitForFinished, but lets the event loop paint meanwhile.
bool waitPainting(QProcess& process, int msecs)
{
    if (process.state() == QProcess::NotRunning)
        return true;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return process.state() == QProcess::NotRunning;
}

} // namespace

GuardedRun runGuarded(const QString& program, const QStringList& args, const GuardLimits& limits, ChildOutput output,
                      WhileWaiting waiting)
{
    GuardedRun run;
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setProcessChannelMode(output == ChildOutput::Forward ? QProcess::ForwardedChannels
                                                                 : QProcess::SeparateChannels);
    // Runs in the child between fork and exec: only async-signal-safe calls.
    const rlim_t memory = rlim_t(limits.addressSpaceBytes);
    const rlim_t cpu = rlim_t(limits.cpuSeconds);
    process.setChildProcessModifier([memory, cpu] {
        const rlimit as{memory, memory};
        setrlimit(RLIMIT_AS, &as);
        const rlimit seconds{cpu, cpu};
        setrlimit(RLIMIT_CPU, &seconds);
        const rlimit noCore{0, 0}; // an abort must not leave a core file behind
        setrlimit(RLIMIT_CORE, &noCore);
    });
    process.start();
    if (!process.waitForStarted(30000)) {
        run.status = GuardedRun::Status::FailedToStart;
        return run;
    }
    const int wallMs = limits.wallSeconds * 1000;
    const bool ended = waiting == WhileWaiting::Paint ? waitPainting(process, wallMs) : process.waitForFinished(wallMs);
    if (!ended) {
        process.kill();
        process.waitForFinished(5000);
        run.status = GuardedRun::Status::TimedOut;
    } else if (process.exitStatus() == QProcess::CrashExit) {
        run.status = GuardedRun::Status::Stopped;
    } else {
        run.status = GuardedRun::Status::Finished;
        run.exitCode = process.exitCode();
    }
    if (output == ChildOutput::Capture) {
        run.standardOutput = process.readAllStandardOutput();
        run.standardError = process.readAllStandardError();
    }
    return run;
}

QString companionProgram(const QString& name)
{
    const QString dir = QCoreApplication::applicationDirPath();
    // Beside the program (installed, or the tool itself), in the install tree's library folder, and, for
    // the programs, tests and benchmarks of a build tree, in its tools folder.
    const QStringList candidates{dir + QLatin1Char('/') + name, dir + QStringLiteral("/../lib/quorvane/") + name,
                                 QStringLiteral(QUORVANE_BUILD_TOOLS_DIR "/") + name};
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).absoluteFilePath();
    }
    return candidates.first();
}

} // namespace quorvane
