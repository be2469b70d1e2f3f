// Quorvane Viewer: shows an exported scene over the camera.
#include "GoogleAnalyticsManager.h"
#include "ProgramSetup.h"
#include "Resources.h"
#include "UsageEvents.h"
#include "ViewerEntry.h"

#include <QApplication>
#include <QScreen>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quorvane::initResources();
    const quorvane::ProgramIdentity id{"Quorvane Viewer", "quorvaneviewer_"};
    const QString language = quorvane::setupProgram(app, id);
    const auto translators = quorvane::installTranslators(app, id, language);
    GoogleAnalyticsManager& analytics = GoogleAnalyticsManager::instance();
    analytics.setProduct(QString::fromLatin1(GoogleAnalyticsManager::kViewerProduct),
                         QString::fromLatin1(GoogleAnalyticsManager::kViewerAccount),
                         QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize());
    quorvane::setUsagePageSender([](const QString& page) { GoogleAnalyticsManager::instance().sendPage(page); });
    const int code = quorvane::runViewer(QCoreApplication::arguments().mid(1));
    analytics.flush(3000); // "finish" goes out before the program ends
    return code;
}
