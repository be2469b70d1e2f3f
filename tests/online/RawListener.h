// A plain TCP listener on 127.0.0.1 that records every request byte for byte and answers with a fixed
// HTTP reply, or never answers. A request is complete when its headers and Content-Length bytes of
// body are in, or when the client closes the connection.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

class RawListener : public QObject
{
public:
    RawListener()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection())
                accept(s);
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    quint16 port() const { return m_server.serverPort(); }

    // The reply to every request: status 200 with this body. Never called: no reply at all.
    void replyWith(const QByteArray& body)
    {
        m_reply = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + QByteArray::number(body.size()) +
                  "\r\nConnection: close\r\n\r\n" + body;
    }
    void neverReply() { m_reply.clear(); }

    const QList<QByteArray>& requests() const { return m_requests; }
    int connections() const { return m_connections; }
    void clear() { m_requests.clear(); }

    bool waitForRequests(int count, int ms = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (m_requests.size() < count && t.elapsed() < ms)
            QTest::qWait(10);
        return m_requests.size() >= count;
    }

    // The parts of a recorded request.
    static QByteArray head(const QByteArray& request) { return request.left(request.indexOf("\r\n\r\n") + 4); }
    static QByteArray body(const QByteArray& request) { return request.mid(request.indexOf("\r\n\r\n") + 4); }
    static QByteArray header(const QByteArray& request, const QByteArray& name)
    {
        for (const QByteArray& line : head(request).split('\n')) {
            const int colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }

private:
    void accept(QTcpSocket* socket)
    {
        ++m_connections;
        auto* buffer = new QByteArray;
        auto* done = new bool(false);
        QObject::connect(socket, &QObject::destroyed, this, [buffer, done] {
            delete buffer;
            delete done;
        });
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer, done] {
            *buffer += socket->readAll();
            if (*done || !complete(*buffer))
                return;
            *done = true;
            m_requests.append(*buffer);
            if (!m_reply.isEmpty()) {
                socket->write(m_reply);
                socket->disconnectFromHost();
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket, buffer, done] {
            if (!*done && !buffer->isEmpty())
                m_requests.append(*buffer);
            *done = true;
            socket->deleteLater();
        });
    }

    static bool complete(const QByteArray& data)
    {
        const int end = data.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const QByteArray length = header(data, "Content-Length");
        if (length.isEmpty())
            return !data.startsWith("GET "); // a GET is complete when the client closes
        return data.size() - (end + 4) >= length.toLongLong();
    }

    QTcpServer m_server;
    QByteArray m_reply;
    QList<QByteArray> m_requests;
    int m_connections = 0;
};
