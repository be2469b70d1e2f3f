// quorvane: the command-line companion of the two programs. Never needs a display. The commands that
// read or draw models (thumbnail, import) run quorvane-render under limits, so this program links no
// rendering.
#include "Commands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const qvtool::Command kCommands[] = {
    {"track", "run the marker tracker on pictures or a video, print JSON lines", qvtool::runTrack},
    {"markers", "write the marker pictures or the printable marker sheet (PDF)", qvtool::runMarkers},
    {"synth", "synthesise a camera frame or clip showing markers", qvtool::runSynth},
    {"model", "look into a model file (.qmd) or unpack it", qvtool::runModel},
    {"scene", "print a scene file (.qvs2) or export it as an archive", qvtool::runScene},
    {"archive", "look into an export archive (.qvx2, .qvx, .qvm2) or extract it", qvtool::runArchive},
    {"thumbnail", "render the 256 x 256 thumbnail of a model file", qvtool::runThumbnail},
    {"import", "import pictures, videos and 3D models into model files (.qmd)", qvtool::runImport},
    {"share", "log in to the sharing service and upload an exported scene", qvtool::runShare},
};

void printUsage(FILE* out)
{
    std::fprintf(out, "Usage: quorvane COMMAND [OPTIONS...]\n\nCommands:\n");
    for (const auto& c : kCommands)
        std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    std::fprintf(out, "\nRun 'quorvane COMMAND --help' for the options of a command.\n");
}

// The marker sheet sets text, which takes the font database of a GUI application; the offscreen platform
// keeps the tool free of any display.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "markers") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Without a desktop session (cron, ssh) Qt would say it picks a runtime folder of its own: pick it
        // quietly, so that the command prints only what it did.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QString runtime = QDir::tempPath() + QStringLiteral("/runtime-") +
                                    qEnvironmentVariable("USER", QStringLiteral("quorvane"));
            if (QDir().mkpath(runtime) &&
                QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        }
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));

    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        printUsage(stderr);
        return 2;
    }
    const QString name = args.at(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        printUsage(stdout);
        return 0;
    }
    for (const auto& c : kCommands) {
        if (name == QLatin1String(c.name))
            return c.run(args.mid(2));
    }
    std::fprintf(stderr, "quorvane: unknown command '%s' (try 'quorvane --help')\n", qPrintable(name));
    return 2;
}
