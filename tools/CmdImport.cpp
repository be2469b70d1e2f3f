// quorvane import: turn content files into model files (.qmd) of a model library, without a window. Each
// file is read and converted in quorvane-render under memory and time limits, so a file that breaks a
// reader fails alone, with one line.
#include "Commands.h"

#include "GuardedProcess.h"
#include "PlatformPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>
#include <unistd.h>

namespace {

// The folder the author program imports into: its "importDir" setting, else "Mis modelos Quorvane"
// in the user's documents.
QString defaultImportDir()
{
    const QString fallback = quorvane::documentsDirectory() + QStringLiteral("/Mis modelos Quorvane");
    QSettings settings(QSettings::UserScope, QStringLiteral("Quorvane"), QStringLiteral("Quorvane Author"));
    return settings.value(QStringLiteral("importDir"), fallback).toString();
}

} // namespace

namespace qvtool {

int runImport(const QStringList& args)
{
    OptionParser p(
        "import",
        QStringLiteral(
            "Imports pictures (BMP, JPG, PNG), videos (MPG, AVI, MP4) and 3D models (OBJ, DAE, 3DS, DXF, STL, SVG,\n"
            "and FBX, glTF/GLB or any other format assimp reads, converted to FBX) into model files DIR/NAME.qmd,\n"
            "NAME being the file name up to its first dot.\n"
            "Model thumbnails are rendered off screen and need an X display (or xvfb-run); without one the\n"
            "built-in picture stands in for them. Pictures and videos need no display."));
    p.addOption({QStringLiteral("to"),
                 QStringLiteral("Model library folder (default: the author program's import folder)."),
                 QStringLiteral("DIR")});
    p.addOption({QStringLiteral("force"), QStringLiteral("Overwrite existing model files.")});
    p.addPositionalArgument(QStringLiteral("FILES"), QStringLiteral("Content files to import"),
                            QStringLiteral("FILES..."));
    if (const int code = p.parseArguments(args); code >= 0)
        return code;
    const QStringList files = p.positionalArguments();
    if (files.isEmpty()) {
        return p.fail(QStringLiteral("no files given (try --help)"), 2);
    }
    const QString dir = p.isSet(QStringLiteral("to")) ? p.value(QStringLiteral("to")) : defaultImportDir();
    if (!QDir().mkpath(dir)) {
        return p.fail(QStringLiteral("cannot create %1").arg(dir), 1);
    }
    const bool terminal = isatty(fileno(stdout));
    const bool force = p.isSet(QStringLiteral("force"));
    const QString renderer = quorvane::companionProgram(QStringLiteral("quorvane-render"));
    int failed = 0;
    for (int i = 0; i < files.size(); ++i) {
        const QString source = files[i];
        const QString destination =
            QStringLiteral("%1/%2.qmd").arg(QDir(dir).absolutePath(), QFileInfo(source).baseName());
        const QString counter = QStringLiteral("[%1/%2]").arg(i + 1).arg(files.size());
        if (terminal) {
            std::printf("%s importing %s ...\r", qPrintable(counter), qPrintable(source));
            std::fflush(stdout);
        }
        bool imported = false;
        if (QFileInfo::exists(destination) && !force) {
            if (terminal)
                std::printf("\033[K");
            std::fflush(stdout);
            p.fail(QStringLiteral("%1: skipped: %2 exists (--force overwrites it)").arg(source, destination));
        } else {
            // The child prints its own reason when it fails; a child that was stopped cannot.
            const quorvane::GuardedRun run = quorvane::runGuarded(
                renderer, {QStringLiteral("import"), source, destination}, {}, quorvane::ChildOutput::Forward);
            imported = run.succeeded() && QFileInfo::exists(destination);
            if (terminal)
                std::printf("\033[K");
            std::fflush(stdout);
            if (run.status != quorvane::GuardedRun::Status::Finished)
                p.fail(QStringLiteral("%1: not a readable model (%2)").arg(source, run.stopReason()));
        }
        if (imported) {
            std::printf("%s %s -> %s\n", qPrintable(counter), qPrintable(source), qPrintable(destination));
            std::fflush(stdout);
        } else {
            ++failed;
        }
    }
    if (failed && files.size() > 1)
        p.fail(QStringLiteral("%1 of %2 files not imported").arg(failed).arg(files.size()));
    return failed ? 1 : 0;
}

} // namespace qvtool
