#include "ConnectionGuard.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

ConnectionGuard::ConnectionGuard(qint64 maxRequestBytes, qint64 maxTotalBytes, QObject* parent)
    : QTcpServer(parent), m_maxRequestBytes(maxRequestBytes), m_maxTotalBytes(maxTotalBytes)
{}

void ConnectionGuard::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_open >= kMaxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_open;
    // Bytes of the request in progress on this connection.
    auto received = std::make_shared<qint64>(0);
    connect(socket, &QObject::destroyed, this, [this, received] {
        --m_open;
        m_total -= *received;
    });

    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->start(kIdleMs);
    connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);

    // Connected before the HTTP layer sees the socket, so this runs before it reads everything
    // available: what is available here is what just arrived.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, idle, received] {
        idle->start(kIdleMs);
        const qint64 more = socket->bytesAvailable();
        *received += more;
        m_total += more;
        if (*received > m_maxRequestBytes || m_total > m_maxTotalBytes)
            QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
    });
    // An answer ends the request: the next one on this connection starts from zero.
    connect(socket, &QTcpSocket::bytesWritten, this, [this, idle, received] {
        m_total -= *received;
        *received = 0;
        idle->start(kIdleMs);
    });
    addPendingConnection(socket);
}
