// Quorvane Author: put content on printed markers and see it over the camera.
#include "ProgramSetup.h"
#include "Quorvane.h"
#include "Resources.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quorvane::initResources();
    const quorvane::ProgramIdentity id{"Quorvane Author", "quorvane_"};
    const QString language = quorvane::setupProgram(app, id);
    const auto translators = quorvane::installTranslators(app, id, language);

    auto window = std::make_unique<Quorvane>(nullptr, Qt::WindowFlags(), QApplication::arguments());
    window->show();
    const int code = QApplication::exec();
    window.reset();
    return code;
}
