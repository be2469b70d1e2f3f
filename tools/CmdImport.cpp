// quorvane import: turn content files into model files (.qmd) of a model library, without a window.
#include "Commands.h"

#include "Model.h"
#include "PlatformPaths.h"
#include "Thumbnail.h"

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

class PrintingReporter : public quorvane::ImportReporter
{
public:
    void warning(const QString&, const QString& text) override { print("warning", text); }
    void error(const QString&, const QString& text) override { print("error", text); }

private:
    static void print(const char* what, QString text)
    {
        text.replace(QLatin1Char('\n'), QLatin1String("\n    "));
        std::fprintf(stderr, "  %s: %s\n", what, qPrintable(text.trimmed()));
    }
};

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
    PrintingReporter reporter;
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
        QString outcome;
        if (QFileInfo::exists(destination) && !force) {
            outcome = QStringLiteral("skipped: %1 exists (--force overwrites it)").arg(destination);
            ++failed;
        } else {
            quorvane::Model_v0_0 model;
            model.reporter = &reporter;
            quorvane::attachImportServices(model);
            if (model.importFrom(destination, source) && QFileInfo::exists(destination)) {
                outcome = QStringLiteral("-> %1").arg(destination);
            } else {
                outcome = QStringLiteral("FAILED: %1")
                              .arg(model.lastError.isEmpty() ? QStringLiteral("not imported") : model.lastError);
                ++failed;
            }
        }
        std::printf("%s%s %s %s\n", terminal ? "\033[K" : "", qPrintable(counter), qPrintable(source),
                    qPrintable(outcome));
        std::fflush(stdout);
    }
    if (failed)
        std::fprintf(stderr, "quorvane import: %d of %d files not imported\n", failed, int(files.size()));
    return failed ? 1 : 0;
}

} // namespace qvtool
