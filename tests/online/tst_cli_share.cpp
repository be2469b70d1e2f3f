// quorvane share: headless login and upload against the share server, and its clear failures.
#include "ArchiveBytes.h"
#include "ShareServerProcess.h"
#include "TestFiles.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace testutil;

class TestCliShare : public QObject
{
    Q_OBJECT

    ShareServerProcess m_server;
    QTemporaryDir m_dir;
    QString m_scene, m_password;

    struct Run
    {
        int code;
        QString out, err;
    };

    Run share(const QStringList& args, const QString& service, const QByteArray& input = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QUORVANE_SERVICE_URL"));
        if (!service.isEmpty())
            env.insert(QStringLiteral("QUORVANE_SERVICE_URL"), service);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUORVANE_TOOL), QStringList{QStringLiteral("share")} + args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.addUser(QStringLiteral("marta"), "la clave"));
        QVERIFY(m_server.start());
        m_scene = m_dir.filePath(QStringLiteral("feria.qvx2"));
        QVERIFY(writeFile(m_scene, testutil::viewerArchiveOfSize(70000)));
        m_password = m_dir.filePath(QStringLiteral("password"));
        QVERIFY(writeFile(m_password, "la clave\n"));
    }

    void sharesAndPrintsTheAddress()
    {
        const QString service = m_server.url().toString();
        for (const Run& r :
             {share({m_scene, QStringLiteral("--user"), QStringLiteral("marta"), QStringLiteral("--password-file"),
                     m_password},
                    service),
              share({m_scene, QStringLiteral("--user"), QStringLiteral("marta")}, service, "la clave\n")}) {
            QCOMPARE(r.code, 0);
            QVERIFY2(r.out.trimmed().startsWith(service + QStringLiteral("/s/")), qPrintable(r.out + r.err));
        }
    }

    void failsClearly_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("configured");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no arguments") << QStringList() << true << 2 << "Usage: quorvane share";
        QTest::newRow("no user") << QStringList{"x.qvx2"} << true << 2 << "Usage: quorvane share";
        QTest::newRow("missing file") << QStringList{"/nonexistent/x.qvx2", "--user", "marta"} << true << 1
                                      << "cannot read /nonexistent/x.qvx2";
        QTest::newRow("wrong password") << QStringList{"SCENE", "--user", "marta"} << true << 1
                                        << "wrong user name or password";
        QTest::newRow("no service") << QStringList{"SCENE", "--user", "marta", "--password-file", "PASSWORD"} << false
                                    << 1 << "no sharing service is set up";
        QTest::newRow("not a scene") << QStringList{"PASSWORD", "--user", "marta", "--password-file", "PASSWORD"}
                                     << true << 1 << "refused the scene: El fichero no es una escena";
    }

    void failsClearly()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, configured);
        QFETCH(int, code);
        QFETCH(QString, message);
        args.replaceInStrings(QStringLiteral("SCENE"), m_scene);
        args.replaceInStrings(QStringLiteral("PASSWORD"), m_password);
        const Run r = share(args, configured ? m_server.url().toString() : QString(), "otra\n");
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty() || !configured);
    }
};

QTEST_MAIN(TestCliShare)
#include "tst_cli_share.moc"
