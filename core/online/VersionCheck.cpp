#include "VersionCheck.h"

#include "QuorvaneDotCom.h"

#include <QPromise>
#include <QThreadPool>

VersionCheck::VersionCheck(QObject* parent) : QObject(parent), m_abandoned(std::make_shared<std::atomic_bool>(false))
{
    // The watcher hands the result over on this object's thread.
    connect(&m_watcher, &QFutureWatcher<int>::finished, this, [this] {
        const int release = m_watcher.future().resultCount() > 0 ? m_watcher.result() : -1;
        emit finished(release);
        if (release > kOwnRelease)
            emit NuevaVersionDisponible();
    });
}

VersionCheck::~VersionCheck()
{
    // The worker polls this and gives up within a tenth of a second, so quitting is never held up.
    m_abandoned->store(true);
}

void VersionCheck::start()
{
    if (m_started)
        return;
    m_started = true;
    auto promise = std::make_shared<QPromise<int>>();
    m_watcher.setFuture(promise->future());
    promise->start();
    const auto abandoned = m_abandoned;
    QThreadPool::globalInstance()->start([promise, abandoned] {
        int code = 0;
        const int release = QuorvaneDotCom::instance().versionCheck(&code, [&] { return abandoned->load(); });
        promise->addResult(release);
        promise->finish();
    });
}
