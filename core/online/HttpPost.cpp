#include "HttpPost.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace quorvane {

HttpResult postAndWait(const HttpPost& post)
{
    QNetworkRequest request(post.url);
    for (const auto& [name, value] : post.headers)
        request.setRawHeader(name, value);
    if (request.header(QNetworkRequest::ContentTypeHeader).isNull())
        // What the network layer would pick for a POST anyway; set here so it does not warn.
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(0); // the whole request has one limit below, not one per stall

    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.post(request, post.body);
    HttpResult result;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (post.progress)
        QObject::connect(reply, &QNetworkReply::uploadProgress, &loop, [&](qint64 sent, qint64 total) {
            // The network layer ends with (0, 0), which says nothing.
            if (total > 0)
                post.progress(sent, total);
        });

    bool timedOut = false;
    bool cancelled = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (post.cancelled && post.cancelled()) {
            cancelled = true;
            reply->abort();
        }
    });
    limit.start(post.timeoutMs);
    poll.start(100);
    if (!reply->isFinished())
        loop.exec();
    limit.stop();
    poll.stop();

    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (timedOut) {
        result.outcome = HttpOutcome::TimedOut;
    } else if (cancelled) {
        result.outcome = HttpOutcome::Cancelled;
    } else if (result.httpStatus != 0) {
        result.outcome = HttpOutcome::Replied;
        result.body = reply->readAll();
    } else {
        result.outcome = HttpOutcome::NetworkError;
        result.errorText = reply->errorString();
    }
    delete reply;
    return result;
}

} // namespace quorvane
