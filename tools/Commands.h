// Subcommands of the quorvane command-line tool. Each lives in its own file and returns the
// process exit code; arguments exclude the program and subcommand names.
#pragma once

#include <QStringList>

namespace qvtool {

struct Command
{
    const char* name;
    const char* summary;
    int (*run)(const QStringList& args);
};

int runTrack(const QStringList& args);
int runMarkers(const QStringList& args);
int runSynth(const QStringList& args);
int runModel(const QStringList& args);
int runScene(const QStringList& args);
int runArchive(const QStringList& args);
int runThumbnail(const QStringList& args);
int runImport(const QStringList& args);
int runShare(const QStringList& args);

// For commands that take an action word: prints the usage and gives the exit code when the
// arguments are empty (2, usage on standard error) or ask for help (0, usage on standard output);
// -1 when the command should go on.
int usageExit(const QStringList& args, const char* usage);

} // namespace qvtool
