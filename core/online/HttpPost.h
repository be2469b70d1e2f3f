// One HTTP POST that the caller waits for in a local event loop (the GUI keeps processing events),
// with a time limit and a way to cancel. Works on any thread that may run an event loop: it makes its
// own network access manager.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>

namespace quorvane {

struct HttpPost
{
    QUrl url;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    int timeoutMs = 15000;
    // Polled about ten times a second while the request runs; true aborts it.
    std::function<bool()> cancelled;
    // Bytes of the body sent so far, and the body's size.
    std::function<void(qint64 sent, qint64 total)> progress;
};

enum class HttpOutcome {
    Replied,      // the server answered (any HTTP status); body holds what it sent
    NetworkError, // refused, reset, unknown host, broken TLS...
    TimedOut,     // no complete answer within the time limit
    Cancelled,
};

struct HttpResult
{
    HttpOutcome outcome = HttpOutcome::NetworkError;
    int httpStatus = 0;
    QByteArray body;
    QString errorText;
};

HttpResult postAndWait(const HttpPost& post);

} // namespace quorvane
