// The version check at a program's start: asks the sharing service for the newest release number on
// a worker of the global thread pool, so a slow or missing network never delays the start, and
// reports back on the thread that owns this object through its signals. Destroying it (with its
// window) abandons a check still running.
#pragma once

#include <QFutureWatcher>
#include <QObject>

#include <atomic>
#include <memory>

class VersionCheck : public QObject
{
    Q_OBJECT

public:
    // The programs' own release number; a greater one from the service is a newer release.
    static constexpr int kOwnRelease = 3;

    explicit VersionCheck(QObject* parent = nullptr);
    ~VersionCheck() override;

    // Starts the check once (fire and forget). Without a configured service nothing is sent and
    // finished() reports -1.
    void start();

signals:
    // The service offers a release newer than kOwnRelease.
    void NuevaVersionDisponible();
    // Every check ends here: the release number as QuorvaneDotCom::versionCheck gives it.
    void finished(int release);

private:
    QFutureWatcher<int> m_watcher;
    std::shared_ptr<std::atomic_bool> m_abandoned;
    bool m_started = false;
};
