// Usage events of Quorvane Viewer, sent by page name: "start" and "finish" with the window, and how the
// scene was found ("customScene", "defaultScene", "ERRORcustomSceneNotFound",
// "ERRORdefaultSceneNotFound"). The program's entry installs the sender; until one is installed (and in
// tests that install none) pages go nowhere.
#pragma once

#include <QString>

#include <functional>

namespace quorvane {

using UsagePageSender = std::function<void(const QString& page)>;

// Replaces the sender; an empty one sends nothing.
void setUsagePageSender(UsagePageSender sender);

void sendUsagePage(const QString& page);

} // namespace quorvane
