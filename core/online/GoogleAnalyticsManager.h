// Usage analytics: page views sent to a collector that speaks the urchin "/__utm.gif" protocol
// (AnalyticsRequest.h), over a raw TCP connection as an HTTP/1.0 GET. One process-wide instance,
// created on first use.
//
// Sending never blocks the caller: pages wait in a queue and go out one at a time on this object's
// thread (the program's main thread) through asynchronous sockets; connecting and writing each give up
// after 30 s. Nothing is sent without a configured collector (said once on standard output) or while
// the user has switched analytics off; the switch is the setting "analytics/enabled" in the shared
// machine settings file, on by default exactly when a collector is configured (OnlineConfig.h). Both
// are read for every page, so a change counts at once.
//
// Each program names itself once at start:
//   GoogleAnalyticsManager::instance().setProduct(GoogleAnalyticsManager::kAuthorProduct,
//                                                 GoogleAnalyticsManager::kAuthorAccount, screenSize);
// and, after the last page ("finish"), lets the queue drain briefly with flush() before it exits.
#pragma once

#include "AnalyticsRequest.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QSize>
#include <QString>
#include <QUrl>

class QTcpSocket;
class QTimer;

class GoogleAnalyticsManager : public QObject
{
    Q_OBJECT

public:
    static constexpr char kAuthorProduct[] = "QuorvaneAuthor";
    static constexpr char kViewerProduct[] = "QuorvaneViewer";
    static constexpr char kAuthorAccount[] = "UA-00000000-1";
    static constexpr char kViewerAccount[] = "UA-00000000-2";
    // Pages waiting beyond this many are dropped (a collector that is down must not grow the queue).
    static constexpr int kMaxQueued = 100;
    static constexpr int kWaitMs = 30000;

    static GoogleAnalyticsManager& instance();

    // The product name ("utmhn", and the domain hash) and tracking account ("utmac"; the setting
    // "analytics/account" overrides it), and the primary screen's size in pixels ("utmsr").
    void setProduct(const QString& productName, const QString& account, QSize screenSize);

    // Queues one page view. Thread-safe; returns at once.
    void sendPage(const QString& page);

    // Whether a collector is configured, and whether pages are sent (configured and switched on).
    bool isConfigured() const;
    bool isEnabled() const;
    // Switches analytics on or off for this user, in both programs, from now on.
    void setEnabled(bool on);

    // Runs the event loop until every queued page has gone out or `msecs` have passed. For the end of
    // a program; true when the queue is empty.
    bool flush(int msecs);

    // The visitor state, as the next request will carry it.
    quorvane::AnalyticsState state() const;

signals:
    // A page view was written to the collector (or dropped: written false).
    void pageDone(const QString& page, bool written);

private:
    GoogleAnalyticsManager();
    ~GoogleAnalyticsManager() override;
    void sendNext();
    void onConnected();
    void finishCurrent(bool written);
    static void dropConnection();

    QUrl m_collector; // of the page being sent
    quorvane::AnalyticsState m_state;
    quorvane::AnalyticsContext m_context;
    QQueue<QString> m_queue;
    QString m_current;
    bool m_connected = false;
    QTcpSocket* m_socket = nullptr;
    QTimer* m_timer = nullptr;
};
