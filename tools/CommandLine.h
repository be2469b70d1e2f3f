// The argument handling every subcommand of the tool shares: the usage line names the command
// ("quorvane track [options] FILES..."), --help prints to standard output and exits 0, a wrong argument
// prints one line on standard error and exits 2, a failure prints one line "quorvane COMMAND: ..." on
// standard error.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace qvtool {

// Prints "quorvane COMMAND: TEXT" on standard error and returns `code`.
int fail(const char* command, const QString& text, int code = 1);

// The parser of a command with options.
class OptionParser : public QCommandLineParser
{
public:
    OptionParser(const char* command, const QString& description);

    // The exit code when the command stops here (0 after printing --help, 2 after a wrong argument), else -1.
    int parseArguments(const QStringList& args);
    // The help text with the usage line "Usage: quorvane COMMAND [options] ...".
    QString usage() const;
    int fail(const QString& text, int code = 1) const { return qvtool::fail(m_command, text, code); }

private:
    const char* m_command;
};

// For commands that take an action word: prints the usage and gives the exit code when the arguments are
// empty (2, usage on standard error) or ask for help (0, usage on standard output); -1 when the command
// should go on.
int usageExit(const QStringList& args, const char* usage);

} // namespace qvtool
