#include "PlatformPaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace quorvane {

QDir localDataDirectory(const QString& name)
{
    QString base = qEnvironmentVariable("localappdata");
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString path = base + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return QDir(path);
}

std::unique_ptr<QSettings> machineSettings()
{
    // It holds the web account's login token: it lives in a folder only the user may enter.
    const QString dir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Quorvane/machine");
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return std::make_unique<QSettings>(dir + QStringLiteral("/Quorvane Author.conf"), QSettings::IniFormat);
}

QString documentsDirectory()
{
    const QString profile = qEnvironmentVariable("userprofile");
    if (!profile.isEmpty())
        return profile + QStringLiteral("/Documents");
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString programDataPath(const QString& relative)
{
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + relative;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/quorvane/") + relative);
    return QFileInfo::exists(installed) ? installed : beside;
}

} // namespace quorvane
