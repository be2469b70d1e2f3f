#include "UsageEvents.h"

namespace quorvane {

namespace {

UsagePageSender& sender()
{
    static UsagePageSender instance;
    return instance;
}

} // namespace

void setUsagePageSender(UsagePageSender s)
{
    sender() = std::move(s);
}

void sendUsagePage(const QString& page)
{
    if (sender())
        sender()(page);
}

} // namespace quorvane
