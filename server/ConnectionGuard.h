// The listening socket of the share server, with limits the HTTP layer does not have. That layer keeps
// a whole request in memory and waits for the rest of a request for ever, so here: at most
// kMaxConnections at once; a connection whose request grows past the request cap, or that would take
// the requests in progress together past the total cap, is closed; and one that sends nothing for
// kIdleMs is closed.
#pragma once

#include <QTcpServer>

class ConnectionGuard : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int kMaxConnections = 32;
    static constexpr int kIdleMs = 60000;

    // `maxRequestBytes`: the most one request may send; `maxTotalBytes`: the most all requests in
    // progress may hold together.
    ConnectionGuard(qint64 maxRequestBytes, qint64 maxTotalBytes, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    qint64 m_maxRequestBytes;
    qint64 m_maxTotalBytes;
    qint64 m_total = 0;
    int m_open = 0;
};
