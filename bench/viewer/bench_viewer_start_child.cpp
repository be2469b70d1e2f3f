// Quorvane Viewer started as its main() starts it, with a stopwatch: prints the milliseconds from the moment
// the parent started this process (CLOCK_MONOTONIC nanoseconds, first argument) to main(), the start-up
// dialog shown, the main window shown, the scene open and the camera started, and the first frame drawn
// with a marker's content in it.
// Usage: bench_viewer_start_child T0_NS ARCHIVE
#include "OsgGLWidget.h"
#include "ProgramSetup.h"
#include "QuorvaneViewer.h"
#include "Resources.h"
#include "StartupDlg.h"
#include "ViewerEntry.h"
#include "ViewerWidget.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <ctime>

namespace {

qint64 t0 = 0;

double msSinceStart()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(qint64(now.tv_sec) * 1000000000 + now.tv_nsec - t0) / 1e6;
}

// A frame that shows content: some marker with content is posed in it.
bool contentOnScreen(const quorvane::ViewerWidget* view)
{
    for (int i = 0; i < view->slotCount(); ++i) {
        const quorvane::MarkerContent* s = view->slot(i);
        if (!s->fileName().isEmpty() && s->draggerRoot()->getNodeMask() != 0)
            return true;
    }
    return false;
}

class FirstShowWatch : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<StartupDlg*>(object) && !m_greeted) {
            m_greeted = true;
            std::printf("dialog %.1f\n", msSinceStart());
        }
        auto* window = qobject_cast<QuorvaneViewer*>(object);
        if (!window || event->type() != QEvent::Show || m_shown)
            return false;
        m_shown = true;
        std::printf("window %.1f\n", msSinceStart());
        QObject::connect(window, &QuorvaneViewer::startupFinished,
                         [] { std::printf("started %.1f\n", msSinceStart()); });
        QObject::connect(window->viewWidget()->glWidget(), &QOpenGLWidget::frameSwapped, window, [this, window] {
            if (m_content || !contentOnScreen(window->viewWidget()))
                return;
            m_content = true;
            std::printf("content %.1f\n", msSinceStart());
            std::fflush(stdout);
            QTimer::singleShot(0, [] { QApplication::closeAllWindows(); });
        });
        return false;
    }

private:
    bool m_greeted = false;
    bool m_shown = false;
    bool m_content = false;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        return 2;
    t0 = QByteArray(argv[1]).toLongLong();
    std::printf("main %.1f\n", msSinceStart());
    const QString archive = QString::fromLocal8Bit(argv[2]);

    QApplication app(argc, argv);
    quorvane::initResources();
    const quorvane::ProgramIdentity id{"Quorvane Viewer", "quorvaneviewer_"};
    const QString language = quorvane::setupProgram(app, id);
    const auto translators = quorvane::installTranslators(app, id, language);

    // Watches for the main window's first show, then for its first frame with content.
    FirstShowWatch watch;
    app.installEventFilter(&watch);
    QTimer::singleShot(120000, [] {
        std::printf("timeout\n");
        QApplication::exit(1);
    });
    return quorvane::runViewer({archive});
}
