#include "QuorvaneDotCom.h"

#include "HttpPost.h"
#include "OnlineConfig.h"
#include "PlatformPaths.h"
#include "ServiceReply.h"
#include "UploadBody.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <limits>

namespace {

constexpr char kTokenKey[] = "dotcom/token";
constexpr char kAlwaysLoginKey[] = "dotcom/alwaysLogin";
constexpr char kUserKey[] = "dotcom/user";

// An upload may take as long as a slow line (256 kbit/s) needs for it, and a little more.
int uploadTimeoutMs(qint64 bodyBytes)
{
    const qint64 ms = 30000 + bodyBytes / 32768 * 1000;
    return int(qMin<qint64>(ms, std::numeric_limits<int>::max()));
}

bool reportIfNotConfigured(const QUrl& service)
{
    if (!service.isEmpty())
        return false;
    quorvane::printOnce("no service",
                        QStringLiteral("No sharing service is configured (set %1 or the setting \"%2\"): "
                                       "login, upload and version check send nothing.")
                            .arg(QLatin1String(quorvane::kServiceUrlEnv), QLatin1String(quorvane::kServiceUrlKey)));
    return true;
}

} // namespace

QuorvaneDotCom& QuorvaneDotCom::instance()
{
    // The language guarantees that exactly one thread constructs it; the others wait.
    static QuorvaneDotCom single;
    return single;
}

QuorvaneDotCom::QuorvaneDotCom()
{
    const auto settings = quorvane::machineSettings();
    m_token = settings->value(QLatin1String(kTokenKey)).toByteArray();
    m_alwaysLogin = settings->value(QLatin1String(kAlwaysLoginKey), true).toBool();
    m_user = settings->value(QLatin1String(kUserKey)).toString();
}

QuorvaneDotCom::~QuorvaneDotCom()
{
    // Every change was saved when it happened; writing the values read at start back now could undo
    // a login made meanwhile by the other program or the command-line tool.
    if (m_unsaved)
        save();
}

void QuorvaneDotCom::save()
{
    QMutexLocker lock(&m_mutex);
    m_unsaved = false;
    const auto settings = quorvane::machineSettings();
    settings->setValue(QLatin1String(kTokenKey), m_token);
    settings->setValue(QLatin1String(kAlwaysLoginKey), m_alwaysLogin);
    settings->setValue(QLatin1String(kUserKey), m_user);
    settings->sync();
}

bool QuorvaneDotCom::isConfigured() const
{
    return !serviceUrl().isEmpty();
}

QUrl QuorvaneDotCom::serviceUrl() const
{
    return quorvane::configuredServiceUrl();
}

QUrl QuorvaneDotCom::passwordRecoveryUrl() const
{
    const QUrl service = serviceUrl();
    if (service.isEmpty())
        return {};
    QUrl url = quorvane::serviceEndpoint(service, QStringLiteral("/"));
    url.setQuery(QStringLiteral("q=es/user/password"));
    return url;
}

QUrl QuorvaneDotCom::downloadPageUrl() const
{
    const QUrl service = serviceUrl();
    return service.isEmpty() ? QUrl() : quorvane::serviceEndpoint(service, QStringLiteral("/download"));
}

QString QuorvaneDotCom::notConfiguredMessage()
{
    return QCoreApplication::translate(
               "QuorvaneDotCom",
               "No hay ningún servicio para compartir configurado: indique su dirección (http://servidor:puerto) "
               "en la variable de entorno %1 o en la clave \"%2\" de la configuración.")
        .arg(QLatin1String(quorvane::kServiceUrlEnv), QLatin1String(quorvane::kServiceUrlKey));
}

QString QuorvaneDotCom::user() const
{
    QMutexLocker lock(&m_mutex);
    return m_user;
}

QByteArray QuorvaneDotCom::token() const
{
    QMutexLocker lock(&m_mutex);
    return m_token;
}

QString QuorvaneDotCom::post(const QUrl& url, const QByteArray& body, int timeoutMs)
{
    quorvane::HttpPost request;
    request.url = url;
    request.body = body;
    request.timeoutMs = timeoutMs;
    return QString::fromUtf8(quorvane::postAndWait(request).body);
}

bool QuorvaneDotCom::login(const QString& user, const QString& password, int* code)
{
    auto fail = [&](int c) {
        if (code)
            *code = c;
        {
            QMutexLocker lock(&m_mutex);
            m_token.clear();
            m_unsaved = true;
        }
        save();
        return false;
    };
    const QUrl service = serviceUrl();
    if (reportIfNotConfigured(service))
        return fail(NotConfigured);

    // As typed: a name or password with "&" or "=" goes into the body unchanged.
    const QByteArray body = QStringLiteral("name=%1&pass=%2").arg(user, password).toUtf8();
    const QString text = post(quorvane::serviceEndpoint(service, QStringLiteral("/ws/login.php")), body);
    if (text.isEmpty())
        return fail(NoReply);

    const quorvane::ServiceReply reply = quorvane::parseServiceReply(text.toUtf8(), QStringLiteral("id"));
    if (reply.status != QLatin1String("OK"))
        return fail(reply.status == QLatin1String("FAIL") ? WrongCredentials : NoReply);
    {
        QMutexLocker lock(&m_mutex);
        m_token = reply.child.toLatin1();
        m_user = user;
        m_unsaved = true;
    }
    save(); // at once: a login is not lost if the program does not end normally
    return true;
}

bool QuorvaneDotCom::upload(const QString& path, QString* message, quorvane::UploadProgress* progress)
{
    if (message)
        message->clear();
    const QUrl service = serviceUrl();
    if (reportIfNotConfigured(service))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;

    const QString fileName = QFileInfo(path).fileName();
    QByteArray body = quorvane::uploadBodyHead(token(), fileName);
    const QByteArray tail = quorvane::uploadBodyTail();
    const qint64 headSize = body.size();
    const qint64 fileSize = file.size();
    if (headSize + fileSize + tail.size() > std::numeric_limits<int>::max() / 2)
        return false;
    // One buffer for the whole body: the file is read straight into it.
    body.reserve(headSize + fileSize + tail.size());
    body.resize(headSize + fileSize);
    if (file.read(body.data() + headSize, fileSize) != fileSize)
        return false;
    body += tail;

    quorvane::HttpPost request;
    request.url = quorvane::serviceEndpoint(service, QStringLiteral("/ws/form.php"));
    request.headers = quorvane::uploadHeaders(body.size());
    request.body = body;
    request.timeoutMs = uploadTimeoutMs(body.size());
    if (progress) {
        request.cancelled = [progress] { return progress->cancelRequested(); };
        request.progress = [progress](qint64 sent, qint64 total) { progress->progressed(sent, total); };
        progress->started(fileName, body.size());
    }
    body.clear(); // the request holds the only copy
    const quorvane::HttpResult result = quorvane::postAndWait(request);
    if (progress)
        progress->finished();

    const quorvane::ServiceReply reply = quorvane::parseServiceReply(result.body, QStringLiteral("message"));
    if (message)
        *message = reply.child;
    return reply.status == QLatin1String("OK");
}

int QuorvaneDotCom::versionCheck(int* code)
{
    return versionCheck(code, {});
}

int QuorvaneDotCom::versionCheck(int* code, const std::function<bool()>& cancelled)
{
    const QUrl service = serviceUrl();
    if (reportIfNotConfigured(service)) {
        if (code)
            *code = NotConfigured;
        return -1;
    }
    quorvane::HttpPost request;
    request.url = quorvane::serviceEndpoint(service, QStringLiteral("/ws/version.php"));
    request.cancelled = cancelled;
    const quorvane::HttpResult result = quorvane::postAndWait(request);
    if (result.outcome != quorvane::HttpOutcome::Replied) {
        if (code)
            *code = RequestError;
        return -1;
    }
    const QString text = QString::fromUtf8(result.body).trimmed();
    if (text.isEmpty()) {
        if (code)
            *code = NoReply;
        return -1;
    }
    bool ok = false;
    const int release = text.toInt(&ok, 10);
    return ok ? release : 0;
}
