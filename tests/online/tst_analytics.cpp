// Usage analytics captured on a loopback listener: the request exactly as the table builds it, the
// domain hash, the visitor cycle, the page name's encoding, and silence without a collector or when
// switched off.
#include "GoogleAnalyticsManager.h"

#include "AnalyticsRequest.h"
#include "OnlineConfig.h"
#include "PlatformPaths.h"
#include "RawListener.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Captured
{
    bool matched = false;
    int count = 0;
    qint64 domainHash = 0, visitorId = 0, firstVisit = 0, previousVisit = 0, now = 0;
    QString page, locale;
};

// Takes a captured request apart along the table; `matched` is false when anything differs from it.
Captured parse(const QByteArray& request, const QString& account, const QString& product, const QString& screen)
{
    static const QString kUserAgent =
        QStringLiteral("Mozilla/5.0 \\(Windows NT 6\\.1; WOW64; rv:19\\.0\\) Gecko/20100101 Firefox/19\\.0");
    const QRegularExpression re(
        QStringLiteral("^GET /__utm\\.gif\\?utmwv=5\\.2\\.5&utmac=") + QRegularExpression::escape(account) +
        QStringLiteral("&utmhn=") + QRegularExpression::escape(product) +
        QStringLiteral("&utms=(\\d+)&utmn=\\d+&utmcc=__utma%3D(\\d+)\\.(\\d+)\\.(\\d+)\\.(\\d+)\\.(\\d+)\\.1%3B"
                       "&utmp=([^&]*)&utmcs=-&utmr=-&utmip=127\\.0\\.0\\.1&utmul=([a-z0-9-]+)&utmfl=-&utmje=-&utmsr=") +
        QRegularExpression::escape(screen) +
        QStringLiteral("&utmhid=\\d+ HTTP/1\\.0\\r\\nHost: 127\\.0\\.0\\.1\\r\\nUser-Agent: ") + kUserAgent +
        QStringLiteral("\\r\\nX-Forwarded-For: 127\\.0\\.0\\.1\\r\\nConnection: close\\r\\n\\r\\n\\r\\n$"));
    const QRegularExpressionMatch m = re.match(QString::fromUtf8(request));
    Captured c;
    if (!m.hasMatch())
        return c;
    c.matched = true;
    c.count = m.captured(1).toInt();
    c.domainHash = m.captured(2).toLongLong();
    c.visitorId = m.captured(3).toLongLong();
    c.firstVisit = m.captured(4).toLongLong();
    c.previousVisit = m.captured(5).toLongLong();
    c.now = m.captured(6).toLongLong();
    c.page = m.captured(7);
    c.locale = m.captured(8);
    return c;
}

} // namespace

class TestAnalytics : public QObject
{
    Q_OBJECT

    const QString m_account = QStringLiteral("UA-1234-5");

    GoogleAnalyticsManager& manager() { return GoogleAnalyticsManager::instance(); }

    void useCollector(const RawListener& listener)
    {
        qputenv(quorvane::kCollectorUrlEnv, listener.url().toString().toUtf8());
    }

    // Sends the pages, a few at a time (the queue holds a limited number), and waits until the listener
    // has a request for each.
    QList<QByteArray> send(RawListener& listener, const QStringList& pages)
    {
        const int before = int(listener.requests().size());
        for (int i = 0; i < pages.size(); ++i) {
            manager().sendPage(pages.at(i));
            if (i % 50 == 49 || i + 1 == pages.size())
                listener.waitForRequests(before + i + 1, 60000);
        }
        return listener.requests().mid(before);
    }

private slots:
    void initTestCase() { manager().setProduct(QStringLiteral("QuorvaneAuthor"), m_account, QSize(1920, 1080)); }

    void init()
    {
        qunsetenv(quorvane::kCollectorUrlEnv);
        const auto settings = quorvane::machineSettings();
        settings->remove(quorvane::kCollectorUrlKey);
        settings->remove(quorvane::kAnalyticsEnabledKey);
    }

    void domainHash_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("hash");
        QTest::newRow("empty") << QString() << 1;
        QTest::newRow("a") << QStringLiteral("a") << 1589345;
        QTest::newRow("QuorvaneAuthor") << QStringLiteral("QuorvaneAuthor") << 74164914;
        QTest::newRow("QuorvaneViewer") << QStringLiteral("QuorvaneViewer") << 19113752;
        QTest::newRow("www.example.org") << QStringLiteral("www.example.org") << 222130078;
        QTest::newRow("Latin-1 letters") << QStringLiteral("ñandú") << 196754988;
    }

    void domainHash()
    {
        QFETCH(QString, text);
        QFETCH(int, hash);
        QCOMPARE(quorvane::urchinDomainHash(text), hash);
    }

    void requestAsTheTableSays()
    {
        RawListener collector;
        useCollector(collector);
        QVERIFY(manager().isEnabled()); // on by default once a collector is configured
        const quorvane::AnalyticsState before = manager().state();
        manager().sendPage(QStringLiteral("start"));
        // Queued, not sent on the caller's time: nothing has reached the collector yet.
        QCOMPARE(collector.connections(), 0);
        QVERIFY(collector.waitForRequests(1));

        const Captured c = parse(collector.requests().first(), m_account, QStringLiteral("QuorvaneAuthor"),
                                 QStringLiteral("1920x1080"));
        QVERIFY2(c.matched, collector.requests().first().constData());
        QCOMPARE(c.count, before.requestCount);
        QCOMPARE(c.domainHash, 74164914);
        QCOMPARE(c.visitorId, before.visitorId);
        QCOMPARE(c.page, QStringLiteral("start"));
        QCOMPARE(c.locale, QLocale::system().name().toLower().replace('_', '-'));
        if (before.firstVisit == 0) {
            // The first request of a run carries the same time three times.
            QCOMPARE(c.firstVisit, c.now);
            QCOMPARE(c.previousVisit, c.now);
        }
        QVERIFY(qAbs(c.now - QDateTime::currentSecsSinceEpoch()) < 120);
        QCOMPARE(manager().state().requestCount, before.requestCount + 1);
        QCOMPARE(manager().state().previousVisit, c.now);
    }

    void pageNamesArePercentEncoded_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("plain") << QStringLiteral("exportarEscenaMovil") << QStringLiteral("exportarEscenaMovil");
        QTest::newRow("blanks") << QStringLiteral("mi página") << QStringLiteral("mi%20p%C3%A1gina");
        QTest::newRow("reserved") << QStringLiteral("a&b=c/d?e") << QStringLiteral("a%26b%3Dc%2Fd%3Fe");
        QTest::newRow("unreserved") << QStringLiteral("A-z_0.9~") << QStringLiteral("A-z_0.9~");
    }

    void pageNamesArePercentEncoded()
    {
        QFETCH(QString, page);
        QFETCH(QString, encoded);
        RawListener collector;
        useCollector(collector);
        const QList<QByteArray> got = send(collector, {page});
        QCOMPARE(got.size(), 1);
        const Captured c = parse(got.first(), m_account, QStringLiteral("QuorvaneAuthor"), QStringLiteral("1920x1080"));
        QVERIFY2(c.matched, got.first().constData());
        QCOMPARE(c.page, encoded);
    }

    // Request 500 of a visitor cycle is the last: the next starts a new visitor with fresh times.
    void the501stRequestStartsANewVisitor()
    {
        RawListener collector;
        useCollector(collector);
        const quorvane::AnalyticsState before = manager().state();
        const int toEnd = quorvane::kVisitorCycleRequests - before.requestCount + 1;
        QStringList pages;
        for (int i = 0; i < toEnd + 1; ++i)
            pages << QStringLiteral("p%1").arg(i);
        const QList<QByteArray> got = send(collector, pages);
        QCOMPARE(got.size(), pages.size());

        const auto at = [&](int i) {
            return parse(got.at(i), m_account, QStringLiteral("QuorvaneAuthor"), QStringLiteral("1920x1080"));
        };
        const Captured last = at(toEnd - 1), next = at(toEnd);
        QVERIFY(last.matched && next.matched);
        QCOMPARE(last.count, 500);
        QCOMPARE(last.visitorId, before.visitorId);
        QCOMPARE(next.count, 1);
        QVERIFY(next.visitorId != before.visitorId);
        QCOMPARE(next.firstVisit, next.now);
        QCOMPARE(next.previousVisit, next.now);
        QCOMPARE(manager().state().requestCount, 2);
    }

    void silentWithoutACollector()
    {
        RawListener collector;
        QVERIFY(!manager().isConfigured());
        QVERIFY(!manager().isEnabled());
        QSignalSpy done(&manager(), &GoogleAnalyticsManager::pageDone);
        const quorvane::AnalyticsState before = manager().state();
        manager().sendPage(QStringLiteral("start"));
        QVERIFY(manager().flush(1000));
        QTest::qWait(300);
        QCOMPARE(done.count(), 0);
        QCOMPARE(manager().state().requestCount, before.requestCount);
        // A collector that is not an http address counts as none.
        qputenv(quorvane::kCollectorUrlEnv, "https://127.0.0.1:1/");
        QVERIFY(!manager().isConfigured());
        QCOMPARE(collector.connections(), 0);
    }

    void switchedOffSendsNothing()
    {
        RawListener collector;
        quorvane::machineSettings()->setValue(quorvane::kCollectorUrlKey, collector.url().toString());
        QVERIFY(manager().isEnabled());
        manager().setEnabled(false);
        QCOMPARE(quorvane::machineSettings()->value(quorvane::kAnalyticsEnabledKey).toBool(), false);
        manager().sendPage(QStringLiteral("finish"));
        QVERIFY(manager().flush(1000));
        QTest::qWait(300);
        QCOMPARE(collector.connections(), 0);

        manager().setEnabled(true);
        QCOMPARE(send(collector, {QStringLiteral("finish")}).size(), 1);
    }

    // A collector that refuses: the page is dropped, the next one still goes out.
    void unreachableCollectorDropsThePage()
    {
        quint16 port = 0;
        {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
            port = closed.serverPort();
        }
        qputenv(quorvane::kCollectorUrlEnv, QByteArray("http://127.0.0.1:") + QByteArray::number(port));
        QSignalSpy done(&manager(), &GoogleAnalyticsManager::pageDone);
        const quorvane::AnalyticsState before = manager().state();
        manager().sendPage(QStringLiteral("lost"));
        QVERIFY(done.wait(40000));
        QCOMPARE(done.first().at(1).toBool(), false);
        QCOMPARE(manager().state().requestCount, before.requestCount);

        RawListener collector;
        useCollector(collector);
        QCOMPARE(send(collector, {QStringLiteral("found")}).size(), 1);
    }
};

QTEST_MAIN(TestAnalytics)
#include "tst_analytics.moc"
