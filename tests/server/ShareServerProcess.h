// The share server as a child process on a free loopback port, with its own data folder.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

class ShareServerProcess
{
public:
    // QUORVANE_SHARE_SERVER is the executable's path, given by the build.
    static QString executable() { return QStringLiteral(QUORVANE_SHARE_SERVER); }

    ~ShareServerProcess() { stop(); }

    // Runs a one-off command ("add-user", ...) on the data folder; its exit code.
    int command(const QStringList& args, const QByteArray& input = QByteArray(), QByteArray* out = nullptr)
    {
        QProcess p;
        p.start(executable(), QStringList{args.first(), QStringLiteral("--data"), dataDir()} + args.mid(1));
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        if (out)
            *out = p.readAllStandardOutput() + p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    bool addUser(const QString& name, const QByteArray& password)
    {
        return command({QStringLiteral("add-user"), name}, password + '\n') == 0;
    }

    // Starts "serve" on 127.0.0.1 and a free port; false when it does not come up.
    bool start(const QStringList& extra = {})
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(executable(), QStringList{QStringLiteral("serve"), QStringLiteral("--data"), dataDir(),
                                                  QStringLiteral("--port"), QStringLiteral("0")} +
                                          extra);
        static const QRegularExpression line(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"));
        QByteArray out;
        while (m_process.waitForReadyRead(10000)) {
            out += m_process.readAllStandardOutput();
            const QRegularExpressionMatch m = line.match(QString::fromUtf8(out));
            if (m.hasMatch()) {
                m_port = quint16(m.captured(1).toUInt());
                return true;
            }
        }
        return false;
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    quint16 port() const { return m_port; }
    QUrl url(const QString& path = QString()) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
    }
    // Inside a folder of its own, so a test can check that nothing is written beside it.
    QString dataDir() const { return m_root.filePath(QStringLiteral("data")); }
    QString rootDir() const { return m_root.path(); }

private:
    QTemporaryDir m_root;
    QProcess m_process;
    quint16 m_port = 0;
};
