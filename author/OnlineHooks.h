// What the window asks of the online services: usage pages, the version check at start and the
// download page it offers. Until the services are connected these do nothing, and the program
// works offline.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QObject;

namespace quorvane {

class OnlineHooks
{
public:
    virtual ~OnlineHooks() = default;
    // One usage page ("start", "finish", "importarModelo", ...).
    virtual void sendUsagePage(const QString& page) { (void)page; }
    // Starts the version check for `owner` (the check ends with it); `newVersionAvailable` runs on
    // the GUI thread when a newer release exists.
    virtual void startVersionCheck(QObject* owner, std::function<void()> newVersionAvailable)
    {
        (void)owner;
        (void)newVersionAvailable;
    }
    // Where a newer release can be downloaded; empty when unknown.
    virtual QUrl downloadPage() const { return {}; }
};

// The hooks the program uses; those that do nothing until others are installed.
OnlineHooks& onlineHooks();
void setOnlineHooks(std::unique_ptr<OnlineHooks> hooks);

} // namespace quorvane
