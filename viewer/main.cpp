// Quorvane Viewer: shows an exported scene over the camera.
#include "ProgramSetup.h"
#include "Resources.h"
#include "ViewerEntry.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quorvane::initResources();
    const quorvane::ProgramIdentity id{"Quorvane Viewer", "quorvaneviewer_"};
    const QString language = quorvane::setupProgram(app, id);
    const auto translators = quorvane::installTranslators(app, id, language);
    return quorvane::runViewer(QCoreApplication::arguments().mid(1));
}
