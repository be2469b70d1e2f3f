#include "ModelImporter.h"

#include "GuardedProcess.h"
#include "ImportReporter.h"
#include "Model.h"
#include "Thumbnail.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <cstdio>

namespace quorvane {

namespace {

// The language the program runs in, so the reader process speaks it too.
QString programLanguage()
{
    const QSettings settings(QSettings::UserScope, QStringLiteral("Quorvane"), QStringLiteral("Quorvane Author"));
    return settings.value(QStringLiteral("language")).toString();
}

} // namespace

bool ModelImporter::importFile(const QString& source, const QString& destination)
{
    m_lastError.clear();
    QStringList args{QStringLiteral("import"), QStringLiteral("--messages")};
    if (const QString language = programLanguage(); !language.isEmpty())
        args << QStringLiteral("--language") << language;
    args << source << destination;
    // Third-party readers run in the guarded process: a file that crashes one or eats the machine's memory
    // fails alone, and the window keeps painting while it works.
    const GuardedRun run = runGuarded(companionProgram(QStringLiteral("quorvane-render")), args, {},
                                      ChildOutput::Capture, WhileWaiting::Paint);
    if (run.status == GuardedRun::Status::FailedToStart)
        return importInProcess(source, destination);

    StderrImportReporter fallback;
    ImportReporter* reporter = m_reporter ? m_reporter : &fallback;
    for (const QByteArray& line : run.standardOutput.split('\n')) {
        const QJsonObject message = QJsonDocument::fromJson(line).object();
        const QString kind = message.value(QStringLiteral("kind")).toString();
        const QString title = message.value(QStringLiteral("title")).toString();
        const QString text = message.value(QStringLiteral("text")).toString();
        if (kind == QLatin1String("warning"))
            reporter->warning(title, text);
        else if (kind == QLatin1String("error"))
            reporter->error(title, text);
        else if (kind == QLatin1String("failed"))
            m_lastError = text;
    }
    if (run.status != GuardedRun::Status::Finished)
        m_lastError =
            QCoreApplication::translate("Model", "El lector del modelo se detuvo: el fichero no se puede importar.");
    const bool ok = run.succeeded() && QFileInfo(destination).isFile();
    if (!ok && m_lastError.isEmpty())
        m_lastError = QStringLiteral("not imported");
    return ok;
}

bool ModelImporter::importInProcess(const QString& source, const QString& destination)
{
    static bool told = false;
    if (!told)
        std::fprintf(stderr, "quorvane: quorvane-render cannot run: models are imported without its guard\n");
    told = true;
    Model_v0_0 model;
    model.reporter = m_reporter;
    attachImportServices(model);
    const bool ok = model.importFrom(destination, source);
    m_lastError = ok ? QString() : model.lastError;
    return ok;
}

} // namespace quorvane
