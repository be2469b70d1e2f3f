#include "OnlineHooks.h"

namespace quorvane {

namespace {

std::unique_ptr<OnlineHooks>& installed()
{
    static std::unique_ptr<OnlineHooks> hooks = std::make_unique<OnlineHooks>();
    return hooks;
}

} // namespace

OnlineHooks& onlineHooks()
{
    return *installed();
}

void setOnlineHooks(std::unique_ptr<OnlineHooks> hooks)
{
    installed() = hooks ? std::move(hooks) : std::make_unique<OnlineHooks>();
}

} // namespace quorvane
