// quorvane import: turn content files into model files (.qmd) of a model library, without a window.
#include "Commands.h"

#include "Model.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>
#include <unistd.h>

namespace {

// The folder the author program imports into: its "importDir" setting, else "Mis modelos Quorvane"
// in the user's Documents.
QString defaultImportDir()
{
    QString profile = qEnvironmentVariable("userprofile");
    if (profile.isEmpty())
        profile = QDir::homePath();
    const QString fallback = QStringLiteral("%1/Documents/Mis modelos Quorvane").arg(profile);
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
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Imports pictures (BMP, JPG, PNG), videos (MPG, AVI, MP4) and 3D models (OBJ, DAE, 3DS, DXF, STL, SVG,\n"
        "and FBX, glTF/GLB or any other format assimp reads, converted to FBX) into model files DIR/NAME.qmd,\n"
        "NAME being the file name up to its first dot.\n"
        "Model thumbnails are rendered off screen and need an X display (or xvfb-run); without one the\n"
        "built-in picture stands in for them. Pictures and videos need no display."));
    p.addHelpOption();
    p.addOption({QStringLiteral("to"),
                 QStringLiteral("Model library folder (default: the author program's import folder)."),
                 QStringLiteral("DIR")});
    p.addOption({QStringLiteral("force"), QStringLiteral("Overwrite existing model files.")});
    p.addPositionalArgument(QStringLiteral("FILES"), QStringLiteral("Content files to import"),
                            QStringLiteral("FILES..."));
    if (!p.parse(QStringList{QStringLiteral("quorvane import")} + args)) {
        std::fprintf(stderr, "quorvane import: %s\n", qPrintable(p.errorText()));
        return 2;
    }
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        return 0;
    }
    const QStringList files = p.positionalArguments();
    if (files.isEmpty()) {
        std::fprintf(stderr, "quorvane import: no files given (try --help)\n");
        return 2;
    }
    const QString dir = p.isSet(QStringLiteral("to")) ? p.value(QStringLiteral("to")) : defaultImportDir();
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "quorvane import: cannot create %s\n", qPrintable(dir));
        return 1;
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
