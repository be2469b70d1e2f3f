#include "GoogleAnalyticsManager.h"

#include "OnlineConfig.h"
#include "PlatformPaths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QSettings>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

int randomNumber()
{
    return int(QRandomGenerator::global()->bounded(std::numeric_limits<int>::max()));
}

void printLine(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

GoogleAnalyticsManager& GoogleAnalyticsManager::instance()
{
    static GoogleAnalyticsManager single;
    return single;
}

GoogleAnalyticsManager::GoogleAnalyticsManager()
{
    // Sockets and timers need a running event loop: the program's main thread has one.
    if (QCoreApplication::instance() && thread() != QCoreApplication::instance()->thread())
        moveToThread(QCoreApplication::instance()->thread());
    m_state.visitorId = randomNumber();
    m_context.locale = quorvane::utmLocaleName(QLocale::system());
    m_context.screenSize = QStringLiteral("0x0");
    setProduct(QString(), QString(), QSize());
    // A connection still open when the application object goes away is closed while it still can be.
    qAddPostRoutine(&GoogleAnalyticsManager::dropConnection);
}

GoogleAnalyticsManager::~GoogleAnalyticsManager() = default;

void GoogleAnalyticsManager::dropConnection()
{
    GoogleAnalyticsManager& m = instance();
    m.m_queue.clear();
    m.m_socket = nullptr;
    m.m_timer = nullptr;
    qDeleteAll(m.children());
}

void GoogleAnalyticsManager::setProduct(const QString& productName, const QString& account, QSize screenSize)
{
    const QString configuredAccount =
        quorvane::machineSettings()->value(QLatin1String(quorvane::kAnalyticsAccountKey)).toString();
    m_context.product = productName;
    m_context.account = configuredAccount.isEmpty() ? account : configuredAccount;
    if (screenSize.isValid())
        m_context.screenSize = QStringLiteral("%1x%2").arg(screenSize.width()).arg(screenSize.height());
    m_state.domainHash = quorvane::urchinDomainHash(productName);
}

bool GoogleAnalyticsManager::isConfigured() const
{
    return !quorvane::configuredCollectorUrl().isEmpty();
}

bool GoogleAnalyticsManager::isEnabled() const
{
    return isConfigured() &&
           quorvane::machineSettings()->value(QLatin1String(quorvane::kAnalyticsEnabledKey), true).toBool();
}

void GoogleAnalyticsManager::setEnabled(bool on)
{
    const auto settings = quorvane::machineSettings();
    settings->setValue(QLatin1String(quorvane::kAnalyticsEnabledKey), on);
    settings->sync();
    if (!on)
        m_queue.clear();
}

quorvane::AnalyticsState GoogleAnalyticsManager::state() const
{
    return m_state;
}

void GoogleAnalyticsManager::sendPage(const QString& page)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, page] { sendPage(page); }, Qt::QueuedConnection);
        return;
    }
    if (!isConfigured()) {
        quorvane::printOnce("no collector", QStringLiteral("No analytics collector is configured (set %1 or the "
                                                           "setting \"%2\"): usage analytics send nothing.")
                                                .arg(QLatin1String(quorvane::kCollectorUrlEnv),
                                                     QLatin1String(quorvane::kCollectorUrlKey)));
        return;
    }
    if (!isEnabled() || m_queue.size() >= kMaxQueued)
        return;
    m_queue.enqueue(page);
    if (!m_socket)
        // Started from the event loop, so a burst of pages from one call site queues up first.
        QTimer::singleShot(0, this, &GoogleAnalyticsManager::sendNext);
}

void GoogleAnalyticsManager::sendNext()
{
    if (m_socket || m_queue.isEmpty())
        return;
    m_current = m_queue.dequeue();
    m_collector = quorvane::configuredCollectorUrl();
    if (m_collector.isEmpty()) {
        emit pageDone(m_current, false);
        m_current.clear();
        QTimer::singleShot(0, this, &GoogleAnalyticsManager::sendNext);
        return;
    }
    m_context.collectorHost = m_collector.host();
    m_connected = false;
    m_socket = new QTcpSocket(this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    auto giveUp = [this] {
        if (!m_connected)
            printLine(QStringLiteral("Impossible to connect to ") + m_collector.host());
        // A write that fails or stalls is let go: the page counts as sent.
        finishCurrent(false);
    };
    connect(m_timer, &QTimer::timeout, this, giveUp);
    connect(m_socket, &QTcpSocket::errorOccurred, this, giveUp);
    connect(m_socket, &QTcpSocket::connected, this, &GoogleAnalyticsManager::onConnected);
    m_timer->start(kWaitMs);
    m_socket->connectToHost(m_collector.host(), quint16(m_collector.port(80)));
}

void GoogleAnalyticsManager::onConnected()
{
    m_connected = true;
    const qint64 now = QDateTime::currentMSecsSinceEpoch() / 1000;
    const QByteArray request = quorvane::nextUtmRequest(&m_state, m_context, m_current, now, randomNumber);
    printLine(QStringLiteral("Sending Google Analytics request: ") + QString::fromUtf8(request));
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_socket->bytesToWrite() == 0)
            finishCurrent(true);
    });
    m_socket->write(request);
    m_timer->start(kWaitMs);
}

void GoogleAnalyticsManager::finishCurrent(bool written)
{
    if (!m_socket)
        return;
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    // The reply is not read: close once what was written has gone out.
    socket->disconnectFromHost();
    socket->deleteLater();
    m_timer->deleteLater();
    m_timer = nullptr;
    const QString page = m_current;
    m_current.clear();
    emit pageDone(page, written);
    sendNext();
}

bool GoogleAnalyticsManager::flush(int msecs)
{
    QElapsedTimer clock;
    clock.start();
    while ((m_socket || !m_queue.isEmpty()) && clock.elapsed() < msecs) {
        QEventLoop loop;
        connect(this, &GoogleAnalyticsManager::pageDone, &loop, &QEventLoop::quit);
        QTimer::singleShot(qMax<qint64>(1, msecs - clock.elapsed()), &loop, &QEventLoop::quit);
        if (!m_socket)
            QTimer::singleShot(0, this, &GoogleAnalyticsManager::sendNext);
        loop.exec();
    }
    return !m_socket && m_queue.isEmpty();
}
