#include "OnlineConfig.h"

#include "PlatformPaths.h"

#include <QMutex>
#include <QSet>
#include <QSettings>

#include <cstdio>

namespace quorvane {

namespace {

QString configuredText(const char* env, const char* key)
{
    const QString fromEnv = qEnvironmentVariable(env).trimmed();
    if (!fromEnv.isEmpty())
        return fromEnv;
    return machineSettings()->value(QLatin1String(key)).toString().trimmed();
}

QUrl acceptedUrl(const QString& text, bool httpsAllowed, const char* what)
{
    if (text.isEmpty())
        return {};
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool schemeOk = scheme == QLatin1String("http") || (httpsAllowed && scheme == QLatin1String("https"));
    if (!url.isValid() || !schemeOk || url.host().isEmpty()) {
        printOnce(what, QStringLiteral("Ignoring the %1 address \"%2\": it must be an %3 address with a host.")
                            .arg(QLatin1String(what), text,
                                 httpsAllowed ? QStringLiteral("http or https") : QStringLiteral("http")));
        return {};
    }
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
}

} // namespace

QUrl configuredServiceUrl()
{
    return acceptedUrl(configuredText(kServiceUrlEnv, kServiceUrlKey), true, "sharing service");
}

QUrl configuredCollectorUrl()
{
    return acceptedUrl(configuredText(kCollectorUrlEnv, kCollectorUrlKey), false, "analytics collector");
}

QUrl serviceEndpoint(const QUrl& service, const QString& path)
{
    QUrl url = service;
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    return url;
}

void printOnce(const char* key, const QString& line)
{
    static QMutex mutex;
    static QSet<QByteArray> printed;
    QMutexLocker lock(&mutex);
    if (printed.contains(key))
        return;
    printed.insert(key);
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace quorvane
