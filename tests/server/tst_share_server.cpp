// The share server as its users meet it: accounts, uploads and what it refuses, its pages and
// downloads, requests that are garbage, huge or cut short, and the scene page in a real browser with
// its QR code read back.
#include "ArchiveBytes.h"
#include "ShareServerProcess.h"

#include <QDirIterator>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Reply
{
    int status = 0;
    QByteArray body;
    QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    QHash<QByteArray, QByteArray> headers;
};

Reply request(const QByteArray& method, const QUrl& url, const QByteArray& body = QByteArray(),
              const QByteArray& contentType = "application/x-www-form-urlencoded")
{
    QNetworkAccessManager nam;
    QNetworkRequest rq(url);
    rq.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    QNetworkReply* r = nam.sendCustomRequest(rq, method, body);
    QSignalSpy done(r, &QNetworkReply::finished);
    done.wait(60000);
    Reply out;
    out.status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    out.body = r->readAll();
    for (const auto& [k, v] : r->rawHeaderPairs())
        out.headers.insert(k.toLower(), v);
    delete r;
    return out;
}

QByteArray formBody(const QByteArray& token, const QByteArray& fileName, const QByteArray& content)
{
    return "--B0undary\r\nContent-Disposition: form-data; name=\"action\"\r\n\r\nform.php\r\n"
           "--B0undary\r\nContent-Disposition: form-data; name=\"id\"\r\n\r\n" +
           token + "\r\n--B0undary\r\nContent-Disposition: form-data; name=\"qqfile\"; filename=\"" + fileName +
           "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + content + "\r\n--B0undary--\r\n";
}

QString status(const QByteArray& xml)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("status=\"([A-Z]+)\"")).match(QString::fromUtf8(xml));
    return m.captured(1);
}

QString element(const QByteArray& xml, const QString& name)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("<%1>([^<]*)</%1>").arg(name)).match(QString::fromUtf8(xml));
    return m.captured(1).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

// Sends raw bytes on one connection, then reads until the server closes it or `ms` pass.
QByteArray raw(quint16 port, const QByteArray& bytes, int ms = 5000, bool closeAfterSend = false)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(5000))
        return "NO CONNECTION";
    s.write(bytes);
    s.waitForBytesWritten(5000);
    if (closeAfterSend) {
        s.disconnectFromHost();
        return {};
    }
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (s.state() == QAbstractSocket::ConnectedState && t.elapsed() < ms) {
        if (s.waitForReadyRead(100))
            got += s.readAll();
    }
    return got + s.readAll();
}

} // namespace

class TestShareServer : public QObject
{
    Q_OBJECT

    ShareServerProcess m_server;
    QByteArray m_token;

    QByteArray login(const QByteArray& body)
    {
        const Reply r = request("POST", m_server.url(QStringLiteral("/ws/login.php")), body);
        return status(r.body) == QLatin1String("OK") ? element(r.body, QStringLiteral("id")).toLatin1() : QByteArray();
    }

    Reply upload(const QByteArray& token, const QByteArray& fileName, const QByteArray& content)
    {
        return request("POST", m_server.url(QStringLiteral("/ws/form.php")), formBody(token, fileName, content),
                       "multipart/form-data; boundary=B0undary");
    }

    int storedScenes() const
    {
        return int(QDir(m_server.dataDir() + QStringLiteral("/scenes")).entryList({QStringLiteral("*.scene")}).size());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.addUser(QStringLiteral("profe"), "clave segura"));
        QVERIFY(m_server.start({QStringLiteral("--release"), QStringLiteral("7"), QStringLiteral("--max-upload"),
                                QStringLiteral("100000")}));
        m_token = login("name=profe&pass=clave segura");
        QCOMPARE(m_token.size(), 64);
    }

    void accounts()
    {
        QTemporaryDir dir;
        const QString pw = dir.filePath(QStringLiteral("pw"));
        QFile f(pw);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a&pass=b\n");
        f.close();
        QVERIFY(m_server.command({QStringLiteral("add-user"), QStringLiteral("x&pass=y"),
                                  QStringLiteral("--password-file"), pw}) == 0);
        QVERIFY(m_server.addUser(QStringLiteral("luis"), "clave segura"));
        QByteArray out;
        QCOMPARE(m_server.command({QStringLiteral("users")}, {}, &out), 0);
        QCOMPARE(out, QByteArray("luis\nprofe\nx&pass=y\n"));

        // Salted hashes only: the same password gives different lines, and no password is stored.
        QFile users(m_server.dataDir() + QStringLiteral("/users"));
        QVERIFY(users.open(QIODevice::ReadOnly));
        const QByteArray text = users.readAll();
        QVERIFY(!text.contains("clave"));
        const QByteArrayList lines = text.split('\n');
        QVERIFY(lines.at(0).split('\t').at(3) != lines.at(1).split('\t').at(3));
        QCOMPARE(users.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());

        // Users added while the server runs can log in; "&pass=" in a name or password still works.
        QCOMPARE(login("name=luis&pass=clave segura").size(), 64);
        QCOMPARE(login("name=x&pass=y&pass=a&pass=b").size(), 64);
        QVERIFY(login("name=luis&pass=clave").isEmpty());
        QVERIFY(login("name=nadie&pass=clave segura").isEmpty());
        QVERIFY(login("garbage").isEmpty());
        const Reply fail = request("POST", m_server.url(QStringLiteral("/ws/login.php")), "name=luis&pass=x");
        QCOMPARE(status(fail.body), QStringLiteral("FAIL"));

        // A new password ends the sessions of the old one; removing a user ends them too.
        const QByteArray token = login("name=luis&pass=clave segura");
        QCOMPARE(status(upload(token, "a.qvx2", testutil::viewerArchiveOfSize(2100)).body), QStringLiteral("OK"));
        QVERIFY(m_server.addUser(QStringLiteral("luis"), "otra"));
        QCOMPARE(status(upload(token, "a.qvx2", testutil::viewerArchiveOfSize(2100)).body), QStringLiteral("FAIL"));
        const QByteArray token2 = login("name=luis&pass=otra");
        QCOMPARE(m_server.command({QStringLiteral("remove-user"), QStringLiteral("luis")}), 0);
        QCOMPARE(status(upload(token2, "a.qvx2", testutil::viewerArchiveOfSize(2100)).body), QStringLiteral("FAIL"));
        QVERIFY(m_server.addUser(QStringLiteral("\tmal"), "x") == false);
    }

    void versionReply()
    {
        const Reply r = request("POST", m_server.url(QStringLiteral("/ws/version.php")));
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, QByteArray("7"));
    }

    void uploadChecks_data()
    {
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<QString>("messagePart");
        const QByteArray good = "GOOD";
        // A mobile header that promises three records and holds none.
        QByteArray brokenMobile(8, '\0');
        brokenMobile[0] = 1;
        brokenMobile[4] = 3;
        brokenMobile += QByteArray(50, 'm');
        QTest::newRow("viewer archive") << good << QByteArray("escena.qvx2") << testutil::viewerArchiveOfSize(5000)
                                        << 200 << "/s/";
        QTest::newRow("mobile archive") << good << QByteArray("movil.qvm2") << testutil::emptyMobileArchive() << 200
                                        << "/s/";
        QTest::newRow("mobile header, no records")
            << good << QByteArray("movil.qvm2") << brokenMobile << 415 << "no es una escena";
        QTest::newRow("exactly the limit")
            << good << QByteArray("max.qvx2") << testutil::viewerArchiveOfSize(100000) << 200 << "/s/";
        QTest::newRow("one byte over") << good << QByteArray("big.qvx2") << testutil::viewerArchiveOfSize(100001) << 413
                                       << "hasta";
        QTest::newRow("unknown token") << QByteArray(64, 'a') << QByteArray("e.qvx2")
                                       << testutil::viewerArchiveOfSize(2500) << 403 << "sesión";
        QTest::newRow("no token") << QByteArray() << QByteArray("e.qvx2") << testutil::viewerArchiveOfSize(2500) << 403
                                  << "sesión";
        QTest::newRow("a picture") << good << QByteArray("foto.qvx2")
                                   << QByteArray("\x89PNG\r\n\x1a\nxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx") << 415
                                   << "no es una escena";
        QTest::newRow("magic only") << good << QByteArray("e.qvx2")
                                    << QByteArray(quorvane::kViewerArchiveMagic, quorvane::kViewerArchiveMagicSize)
                                    << 415 << "no es una escena";
        QTest::newRow("mobile header, wrong name")
            << good << QByteArray("movil.qvx2") << testutil::emptyMobileArchive() << 415 << "no es una escena";
        QTest::newRow("mobile, too many records")
            << good << QByteArray("movil.qvm2") << QByteArray("\x01\x00\x00\x00\x15\x00\x00\x00xxxx", 12) << 415
            << "no es una escena";
    }

    void uploadChecks()
    {
        QFETCH(QByteArray, token);
        QFETCH(QByteArray, fileName);
        QFETCH(QByteArray, content);
        QFETCH(int, httpStatus);
        QFETCH(QString, messagePart);
        if (token == "GOOD")
            token = m_token;
        const int before = storedScenes();
        const Reply r = upload(token, fileName, content);
        QCOMPARE(r.status, httpStatus);
        QCOMPARE(status(r.body), httpStatus == 200 ? QStringLiteral("OK") : QStringLiteral("FAIL"));
        QVERIFY2(element(r.body, QStringLiteral("message")).contains(messagePart), r.body.constData());
        QCOMPARE(storedScenes(), before + (httpStatus == 200 ? 1 : 0));
        if (httpStatus == 200) {
            const QUrl page(element(r.body, QStringLiteral("message")));
            QCOMPARE(request("GET", QUrl(page.toString() + QStringLiteral("/download"))).body, content);
        }
    }

    // A file name is never a path: whatever it holds, the scene lands in the scenes folder under a
    // fresh name, and the name is shown cleaned and escaped.
    void fileNamesAreNotPaths_data()
    {
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QString>("shown");
        QTest::newRow("parent folders") << QByteArray("../../../evil.qvx2") << QStringLiteral("evil.qvx2");
        QTest::newRow("absolute") << QByteArray("/etc/cron.d/evil") << QStringLiteral("evil");
        QTest::newRow("backslashes") << QByteArray("..\\..\\win.qvx2") << QStringLiteral("win.qvx2");
        QTest::newRow("dot dot") << QByteArray("..") << QStringLiteral("escena.qvx2");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("escena.qvx2");
        QTest::newRow("markup") << QByteArray("<img src=x onerror=alert(1)>&amp;.qvx2")
                                << QStringLiteral("&lt;img src=x onerror=alert(1)&gt;&amp;amp;.qvx2");
        QTest::newRow("control characters") << QByteArray("a\x01\x7f"
                                                          "b.qvx2")
                                            << QStringLiteral("ab.qvx2");
    }

    void fileNamesAreNotPaths()
    {
        QFETCH(QByteArray, fileName);
        QFETCH(QString, shown);
        const Reply r = upload(m_token, fileName, testutil::viewerArchiveOfSize(2400));
        QCOMPARE(status(r.body), QStringLiteral("OK"));
        const QString page = QString::fromUtf8(request("GET", QUrl(element(r.body, QStringLiteral("message")))).body);
        QVERIFY(!page.contains(QStringLiteral("<img")));
        QVERIFY2(page.contains(QStringLiteral("<h1>") + shown + QStringLiteral("</h1>")), qPrintable(page));
        // Nothing beside the data folder, and inside it only what the server keeps.
        QCOMPARE(QDir(m_server.rootDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("data")});
        QDirIterator it(m_server.dataDir(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        static const QRegularExpression kept(
            QStringLiteral("^(users|sessions|scenes|scenes/[0-9a-f]{32}\\.(scene|json))$"));
        while (it.hasNext()) {
            const QString rel = QDir(m_server.dataDir()).relativeFilePath(it.next());
            QVERIFY2(kept.match(rel).hasMatch(), qPrintable(rel));
        }
    }

    void pages()
    {
        const QByteArray content = testutil::viewerArchiveOfSize(55000);
        const Reply up = upload(m_token, "Visita al museo.qvx2", content);
        const QString address = element(up.body, QStringLiteral("message"));
        QVERIFY(address.startsWith(m_server.url(QStringLiteral("/s/")).toString()));

        const Reply page = request("GET", QUrl(address));
        QCOMPARE(page.status, 200);
        QVERIFY(page.header("Content-Type").startsWith("text/html"));
        const QString html = QString::fromUtf8(page.body);
        QVERIFY(html.contains(QStringLiteral("Visita al museo.qvx2")));
        QVERIFY(html.contains(QStringLiteral("53,7 kB")));
        QVERIFY(html.contains(QStringLiteral("profe")));
        QVERIFY(html.contains(QStringLiteral(" de 20")));
        QVERIFY(html.contains(QStringLiteral("href=\"") + address + QStringLiteral("/download\"")));
        QVERIFY(html.contains(QStringLiteral("<svg")));

        const Reply file = request("GET", QUrl(address + QStringLiteral("/download")));
        QCOMPARE(file.status, 200);
        QCOMPARE(file.body, content);
        QCOMPARE(
            file.header("Content-Disposition"),
            QByteArray("attachment; filename=\"Visita al museo.qvx2\"; filename*=UTF-8''Visita%20al%20museo.qvx2"));

        const QString list = QString::fromUtf8(request("GET", m_server.url(QStringLiteral("/"))).body);
        QVERIFY(list.contains(QStringLiteral("Visita al museo.qvx2")));
        QVERIFY(list.contains(QUrl(address).path()));

        const QString id = QUrl(address).path().mid(3);
        for (const QString& bad :
             {QStringLiteral("/s/") + id.left(31), QStringLiteral("/s/") + id.toUpper(),
              QStringLiteral("/s/..%2Fusers"), QStringLiteral("/s/..%2F..%2Fusers/download"),
              QStringLiteral("/scenes/") + id + QStringLiteral(".scene"), QStringLiteral("/users")}) {
            const Reply r = request("GET", m_server.url(bad));
            QVERIFY2(r.status == 404, qPrintable(bad));
            QVERIFY(!r.body.contains("profe\t"));
        }
        QCOMPARE(request("GET", m_server.url(QStringLiteral("/?q=es/user/password"))).status, 200);
        QCOMPARE(request("GET", m_server.url(QStringLiteral("/ws/form.php"))).status, 405);
    }

    // Garbage, declared-huge, oversized and truncated requests: each is refused or dropped, and the
    // server goes on answering.
    void survivesBadRequests()
    {
        const quint16 port = m_server.port();
        raw(port, QByteArray(5000, '\0'));
        raw(port, "GARBAGE / HTTP/9.9\r\n\r\n");
        raw(port, "POST /ws/form.php HTTP/1.1\r\nContent-Length: 99999999999999\r\n\r\n" + QByteArray(300000, 'x'));
        raw(port, "POST /ws/form.php HTTP/1.1\r\nContent-Length: 500000\r\n\r\n" + QByteArray(400000, 'x'));
        raw(port,
            "POST /ws/form.php HTTP/1.1\r\nContent-Length: 5000\r\nContent-Type: multipart/form-data; "
            "boundary=B0undary\r\n\r\n--B0undary\r\nContent-Disp",
            1000, true);
        raw(port, "POST /ws/login.php HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\nna", 1000, true);
        raw(port, "GET /" + QByteArray(100000, 'a') + " HTTP/1.1\r\n\r\n");
        raw(port, "GET / HTTP/1.1\r\n" + QByteArray(200000, 'h') + "\r\n\r\n");
        // Multipart bodies that break off or lie.
        for (const QByteArray& body :
             {QByteArray("--B0undary\r\nContent-Disposition: form-data; name=\"id\"\r\n\r\n"),
              QByteArray("--B0undary--\r\n"), QByteArray("--B0undary"), QByteArray("nothing like it"), QByteArray()}) {
            const Reply r = request("POST", m_server.url(QStringLiteral("/ws/form.php")), body,
                                    "multipart/form-data; boundary=B0undary");
            QVERIFY2(r.status == 400 || r.status == 403, r.body.constData());
            QCOMPARE(status(r.body), QStringLiteral("FAIL"));
        }
        QCOMPARE(request("POST", m_server.url(QStringLiteral("/ws/form.php")), "x", "text/plain").status, 400);
        // Many connections at once, held open.
        QList<QTcpSocket*> held;
        for (int i = 0; i < 40; ++i) {
            held << new QTcpSocket;
            held.last()->connectToHost(QHostAddress::LocalHost, port);
            held.last()->waitForConnected(2000);
        }
        qDeleteAll(held);
        QTest::qWait(200);

        QVERIFY(m_server.isRunning());
        QCOMPARE(request("POST", m_server.url(QStringLiteral("/ws/version.php"))).body, QByteArray("7"));
        QCOMPARE(status(upload(m_token, "after.qvx2", testutil::viewerArchiveOfSize(3000)).body), QStringLiteral("OK"));
    }

    // The scene page in a real browser: the QR code in the picture holds the download link.
    void scenePageInABrowser()
    {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        const QString zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
        QVERIFY2(!chromium.isEmpty() && !zbar.isEmpty(), "scripts/install-deps installs chromium and zbar-tools");
        const QString address = element(upload(m_token, "Aula 3B.qvx2", testutil::viewerArchiveOfSize(4000)).body,
                                        QStringLiteral("message"));
        QTemporaryDir dir;
        const QString shot = dir.filePath(QStringLiteral("page.png"));
        QProcess browser;
        browser.start(chromium,
                      {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                       QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
                       QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
                       QStringLiteral("--disable-sync"),
                       QStringLiteral("--user-data-dir=") + dir.filePath(QStringLiteral("profile")),
                       QStringLiteral("--window-size=1000,700"), QStringLiteral("--screenshot=") + shot, address});
        QVERIFY(browser.waitForFinished(120000));
        QVERIFY2(QFile::exists(shot), browser.readAllStandardError().constData());
        if (!qEnvironmentVariableIsEmpty("QUORVANE_KEEP_SCREENSHOTS"))
            QFile::copy(shot, qEnvironmentVariable("QUORVANE_KEEP_SCREENSHOTS") + QStringLiteral("/scene-page.png"));

        QProcess reader;
        reader.start(zbar, {QStringLiteral("--quiet"), QStringLiteral("--raw"), shot});
        QVERIFY(reader.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(), address + QStringLiteral("/download"));
    }
};

QTEST_MAIN(TestShareServer)
#include "tst_share_server.moc"
