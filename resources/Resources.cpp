#include "Resources.h"

#include <QtCore/qglobal.h>

#include <mutex>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerQuorvaneResources()
{
    Q_INIT_RESOURCE(quorvane);
}

namespace quorvane {

void initResources()
{
    static std::once_flag once;
    std::call_once(once, registerQuorvaneResources);
}

} // namespace quorvane
