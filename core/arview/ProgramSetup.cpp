#include "ProgramSetup.h"

#include "VideoCaptureOCV.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <QStyleFactory>
#include <QTranslator>

namespace quorvane {

QString setupProgram(QApplication& app, const ProgramIdentity& id)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorvane.org"));
    QCoreApplication::setApplicationName(QString::fromLatin1(id.application));

    QSettings settings(QSettings::UserScope, QStringLiteral("Quorvane"), QString::fromLatin1(id.application));
    const QString def = QString::fromLatin1(id.languagePrefix) + QLocale::system().name().left(2);
    const QString language = settings.value(QStringLiteral("language"), def).toString();
    settings.setValue(QStringLiteral("language"), language);
    return language;
}

std::vector<std::pair<QString, QString>> translationFiles(const ProgramIdentity& id, const QString& language)
{
    return {{QStringLiteral("qt_") + language.right(2), QCoreApplication::applicationDirPath()},
            {QString::fromLatin1(id.languagePrefix) + QStringLiteral("en"), QStringLiteral(".")},
            {language, QStringLiteral(".")}};
}

std::vector<std::unique_ptr<QTranslator>> installTranslators(QCoreApplication& app, const ProgramIdentity& id,
                                                             const QString& language)
{
    std::vector<std::unique_ptr<QTranslator>> translators;
    for (const auto& [file, dir] : translationFiles(id, language)) {
        auto t = std::make_unique<QTranslator>();
        if (t->load(file, dir))
            app.installTranslator(t.get());
        translators.push_back(std::move(t));
    }
    return translators;
}

std::unique_ptr<Vandrel::VideoCaptureOCV> openCameraOrWarn(int index)
{
    auto camera = std::make_unique<Vandrel::VideoCaptureOCV>();
    if (camera->open(index, 640, 480))
        return camera;
    QMessageBox::warning(QApplication::activeWindow(), QCoreApplication::translate("Quorvane", "Error"),
                         QCoreApplication::translate("Quorvane", "No se pudo inicializar la cámara."), QMessageBox::Ok);
    return nullptr;
}

bool startCamera(std::unique_ptr<Vandrel::VideoCaptureOCV>& source, int index,
                 std::unique_ptr<unsigned char[]>& frameBuffer, int& frameWidth, int& frameHeight)
{
    if (!source) {
        if (index < 0)
            return false;
        source = openCameraOrWarn(index);
        if (!source)
            return false;
    }
    frameWidth = source->getWidth();
    frameHeight = source->getHeight();
    frameBuffer =
        std::make_unique<unsigned char[]>(static_cast<size_t>(frameWidth) * static_cast<size_t>(frameHeight) * 3);
    source->grabFrame(frameBuffer.get());
    return true;
}

} // namespace quorvane
