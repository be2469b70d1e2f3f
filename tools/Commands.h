// Subcommands of the quorvane command-line tool. Each lives in its own file and returns the
// process exit code; arguments exclude the program and subcommand names.
#pragma once

#include "CommandLine.h"

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

} // namespace qvtool
