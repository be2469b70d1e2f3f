#include "SafePath.h"

#include "Limits.h"

#include <QStringList>

namespace quorvane {

bool isSafeRelativePath(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return false;
    if (name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

} // namespace quorvane
