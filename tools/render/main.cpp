// quorvane-render: the part of the tool that runs third-party model readers and draws models, one piece
// of work per run. `quorvane` starts it under memory and time limits (GuardedProcess.h), so a reader that
// aborts or runs away ends this process only, and the user gets one clear line.
//
//   quorvane-render thumbnail MODEL OUT     the 256 x 256 picture of a model on pure green
//   quorvane-render import [--messages] [--language NAME] SOURCE TARGET
//                                           one content file into the model file TARGET; with --messages,
//                                           what the import tells the user comes as JSON lines on standard
//                                           output ({"kind": "warning"|"error"|"failed", "title", "text"}),
//                                           in the program language NAME ("quorvane_en", ...)
//   quorvane-render check MODEL...          reads each model as the view does; one line per model,
//                                           "ok" or "unreadable", a tab and the path, as each is done
#include "Model.h"
#include "ProgramSetup.h"
#include "Thumbnail.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTranslator>

#include "AssimpReader.h"

#include <osg/Notify>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <opencv2/core/utils/logger.hpp>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The readers' own chatter ("line not handled", decoder notices) is not the tool's output.
class SilentNotifyHandler : public osg::NotifyHandler
{
public:
    void notify(osg::NotifySeverity, const char*) override {}
};

// The programs show what the import says in their own message boxes: one JSON object a line.
class JsonLinesReporter : public quorvane::ImportReporter
{
public:
    void warning(const QString& title, const QString& text) override { print("warning", title, text); }
    void error(const QString& title, const QString& text) override { print("error", title, text); }
    static void print(const char* kind, const QString& title, const QString& text)
    {
        const QJsonObject line{{QStringLiteral("kind"), QLatin1String(kind)},
                               {QStringLiteral("title"), title},
                               {QStringLiteral("text"), text}};
        std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
    }
};

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

int fail(const char* command, const QString& subject, const QString& reason)
{
    std::fprintf(stderr, "quorvane %s: %s: %s\n", command, qPrintable(subject), qPrintable(reason));
    return 1;
}

int thumbnail(const QString& model, const QString& out)
{
    switch (
        quorvane::renderModelThumbnail(QFile::encodeName(model).toStdString(), QFile::encodeName(out).toStdString())) {
    case quorvane::ThumbnailRenderer::Result::Written:
        return QFileInfo(out).isFile() ? 0 : fail("thumbnail", out, QStringLiteral("cannot write the picture"));
    case quorvane::ThumbnailRenderer::Result::UnreadableModel:
        return fail("thumbnail", model, QStringLiteral("not a readable model"));
    case quorvane::ThumbnailRenderer::Result::NoGraphics:
        return fail("thumbnail", model, QStringLiteral("cannot draw it here: no display (try xvfb-run)"));
    }
    return 1;
}

int import(QStringList args)
{
    const bool messages = args.removeAll(QStringLiteral("--messages")) > 0;
    const int language = int(args.indexOf(QStringLiteral("--language")));
    std::vector<std::unique_ptr<QTranslator>> translators;
    if (language >= 0 && language + 1 < args.size()) {
        translators = quorvane::installTranslators(*QCoreApplication::instance(), {"Quorvane Author", "quorvane_"},
                                                   args[language + 1]);
        args.remove(language, 2);
    }
    if (args.size() != 2)
        return fail("import", QStringLiteral("arguments"), QStringLiteral("expected SOURCE TARGET"));
    const QString& source = args[0];
    const QString& target = args[1];
    PrintingReporter printing;
    JsonLinesReporter json;
    quorvane::Model_v0_0 model;
    model.reporter = messages ? static_cast<quorvane::ImportReporter*>(&json) : &printing;
    quorvane::attachImportServices(model);
    if (model.importFrom(target, source) && QFileInfo(target).isFile())
        return 0;
    const QString reason = model.lastError.isEmpty() ? QStringLiteral("not imported") : model.lastError;
    if (messages)
        JsonLinesReporter::print("failed", QString(), reason);
    return fail("import", source, reason);
}

int check(const QStringList& models)
{
    quorvane::registerAssimpReader();
    for (const QString& model : models) {
        osg::ref_ptr<osg::Node> node =
            osgDB::readRefNodeFile(QFile::encodeName(model).toStdString(), osgDB::Registry::instance()->getOptions());
        const bool ok = node != nullptr;
        std::printf("%s\t%s\n", ok ? "ok" : "unreadable", qPrintable(model));
        std::fflush(stdout); // the caller learns which model was being read if a reader takes this process down
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    osg::setNotifyHandler(new SilentNotifyHandler);
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    qputenv("OPENCV_FFMPEG_LOGLEVEL", "-8");
    quorvane::setCaptureDiagnostics(false);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("thumbnail"))
        return thumbnail(args[2], args[3]);
    if (args.size() >= 4 && args[1] == QLatin1String("import"))
        return import(args.mid(2));
    if (args.size() >= 3 && args[1] == QLatin1String("check"))
        return check(args.mid(2));
    std::fprintf(stderr,
                 "quorvane-render: runs one 'thumbnail MODEL OUT', 'import SOURCE TARGET' or 'check MODEL...' for the "
                 "programs\n");
    return 2;
}
