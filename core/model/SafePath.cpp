#include "SafePath.h"

#include "Limits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QString prepareSafeWrite(const QString& root, const QString& relative)
{
    const QStringList parts = relative.split(QLatin1Char('/'));
    QString path = root;
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].isEmpty() || parts[i] == QLatin1String(".") || parts[i] == QLatin1String(".."))
            return QString();
        path += QLatin1Char('/') + parts[i];
        // A link placed there by someone else would carry the write outside the folder.
        if (QFileInfo(path).isSymLink() && !QFile::remove(path))
            return QString();
        const bool folder = i + 1 < parts.size();
        if (folder && !QFileInfo(path).isDir() && !QDir().mkdir(path))
            return QString();
    }
    return path;
}

} // namespace quorvane
