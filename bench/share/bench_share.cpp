// Sharing a scene over loopback: the whole upload (login once, then QuorvaneDotCom::upload of the file
// until the page address comes back) against the project's share server, for a 5 MB and a 50 MB
// scene, median of several runs; and the peak memory of the client (this process) and the server.
//   build/bench/share/bench_share [runs]
#include "ArchiveBytes.h"
#include "OnlineConfig.h"
#include "QuorvaneDotCom.h"
#include "ShareServerProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Peak resident memory of this process so far, MiB.
double ownPeakMiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// A field of /proc/PID/status ("VmHWM", "VmRSS"), MiB.
double procStatusMiB(qint64 pid, const char* field)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return double(line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toLongLong()) / 1024.0;
    }
    return 0;
}

// A real archive (the server reads what it stores) of exactly `size` bytes: an empty scene and a padded logo.
bool writeScene(const QString& path, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(testutil::viewerArchiveOfSize(int(size))) == size;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());

    ShareServerProcess server;
    if (!server.addUser(QStringLiteral("bench"), "bench") || !server.start()) {
        std::fprintf(stderr, "the share server did not start\n");
        return 1;
    }
    qputenv(quorvane::kServiceUrlEnv, server.url().toString().toUtf8());
    QuorvaneDotCom& dotcom = QuorvaneDotCom::instance();
    int code = 0;
    if (!dotcom.login(QStringLiteral("bench"), QStringLiteral("bench"), &code)) {
        std::fprintf(stderr, "login failed (%d)\n", code);
        return 1;
    }

    std::printf("| scene | median s | MB/s | client peak MiB (before) | server peak MiB (idle) | runs |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const double serverIdle = procStatusMiB(server.pid(), "VmRSS:");
    for (const qint64 size : {qint64(5) * 1024 * 1024, qint64(50) * 1024 * 1024}) {
        const QString path = work.filePath(QStringLiteral("scene-%1.qvx2").arg(size));
        if (!writeScene(path, size))
            return 1;
        const double clientBefore = ownPeakMiB();
        std::vector<double> seconds;
        for (int r = 0; r < runs; ++r) {
            QString message;
            QElapsedTimer t;
            t.start();
            const bool ok = dotcom.upload(path, &message, nullptr);
            seconds.push_back(double(t.nsecsElapsed()) / 1e9);
            if (!ok) {
                std::fprintf(stderr, "upload failed: %s\n", qPrintable(message));
                return 1;
            }
        }
        const double s = median(seconds);
        std::printf("| %lld MiB | %.3f | %.0f | %.0f (%.0f) | %.0f (%.0f) | %d |\n", size / (1024 * 1024), s,
                    double(size) / (1024 * 1024) / s, ownPeakMiB(), clientBefore, procStatusMiB(server.pid(), "VmHWM:"),
                    serverIdle, runs);
        std::fflush(stdout);
    }
    return 0;
}
