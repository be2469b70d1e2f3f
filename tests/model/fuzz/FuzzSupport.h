// Shared by the fuzz targets: one private scratch folder per process, also used as "localappdata" so
// that nothing a target unpacks lands in the user's folders.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

namespace fuzzsupport {

inline const QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    static const bool once = [] {
        qputenv("localappdata", QFile::encodeName(dir.path()));
        return true;
    }();
    (void)once;
    return dir;
}

inline QString writeInput(const QString& name, const uint8_t* data, size_t size)
{
    const QString path = scratch().filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

// A broken invariant is a finding: stop like a sanitizer would.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace fuzzsupport
