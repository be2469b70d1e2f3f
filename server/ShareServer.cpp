#include "ShareServer.h"

#include "ConnectionGuard.h"
#include "Multipart.h"
#include "Pages.h"
#include "QrSvg.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>
#include <QXmlStreamWriter>

#include <cstdio>

namespace {

using Status = QHttpServerResponder::StatusCode;

// Room for the multipart framing and the token around the largest accepted file.
constexpr qint64 kRequestOverhead = 64 * 1024;

QByteArray xmlReply(bool ok, const char* child, const QString& text)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("response"));
    xml.writeAttribute(QStringLiteral("status"), ok ? QStringLiteral("OK") : QStringLiteral("FAIL"));
    xml.writeTextElement(QLatin1String(child), text);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

void send(QHttpServerResponder& responder, Status status, const QByteArray& body, const QByteArray& type)
{
    responder.write(
        body,
        {{"Content-Type", type},
         {"X-Content-Type-Options", "nosniff"},
         {"Cache-Control", "no-store"},
         {"Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; img-src 'self' data:"}},
        status);
}

void sendXml(QHttpServerResponder& responder, Status status, bool ok, const char* child, const QString& text)
{
    send(responder, status, xmlReply(ok, child, text), "text/xml; charset=utf-8");
}

void sendPage(QHttpServerResponder& responder, Status status, const QByteArray& html)
{
    send(responder, status, html, "text/html; charset=utf-8");
}

void log(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QByteArray contentDisposition(const QString& name)
{
    QByteArray ascii;
    for (const QChar c : name)
        ascii += (c.unicode() >= 0x20 && c.unicode() < 0x7f && c != QLatin1Char('"') && c != QLatin1Char('\\'))
                     ? char(c.unicode())
                     : '_';
    return "attachment; filename=\"" + ascii + "\"; filename*=UTF-8''" + QUrl::toPercentEncoding(name);
}

} // namespace

ShareServer::ShareServer(const ShareServerSettings& settings, QObject* parent)
    : QAbstractHttpServer(parent), m_settings(settings), m_users(settings.dataDir), m_scenes(settings.dataDir)
{}

quint16 ShareServer::start(const QHostAddress& address, quint16 port, QString* error)
{
    if (!m_scenes.isUsable()) {
        *error = QStringLiteral("cannot make the scenes folder in %1").arg(m_settings.dataDir.absolutePath());
        return 0;
    }
    const qint64 maxRequest = m_settings.maxUploadBytes + kRequestOverhead;
    auto* guard = new ConnectionGuard(maxRequest, 4 * maxRequest, this);
    if (!guard->listen(address, port)) {
        *error = guard->errorString();
        delete guard;
        return 0;
    }
    bind(guard);
    m_address = address;
    m_port = guard->serverPort();
    return m_port;
}

QString ShareServer::baseUrl(const QHttpServerRequest& request) const
{
    if (!m_settings.publicUrl.isEmpty()) {
        QString url = m_settings.publicUrl;
        while (url.endsWith(QLatin1Char('/')))
            url.chop(1);
        return url;
    }
    // The address the client used, when it is a plain host and port.
    static const QRegularExpression hostPattern(
        QStringLiteral("^[A-Za-z0-9.\\-]+(:[0-9]{1,5})?$|^\\[[0-9A-Fa-f:.]+\\](:[0-9]{1,5})?$"));
    const QString host = QString::fromLatin1(request.value("Host"));
    if (hostPattern.match(host).hasMatch())
        return QStringLiteral("http://") + host;
    QString address = m_address.toString();
    if (m_address.protocol() == QAbstractSocket::IPv6Protocol)
        address = QLatin1Char('[') + address + QLatin1Char(']');
    return QStringLiteral("http://%1:%2").arg(address).arg(m_port);
}

bool ShareServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    const QString path = request.url().path();
    const bool post = request.method() == QHttpServerRequest::Method::Post;
    const bool get = request.method() == QHttpServerRequest::Method::Get;

    if (path == QLatin1String("/ws/login.php") || path == QLatin1String("/ws/form.php")) {
        if (!post) {
            send(responder, Status::MethodNotAllowed, "POST only\n", "text/plain");
            return true;
        }
        if (path == QLatin1String("/ws/login.php"))
            login(request, responder);
        else
            upload(request, responder);
        return true;
    }
    if (path == QLatin1String("/ws/version.php") && (post || get)) {
        send(responder, Status::Ok, QByteArray::number(m_settings.release), "text/plain; charset=utf-8");
        return true;
    }
    if (!get) {
        send(responder, Status::MethodNotAllowed, "GET only\n", "text/plain");
        return true;
    }
    if (path == QLatin1String("/")) {
        if (QUrlQuery(request.url()).queryItemValue(QStringLiteral("q")) == QLatin1String("es/user/password")) {
            sendPage(responder, Status::Ok,
                     noticePage(QStringLiteral("Recuperar contraseña"),
                                QStringLiteral("Las cuentas de este servidor las da de alta su administrador. "
                                               "Pídale que le asigne una contraseña nueva.")));
            return true;
        }
        sendPage(responder, Status::Ok, listPage(m_scenes.all()));
        return true;
    }
    if (path == QLatin1String("/download")) {
        if (!m_settings.downloadUrl.isEmpty()) {
            responder.write({{"Location", m_settings.downloadUrl.toUtf8()}}, Status::Found);
        } else {
            sendPage(responder, Status::Ok,
                     noticePage(QStringLiteral("Nueva versión"),
                                QStringLiteral("La versión más reciente de Quorvane es la %1. Pida al "
                                               "administrador de este servidor cómo obtenerla.")
                                    .arg(m_settings.release)));
        }
        return true;
    }
    static const QRegularExpression scenePath(QStringLiteral("^/s/([^/]+)(/download)?$"));
    const QRegularExpressionMatch m = scenePath.match(path);
    if (m.hasMatch()) {
        scene(request, responder, m.captured(1), !m.captured(2).isEmpty());
        return true;
    }
    notFound(responder);
    return true;
}

void ShareServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    notFound(responder);
}

void ShareServer::notFound(QHttpServerResponder& responder)
{
    sendPage(responder, Status::NotFound,
             noticePage(QStringLiteral("No encontrado"), QStringLiteral("Esta dirección no existe en el servidor.")));
}

void ShareServer::login(const QHttpServerRequest& request, QHttpServerResponder& responder)
{
    const QByteArray token = m_users.login(request.body());
    if (token.isEmpty()) {
        sendXml(responder, Status::Ok, false, "id", QString());
        return;
    }
    sendXml(responder, Status::Ok, true, "id", QString::fromLatin1(token));
}

void ShareServer::upload(const QHttpServerRequest& request, QHttpServerResponder& responder)
{
    const QByteArray boundary = multipartBoundary(request.value("Content-Type"));
    QList<FormPart> parts;
    const QByteArray body = request.body();
    if (boundary.isEmpty() || !parseMultipart(body, boundary, &parts)) {
        sendXml(responder, Status::BadRequest, false, "message",
                QStringLiteral("La petición no es un envío de escena válido."));
        return;
    }
    const FormPart* token = nullptr;
    const FormPart* file = nullptr;
    for (const FormPart& p : parts) {
        if (p.name == "id" && !token)
            token = &p;
        else if (p.name == "qqfile" && p.hasFileName && !file)
            file = &p;
    }
    const QString user = token ? m_users.userForToken(token->data.toByteArray()) : QString();
    if (user.isEmpty()) {
        sendXml(responder, Status::Forbidden, false, "message",
                QStringLiteral("La sesión no es válida o ha caducado: vuelva a conectar."));
        return;
    }
    if (!file) {
        sendXml(responder, Status::BadRequest, false, "message", QStringLiteral("No se recibió ninguna escena."));
        return;
    }
    if (file->data.size() > m_settings.maxUploadBytes) {
        sendXml(responder, Status::PayloadTooLarge, false, "message",
                QStringLiteral("La escena ocupa %1; este servidor admite escenas de hasta %2.")
                    .arg(formattedSize(file->data.size()), formattedSize(m_settings.maxUploadBytes)));
        return;
    }
    const QString uploadedName = QString::fromUtf8(file->fileName);
    const SceneKind kind = sceneKind(file->data, uploadedName);
    if (kind == SceneKind::NotAScene) {
        sendXml(responder, Status::UnsupportedMediaType, false, "message",
                QStringLiteral("El fichero no es una escena exportada por Quorvane Author."));
        return;
    }
    SharedScene stored;
    if (!m_scenes.add(file->data, uploadedName, kind, user, &stored)) {
        sendXml(responder, Status::InternalServerError, false, "message",
                QStringLiteral("El servidor no pudo guardar la escena. Inténtelo más tarde."));
        return;
    }
    log(QStringLiteral("shared %1 (%2 bytes) by %3 as %4").arg(stored.name).arg(stored.size).arg(user, stored.id));
    sendXml(responder, Status::Ok, true, "message", baseUrl(request) + QStringLiteral("/s/") + stored.id);
}

void ShareServer::scene(const QHttpServerRequest& request, QHttpServerResponder& responder, const QString& id,
                        bool download)
{
    SharedScene s;
    if (!m_scenes.find(id, &s)) {
        notFound(responder);
        return;
    }
    if (!download) {
        const QString link = baseUrl(request) + QStringLiteral("/s/") + s.id + QStringLiteral("/download");
        sendPage(responder, Status::Ok, scenePage(s, link, qrCodeSvg(link.toUtf8())));
        return;
    }
    auto* file = new QFile(m_scenes.filePath(s));
    if (!file->open(QIODevice::ReadOnly)) {
        delete file;
        notFound(responder);
        return;
    }
    // The responder owns the file and sends it in pieces.
    responder.write(file, {{"Content-Type", "application/octet-stream"},
                           {"Content-Disposition", contentDisposition(s.name)},
                           {"X-Content-Type-Options", "nosniff"}});
}
