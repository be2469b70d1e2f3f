// Runs a companion program of the suite on content from other people under limits, so that a third-party
// parser that aborts, loops or allocates without bound ends as a clean failure of that program instead
// of taking the caller (and the user's unsaved work) down with it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorvane {

struct GuardLimits
{
    qint64 addressSpaceBytes = qint64(3) * 1024 * 1024 * 1024; // virtual memory of the child (default 3 GiB)
    int cpuSeconds = 120;                                      // processor time (default 120 s)
    int wallSeconds = 300;                                     // time on the clock before it is killed (default 300 s)
};

struct GuardedRun
{
    enum class Status {
        Finished,      // it ended by itself; see exitCode
        Stopped,       // it died by a signal: an abort, a crash, or a limit it ran into
        TimedOut,      // killed after wallSeconds
        FailedToStart, // the program is missing or cannot run
    };
    Status status = Status::FailedToStart;
    int exitCode = -1;
    QByteArray standardOutput; // empty when the output was forwarded
    QByteArray standardError;

    bool succeeded() const { return status == Status::Finished && exitCode == 0; }
    // Why it did not finish by itself, in words for a message ("it ran out of its memory limit or crashed").
    QString stopReason() const;
};

enum class ChildOutput { Forward, Capture };
// How the caller waits: blocked (the tool), or with its windows still painting while user input waits
// until the child has finished (the programs).
enum class WhileWaiting { Block, Paint };

// Runs `program` with `args` and waits for it. Forward passes its standard output and error straight to
// ours (the command-line tool); Capture keeps them in the result (the windows).
GuardedRun runGuarded(const QString& program, const QStringList& args, const GuardLimits& limits = {},
                      ChildOutput output = ChildOutput::Capture, WhileWaiting waiting = WhileWaiting::Block);

// Where a program of the suite lies: beside the running one, in the install tree's lib/quorvane, or in the
// build tree's tools folder. The first candidate when none exists.
QString companionProgram(const QString& name);

} // namespace quorvane
