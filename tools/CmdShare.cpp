// quorvane share: logs in to the configured sharing service and uploads an exported scene, headless,
// with the same client the programs use; prints the shared scene's address.
#include "Commands.h"

#include "SecretInput.h"

#include "OnlineConfig.h"
#include "QuorvaneDotCom.h"
#include "UploadProgress.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage: quorvane share FILE.qvx2 --user USER [--password-file FILE]\n"
    "Logs in to the sharing service and uploads an exported scene (.qvx2 or .qvm2); prints the address\n"
    "of the scene's page. The password is the first line of --password-file, else it is asked for (or\n"
    "read from standard input when that is not a terminal). The service's address comes from the\n"
    "environment variable QUORVANE_SERVICE_URL or the setting \"dotcom/serviceUrl\".\n";

// The percentage on standard error while the upload runs, when that is a terminal.
class ConsoleProgress : public quorvane::UploadProgress
{
public:
    void started(const QString&, qint64) override {}
    void progressed(qint64 sent, qint64 total) override
    {
        if (!isatty(fileno(stderr)) || total <= 0)
            return;
        std::fprintf(stderr, "\rUploading... %3d%%", int(sent * 100 / total));
    }
    bool cancelRequested() const override { return false; }
    void finished() override
    {
        if (isatty(fileno(stderr)))
            std::fprintf(stderr, "\r                 \r");
    }
};

} // namespace

int qvtool::runShare(const QStringList& args)
{
    const int usage = usageExit(args, kUsage);
    if (usage >= 0)
        return usage;
    QString file, user, passwordFile;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if ((a == QLatin1String("--user") || a == QLatin1String("--password-file")) && i + 1 < args.size()) {
            (a == QLatin1String("--user") ? user : passwordFile) = args.at(++i);
        } else if (!a.startsWith(QLatin1String("--")) && file.isEmpty()) {
            file = a;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (file.isEmpty() || user.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!QFileInfo(file).isFile())
        return qvtool::fail("share", QStringLiteral("cannot read %1").arg(file));

    const QString password = quorvane::readSecret(passwordFile);
    if (password.isNull() && !passwordFile.isEmpty())
        return qvtool::fail("share", QStringLiteral("cannot read the password file %1").arg(passwordFile));

    QuorvaneDotCom& dotcom = QuorvaneDotCom::instance();
    if (!dotcom.isConfigured())
        return qvtool::fail(
            "share", QStringLiteral("no sharing service is set up: set %1 (http://host:port) or the setting \"%2\"")
                         .arg(QLatin1String(quorvane::kServiceUrlEnv), QLatin1String(quorvane::kServiceUrlKey)));
    int code = 0;
    if (!dotcom.login(user, password, &code)) {
        return qvtool::fail(
            "share",
            code == QuorvaneDotCom::WrongCredentials
                ? QStringLiteral("wrong user name or password")
                : QStringLiteral("no answer from the sharing service at %1").arg(dotcom.serviceUrl().toString()));
    }
    ConsoleProgress progress;
    QString message;
    if (!dotcom.upload(file, &message, &progress)) {
        return qvtool::fail("share", message.isEmpty()
                                         ? QStringLiteral("the upload got no answer from the sharing service")
                                         : QStringLiteral("the sharing service refused the scene: %1").arg(message));
    }
    std::printf("%s\n", message.toUtf8().constData());
    return 0;
}
