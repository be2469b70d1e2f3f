// quorvane-share-server: a small sharing service that a school or a team runs on its own machine, so
// that "Compartir" in Quorvane Author works on its network. See the README for its use.
#include "ShareServer.h"
#include "SecretInput.h"
#include "UserStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>

#include <cstdio>

#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage:\n"
    "  quorvane-share-server serve --data DIR [--listen ADDRESS] [--port N] [--release N]\n"
    "                              [--max-upload BYTES] [--public-url URL] [--download-url URL]\n"
    "  quorvane-share-server add-user --data DIR NAME [--password-file FILE]\n"
    "  quorvane-share-server remove-user --data DIR NAME\n"
    "  quorvane-share-server users --data DIR\n"
    "\n"
    "serve        answers the programs' login, upload and version requests and serves a page per\n"
    "             shared scene. Listens on 127.0.0.1 (this machine only) unless --listen names another\n"
    "             address (0.0.0.0: every network); port 8080 unless --port (0: any free port).\n"
    "             --release is the newest release number the version check reports (3);\n"
    "             --max-upload the largest scene taken, in bytes (52428800);\n"
    "             --public-url the address users reach the server at, for the links it hands out\n"
    "             (default: the address each request used).\n"
    "add-user     adds a user or sets a new password, read from the first line of FILE or else from\n"
    "             standard input.\n"
    "remove-user  removes a user; users lists them.\n"
    "Everything is kept in DIR: the users, the login sessions and the shared scenes.\n";

int fail(const QString& line)
{
    std::fprintf(stderr, "quorvane-share-server: %s\n", line.toUtf8().constData());
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane-share-server"));

    QCommandLineParser parser;
    const QCommandLineOption data(QStringLiteral("data"), QStringLiteral("data folder"), QStringLiteral("DIR"));
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("address"), QStringLiteral("ADDRESS"),
                                    QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("port"), QStringLiteral("N"),
                                  QStringLiteral("8080"));
    const QCommandLineOption release(QStringLiteral("release"), QStringLiteral("release"), QStringLiteral("N"),
                                     QStringLiteral("3"));
    const QCommandLineOption maxUpload(QStringLiteral("max-upload"), QStringLiteral("bytes"), QStringLiteral("BYTES"),
                                       QStringLiteral("52428800"));
    const QCommandLineOption publicUrl(QStringLiteral("public-url"), QStringLiteral("url"), QStringLiteral("URL"));
    const QCommandLineOption downloadUrl(QStringLiteral("download-url"), QStringLiteral("url"), QStringLiteral("URL"));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"), QStringLiteral("file"),
                                          QStringLiteral("FILE"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("help"));
    parser.addOptions({data, listen, port, release, maxUpload, publicUrl, downloadUrl, passwordFile, help});
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    const QStringList args = parser.positionalArguments();
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString command = args.first();
    if (!parser.isSet(data))
        return fail(QStringLiteral("--data DIR is required"));
    QDir dir(parser.value(data));
    if (!dir.exists() && !QDir().mkpath(dir.path()))
        return fail(QStringLiteral("cannot make the data folder %1").arg(dir.path()));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    if (command == QLatin1String("add-user") || command == QLatin1String("remove-user")) {
        if (args.size() != 2)
            return fail(QStringLiteral("%1 takes one user name").arg(command));
        UserStore users(dir);
        if (command == QLatin1String("remove-user"))
            return users.removeUser(args.at(1)) ? 0 : fail(QStringLiteral("no user %1").arg(args.at(1)));
        QString error;
        if (!users.setPassword(args.at(1), quorvane::readSecret(parser.value(passwordFile)).toUtf8(), &error))
            return fail(error);
        return 0;
    }
    if (command == QLatin1String("users")) {
        for (const QString& name : UserStore(dir).userNames())
            std::printf("%s\n", name.toUtf8().constData());
        return 0;
    }
    if (command != QLatin1String("serve"))
        return fail(QStringLiteral("unknown command '%1' (try --help)").arg(command));

    ShareServerSettings settings;
    settings.dataDir = dir;
    bool ok = false;
    settings.release = parser.value(release).toInt(&ok);
    if (!ok)
        return fail(QStringLiteral("--release takes a whole number"));
    settings.maxUploadBytes = parser.value(maxUpload).toLongLong(&ok);
    if (!ok || settings.maxUploadBytes <= 0 || settings.maxUploadBytes > qint64(1024) * 1024 * 1024)
        return fail(QStringLiteral("--max-upload takes a number of bytes up to 1 GiB"));
    settings.publicUrl = parser.value(publicUrl);
    settings.downloadUrl = parser.value(downloadUrl);
    const QHostAddress address(parser.value(listen));
    if (address.isNull())
        return fail(QStringLiteral("--listen takes an IP address, such as 127.0.0.1 or 0.0.0.0"));
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535)
        return fail(QStringLiteral("--port takes a number from 0 to 65535"));

    ShareServer server(settings);
    QString error;
    const quint16 bound = server.start(address, quint16(portNumber), &error);
    if (bound == 0)
        return fail(error);
    QString shown = address.toString();
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        shown = QLatin1Char('[') + shown + QLatin1Char(']');
    std::printf("Quorvane share server on http://%s:%u/ (data in %s)\n", shown.toUtf8().constData(), unsigned(bound),
                dir.absolutePath().toUtf8().constData());
    std::fflush(stdout);
    return app.exec();
}
