// The web account client against the project's own share server and against raw loopback listeners
// that record the bytes: login, the XML replies, the upload body, time limits, cancel, the version
// check, and where the service's address comes from.
#include "ArchiveBytes.h"
#include "QuorvaneDotCom.h"

#include "OnlineConfig.h"
#include "PlatformPaths.h"
#include "RawListener.h"
#include "ShareServerProcess.h"
#include "TestFiles.h"
#include "UploadProgress.h"
#include "VersionCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace testutil;

namespace {

void useService(const QUrl& url)
{
    qputenv(quorvane::kServiceUrlEnv, url.toString().toUtf8());
}

QByteArray httpGet(const QUrl& url, int* status = nullptr)
{
    QNetworkAccessManager nam;
    QNetworkReply* reply = nam.get(QNetworkRequest(url));
    QSignalSpy done(reply, &QNetworkReply::finished);
    done.wait(30000);
    if (status)
        *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    delete reply;
    return body;
}

class ScriptedProgress : public quorvane::UploadProgress
{
public:
    bool cancelOnStart = false;
    bool isStarted = false;
    bool isFinished = false;
    qint64 total = 0;
    qint64 lastSent = 0;

    void started(const QString&, qint64 totalBytes) override
    {
        isStarted = true;
        total = totalBytes;
    }
    void progressed(qint64 sent, qint64) override { lastSent = sent; }
    bool cancelRequested() const override { return cancelOnStart && isStarted; }
    void finished() override { isFinished = true; }
};

} // namespace

class TestDotCom : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ShareServerProcess m_server;
    const QString m_user = QStringLiteral("ana&b=c");
    const QByteArray m_password = "p=q&r ñ";

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_server.addUser(m_user, m_password));
        QVERIFY(m_server.start());
    }

    void init()
    {
        qunsetenv(quorvane::kServiceUrlEnv);
        quorvane::machineSettings()->remove(QLatin1String(quorvane::kServiceUrlKey));
    }

    // Magic statics make every thread wait for the one that builds it.
    void firstUseFromSeveralThreadsAtOnce()
    {
        QSemaphore go;
        QList<QuorvaneDotCom*> seen(4, nullptr);
        for (int i = 0; i < 3; ++i)
            QThreadPool::globalInstance()->start([&, i] {
                go.acquire();
                seen[i] = &QuorvaneDotCom::instance();
            });
        go.release(3);
        seen[3] = &QuorvaneDotCom::instance();
        QThreadPool::globalInstance()->waitForDone();
        for (QuorvaneDotCom* p : seen)
            QCOMPARE(p, seen[3]);
    }

    void loginAgainstTheShareServer()
    {
        useService(m_server.url());
        QuorvaneDotCom& dotcom = QuorvaneDotCom::instance();
        int code = 0;
        QVERIFY(dotcom.login(m_user, QString::fromUtf8(m_password), &code));
        QCOMPARE(dotcom.user(), m_user);
        QCOMPARE(dotcom.token().size(), 64);
        // Kept in the private settings file at once, so a crash does not lose it.
        QCOMPARE(quorvane::machineSettings()->value("dotcom/token").toByteArray(), dotcom.token());
        QCOMPARE(quorvane::machineSettings()->value("dotcom/user").toString(), m_user);

        QVERIFY(!dotcom.login(m_user, QStringLiteral("wrong"), &code));
        QCOMPARE(code, int(QuorvaneDotCom::WrongCredentials));
        QVERIFY(dotcom.token().isEmpty());
    }

    // The links the dialogs open lead to pages the server has.
    void servicePages()
    {
        useService(m_server.url());
        int status = 0;
        QVERIFY(QString::fromUtf8(httpGet(QuorvaneDotCom::instance().passwordRecoveryUrl(), &status))
                    .contains(QStringLiteral("Recuperar contraseña")));
        QCOMPARE(status, 200);
        QVERIFY(httpGet(QuorvaneDotCom::instance().downloadPageUrl(), &status).contains("Nueva versi"));
        QCOMPARE(status, 200);
        qunsetenv(quorvane::kServiceUrlEnv);
        QVERIFY(QuorvaneDotCom::instance().downloadPageUrl().isEmpty());
    }

    void loginReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("token");
        QTest::newRow("OK") << QByteArray("<r status=\"OK\"><id>tok1</id></r>") << true << 0 << QByteArray("tok1");
        QTest::newRow("ok in lower case")
            << QByteArray("<r status=\"ok\"><id>tok2</id></r>") << true << 0 << QByteArray("tok2");
        QTest::newRow("white space around")
            << QByteArray("\n  <?xml version=\"1.0\"?><r status=\"Ok\"><x/><id>t3</id></r>\r\n") << true << 0
            << QByteArray("t3");
        QTest::newRow("FAIL") << QByteArray("<r status=\"FAIL\"><id/></r>") << false << 3 << QByteArray();
        QTest::newRow("fail in lower case") << QByteArray("<r status=\"fail\"/>") << false << 3 << QByteArray();
        QTest::newRow("other status") << QByteArray("<r status=\"BUSY\"><id>x</id></r>") << false << 4 << QByteArray();
        QTest::newRow("no status") << QByteArray("<r><id>x</id></r>") << false << 4 << QByteArray();
        QTest::newRow("empty reply") << QByteArray() << false << 4 << QByteArray();
        QTest::newRow("not XML") << QByteArray("<html><body>Error 500") << false << 4 << QByteArray();
        QTest::newRow("OK cut short") << QByteArray("<r status=\"OK\"><id>tok") << false << 4 << QByteArray();
    }

    void loginReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        QFETCH(int, code);
        QFETCH(QByteArray, token);
        RawListener listener;
        listener.replyWith(reply);
        useService(listener.url());
        QuorvaneDotCom& dotcom = QuorvaneDotCom::instance();
        int got = 0;
        QCOMPARE(dotcom.login(QStringLiteral("luis"), QStringLiteral("x"), &got), ok);
        if (!ok)
            QCOMPARE(got, code);
        else
            QCOMPARE(dotcom.user(), QStringLiteral("luis"));
        QCOMPARE(dotcom.token(), token);
    }

    void loginRequestBytes()
    {
        RawListener listener;
        listener.replyWith("<r status=\"OK\"><id>t</id></r>");
        useService(listener.url());
        int code = 0;
        QVERIFY(QuorvaneDotCom::instance().login(QStringLiteral("a&b=c"), QStringLiteral("p=q&r ñ"), &code));
        QCOMPARE(listener.requests().size(), 1);
        const QByteArray request = listener.requests().first();
        QVERIFY(request.startsWith("POST /ws/login.php HTTP/1.1\r\n"));
        // As typed: "&" and "=" are not encoded, the text goes as UTF-8.
        QCOMPARE(RawListener::body(request), QByteArray("name=a&b=c&pass=p=q&r \xc3\xb1"));
        QCOMPARE(RawListener::header(request, "Content-Length"), QByteArray("24"));
    }

    // A service that takes the connection and never answers: the login gives up with code 4, and
    // a version check running meanwhile on the global thread pool gives up too.
    void noReplyEndsWithinTheTimeLimit()
    {
        RawListener silent;
        silent.neverReply();
        useService(silent.url());
        VersionCheck check;
        QSignalSpy finished(&check, &VersionCheck::finished);
        check.start();
        int code = 0;
        QVERIFY(!QuorvaneDotCom::instance().login(QStringLiteral("ana"), QStringLiteral("x"), &code));
        QCOMPARE(code, int(QuorvaneDotCom::NoReply));
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        QCOMPARE(finished.first().first().toInt(), -1);
        QCOMPARE(silent.requests().size(), 2);
    }

    // A window closed while its check still waits does not hold up the program's end: the worker
    // gives up instead of running into the time limit.
    void abandonedVersionCheckLetsTheProgramEnd()
    {
        RawListener silent;
        silent.neverReply();
        useService(silent.url());
        auto* check = new VersionCheck;
        check->start();
        QVERIFY(silent.waitForRequests(1));
        delete check;
        QVERIFY(QThreadPool::globalInstance()->waitForDone(QuorvaneDotCom::kRequestTimeoutMs / 2));
    }

    void versionCheck_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("release");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("newer");
        QTest::newRow("4") << QByteArray("4") << 4 << 0 << true;
        QTest::newRow("3") << QByteArray("3") << 3 << 0 << false;
        QTest::newRow("12 with a line end") << QByteArray("12\n") << 12 << 0 << true;
        QTest::newRow("empty") << QByteArray() << -1 << 4 << false;
        QTest::newRow("abc") << QByteArray("abc") << 0 << 0 << false;
        QTest::newRow("4.1") << QByteArray("4.1") << 0 << 0 << false;
    }

    void versionCheck()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, release);
        QFETCH(int, code);
        QFETCH(bool, newer);
        RawListener listener;
        listener.replyWith(reply);
        useService(listener.url());

        int got = 0;
        QCOMPARE(QuorvaneDotCom::instance().versionCheck(&got), release);
        QCOMPARE(got, code);
        QCOMPARE(listener.requests().size(), 1);
        QVERIFY(listener.requests().first().startsWith("POST /ws/version.php HTTP/1.1\r\n"));
        QCOMPARE(RawListener::body(listener.requests().first()), QByteArray());

        // The start-up check: on a worker, the signal comes back on this thread.
        VersionCheck check;
        QSignalSpy newerSpy(&check, &VersionCheck::NuevaVersionDisponible);
        QSignalSpy finished(&check, &VersionCheck::finished);
        check.start();
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().first().toInt(), release);
        QCOMPARE(newerSpy.count(), newer ? 1 : 0);
    }

    void versionCheckWithoutAService()
    {
        quint16 port = 0;
        {
            QTcpServer closed; // its port, once closed, refuses
            QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
            port = closed.serverPort();
        }
        int code = 0;
        useService(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
        QCOMPARE(QuorvaneDotCom::instance().versionCheck(&code), -1);
        QCOMPARE(code, int(QuorvaneDotCom::RequestError));
        qunsetenv(quorvane::kServiceUrlEnv);
        QCOMPARE(QuorvaneDotCom::instance().versionCheck(&code), -1);
        QCOMPARE(code, int(QuorvaneDotCom::NotConfigured));
    }

    void uploadRoundTrip()
    {
        useService(m_server.url());
        QuorvaneDotCom& dotcom = QuorvaneDotCom::instance();
        int code = 0;
        QVERIFY(dotcom.login(m_user, QString::fromUtf8(m_password), &code));
        const QByteArray scene = testutil::viewerArchiveOfSize(3 * 1024 * 1024 + 17);
        const QString path = m_dir.filePath(QStringLiteral("Clase de ciencias ñ.qvx2"));
        QVERIFY(writeFile(path, scene));

        ScriptedProgress progress;
        QString message;
        QVERIFY2(dotcom.upload(path, &message, &progress), qPrintable(message));
        QVERIFY(progress.isStarted && progress.isFinished);
        QCOMPARE(progress.lastSent, progress.total);
        QVERIFY2(message.startsWith(m_server.url(QStringLiteral("/s/")).toString()), qPrintable(message));

        int status = 0;
        const QString page = QString::fromUtf8(httpGet(QUrl(message), &status));
        QCOMPARE(status, 200);
        QVERIFY(page.contains(QStringLiteral("Clase de ciencias ñ.qvx2")));
        QCOMPARE(httpGet(QUrl(message + QStringLiteral("/download")), &status), scene);
        QCOMPARE(status, 200);
    }

    void uploadRequestBytes()
    {
        RawListener listener;
        listener.replyWith("<r status=\"OK\"><id>T0k&amp;=9</id></r>");
        useService(listener.url());
        int code = 0;
        QVERIFY(QuorvaneDotCom::instance().login(QStringLiteral("u"), QStringLiteral("p"), &code));
        listener.clear();
        listener.replyWith("<response status=\"ok\"><message>http://127.0.0.1/s/1</message></response>");

        const QByteArray content("\x00\x01\r\n--PineTreeGlow\r\nbinary\xff", 27);
        const QString path = m_dir.filePath(QStringLiteral("escena 1.qvx2"));
        QVERIFY(writeFile(path, content));
        QString message;
        QVERIFY(QuorvaneDotCom::instance().upload(path, &message, nullptr));
        QCOMPARE(message, QStringLiteral("http://127.0.0.1/s/1"));

        QCOMPARE(listener.requests().size(), 1);
        const QByteArray request = listener.requests().first();
        const QByteArray expected = QByteArray("--PineTreeGlow\r\n"
                                               "Content-Disposition: form-data; name=\"action\"\r\n\r\n"
                                               "form.php\r\n"
                                               "--PineTreeGlow\r\n"
                                               "Content-Disposition: form-data; name=\"id\"\r\n\r\n"
                                               "T0k&=9\r\n"
                                               "--PineTreeGlow\r\n"
                                               "Content-Disposition: form-data; name=\"qqfile\"; "
                                               "filename=\"escena 1.qvx2\"\r\n"
                                               "Content-Type: application/octet-stream\r\n\r\n") +
                                    content + QByteArray("\r\n--PineTreeGlow--\r\n");
        QVERIFY(request.startsWith("POST /ws/form.php HTTP/1.1\r\n"));
        QCOMPARE(RawListener::body(request), expected);
        QCOMPARE(RawListener::header(request, "Content-Type"),
                 QByteArray("multipart/form-data; boundary=PineTreeGlow"));
        QCOMPARE(RawListener::header(request, "Content-Length"), QByteArray::number(expected.size()));
    }

    void uploadFailures()
    {
        RawListener listener;
        useService(listener.url());
        QuorvaneDotCom& dotcom = QuorvaneDotCom::instance();
        QString message = QStringLiteral("stale");

        // A file that cannot be read sends nothing.
        QVERIFY(!dotcom.upload(m_dir.filePath(QStringLiteral("missing.qvx2")), &message, nullptr));
        QVERIFY(message.isEmpty());
        QCOMPARE(listener.connections(), 0);

        const QString path = m_dir.filePath(QStringLiteral("f.qvx2"));
        QVERIFY(writeFile(path, testutil::viewerArchiveOfSize(3000)));
        // The service's refusal comes back as the message.
        listener.replyWith("<response status=\"FAIL\"><message>Demasiado grande</message></response>");
        QVERIFY(!dotcom.upload(path, &message, nullptr));
        QCOMPARE(message, QStringLiteral("Demasiado grande"));

        // The real server refuses a token it does not know.
        int code = 0;
        RawListener issuer;
        issuer.replyWith("<r status=\"OK\"><id>forged</id></r>");
        useService(issuer.url());
        QVERIFY(dotcom.login(QStringLiteral("x"), QStringLiteral("y"), &code));
        useService(m_server.url());
        QVERIFY(!dotcom.upload(path, &message, nullptr));
        QVERIFY2(message.contains(QStringLiteral("sesión")), qPrintable(message));

        // No service: nothing is sent.
        qunsetenv(quorvane::kServiceUrlEnv);
        QVERIFY(!dotcom.isConfigured());
        QVERIFY(!dotcom.upload(path, &message, nullptr));
        QVERIFY(!dotcom.login(QStringLiteral("x"), QStringLiteral("y"), &code));
        QCOMPARE(code, int(QuorvaneDotCom::NotConfigured));
    }

    void uploadCanBeCancelled()
    {
        RawListener silent;
        silent.neverReply();
        useService(silent.url());
        const QString path = m_dir.filePath(QStringLiteral("c.qvx2"));
        QVERIFY(writeFile(path, testutil::viewerArchiveOfSize(200000)));
        ScriptedProgress progress;
        progress.cancelOnStart = true;
        QString message;
        QVERIFY(!QuorvaneDotCom::instance().upload(path, &message, &progress));
        QVERIFY(message.isEmpty());
        QVERIFY(progress.isFinished);
    }

    void serviceAddressFromSettingOrEnvironment()
    {
        RawListener fromSetting, fromEnvironment;
        fromSetting.replyWith("7");
        fromEnvironment.replyWith("8");
        quorvane::machineSettings()->setValue(quorvane::kServiceUrlKey, fromSetting.url().toString() + "/");
        int code = 0;
        QCOMPARE(QuorvaneDotCom::instance().versionCheck(&code), 7);
        useService(fromEnvironment.url());
        QCOMPARE(QuorvaneDotCom::instance().versionCheck(&code), 8);
        // A path prefix is kept; anything but http and https is ignored.
        useService(QUrl(fromEnvironment.url().toString() + "/quorvane"));
        QCOMPARE(QuorvaneDotCom::instance().versionCheck(&code), 8);
        QVERIFY(fromEnvironment.requests().last().startsWith("POST /quorvane/ws/version.php "));
        qputenv(quorvane::kServiceUrlEnv, "ftp://127.0.0.1/");
        QVERIFY(!QuorvaneDotCom::instance().isConfigured());
        QCOMPARE(fromSetting.requests().size(), 1);
    }
};

QTEST_MAIN(TestDotCom)
#include "tst_dotcom.moc"
