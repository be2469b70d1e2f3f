// Quorvane Author's model library, timed in the real window:
// - the scan of a library folder of 10, 100 and 1000 model files (copies of four real imported models:
//   COLLADA with a texture, OBJ with textures, 3DS, FBX): the time until the list is complete and the
//   longest the window waits for its event loop meanwhile, for the window's scan (thumbnails only, in
//   slices) against unpacking every model in one go (each model file loaded as a marker loads it),
//   side by side in one run;
// - the import of a batch of ten real models through the window's import (progress dialog, messages):
//   the time of each file and the longest the window goes without repainting.
// Model thumbnails render off screen, so run it under xvfb-run as the tests do:
//   xvfb-run -a -s "-screen 0 1600x1200x24" build/bench/author/bench_library [runs]
#include "ImportReporter.h"
#include "LibraryScanner.h"
#include "Model.h"
#include "ModelImporter.h"
#include "OnlineHooks.h"
#include "Quorvane.h"
#include "Resources.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

const QString kModels = QStringLiteral("/usr/share/assimp/models/");

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The longest gap between two turns of the event loop while `work` runs its course.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        // 1 ms, not 0: the scan continues on a zero timer, and zero timers take turns among themselves.
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(1);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_tick.start();
    }
    double stop()
    {
        m_tick.stop();
        m_longest = std::max(m_longest, m_clock.nsecsElapsed() - m_last);
        return m_longest / 1e6;
    }

private:
    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Paints of the window and its dialogs: the longest time without one.
class PaintMeter : public QObject
{
public:
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        qApp->installEventFilter(this);
    }
    double stop()
    {
        qApp->removeEventFilter(this);
        return std::max(m_longest, m_clock.nsecsElapsed() - m_last) / 1e6;
    }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType()) {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        }
        return false;
    }

private:
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quorvane::initResources();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir work;
    qputenv("localappdata", work.filePath(QStringLiteral("localappdata")).toLocal8Bit());
    qputenv("userprofile", work.filePath(QStringLiteral("profile")).toLocal8Bit());
    std::streambuf* out = std::cout.rdbuf();
    std::ostringstream sink;
    std::cout.rdbuf(sink.rdbuf()); // the thumbnails' capture lines

    // Four real models, imported once.
    quorvane::SilentImportReporter quiet;
    quorvane::ModelImporter importer(&quiet);
    QStringList seeds;
    for (const char* f : {"Collada/duck.dae", "OBJ/spider.obj", "3DS/cube_with_diffuse_texture.3DS", "FBX/box.fbx"}) {
        const QString source = kModels + QString::fromLatin1(f);
        const QString target = work.filePath(QStringLiteral("seeds/%1.qmd").arg(QFileInfo(source).baseName()));
        QDir().mkpath(QFileInfo(target).path());
        if (importer.importFile(source, target))
            seeds << target;
    }
    if (seeds.isEmpty()) {
        std::cout.rdbuf(out);
        std::fprintf(stderr, "bench_library: no model could be imported (assimp-testmodels missing?)\n");
        return 1;
    }

    Quorvane w;
    w.resize(1180, 760);
    w.show();
    QApplication::processEvents();
    const QString emptyImport = work.filePath(QStringLiteral("import"));
    QDir().mkpath(emptyImport);

    std::cout.rdbuf(out);
    std::printf("### Library scan (%d runs, medians)\n\n", runs);
    std::printf("| model files | window: list complete ms | window: longest wait ms | unpacking every model, in one go "
                "ms | complete, unpacking / window |\n|---|---|---|---|---|\n");
    for (int count : {10, 100, 1000}) {
        const QString dir = work.filePath(QStringLiteral("lib%1").arg(count));
        QDir().mkpath(dir);
        for (int i = 0; i < count; ++i) {
            const QString& seed = seeds[i % seeds.size()];
            QFile::copy(
                seed,
                QStringLiteral("%1/m%2_%3").arg(dir).arg(i, 4, 10, QLatin1Char('0')).arg(QFileInfo(seed).fileName()));
        }
        std::vector<double> sliced, slicedWait, unpacking;
        for (int r = 0; r < runs; ++r) {
            StallMeter meter;
            QElapsedTimer t;
            meter.start();
            t.start();
            w.setLibraryDirectories({dir}, emptyImport);
            while (w.libraryScanRunning())
                QApplication::processEvents(QEventLoop::AllEvents, 50);
            sliced.push_back(t.nsecsElapsed() / 1e6);
            slicedWait.push_back(meter.stop());

            // Every model unpacked as a marker unpacks it, and its item made: nothing runs meanwhile.
            t.restart();
            for (const QString& file : quorvane::libraryFiles({dir})) {
                quorvane::Model_v0_0 model;
                if (model.load(file)) {
                    quorvane::LibraryEntry e;
                    e.modelFile = file;
                    e.thumbnailFile = model.thumbnailFile;
                    delete quorvane::libraryItem(e);
                }
            }
            unpacking.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("| %d | %.0f | %.0f | %.0f | %.1f |\n", count, median(sliced), median(slicedWait),
                    median(unpacking), median(unpacking) / std::max(1.0, median(sliced)));
        std::fflush(stdout);
    }

    // Ten real models, imported through the window as a user chooses them.
    QStringList batch;
    for (const char* f : {"Collada/duck.dae", "OBJ/spider.obj", "3DS/cube_with_diffuse_texture.3DS", "3DS/fels.3ds",
                          "Collada/teapots.DAE", "Collada/earthCylindrical.DAE", "STL/Spider_ascii.stl",
                          "FBX/spider.fbx", "FBX/box.fbx", "glTF2/BoxTextured-glTF/BoxTextured.gltf"})
        if (QFileInfo::exists(kModels + QString::fromLatin1(f)))
            batch << kModels + QString::fromLatin1(f);
    std::printf("\n### Batch import of %d real models (%d runs, medians)\n\n", int(batch.size()), runs);
    std::vector<std::vector<double>> perFile(size_t(batch.size()));
    std::vector<double> totals, noPaint;
    int messageCount = 0;
    std::cout.rdbuf(sink.rdbuf());
    for (int r = 0; r < runs; ++r) {
        // Each file on its own, through the window's importer: the time of the file.
        const QString single = work.filePath(QStringLiteral("single%1").arg(r));
        QDir().mkpath(single);
        for (int i = 0; i < batch.size(); ++i) {
            QElapsedTimer t;
            t.start();
            importer.importFile(batch[i], QStringLiteral("%1/%2.qmd").arg(single, QFileInfo(batch[i]).baseName()));
            perFile[size_t(i)].push_back(t.nsecsElapsed() / 1e6);
        }

        // The ten as one choice in the window: progress dialog, messages, the list scanned afterwards.
        const QString import = work.filePath(QStringLiteral("batch%1").arg(r));
        QDir().mkpath(import);
        w.setLibraryDirectories({}, import);
        QApplication::processEvents();
        // Messages about files a model names but does not come with are answered at once.
        int messages = 0;
        QTimer answer;
        answer.setInterval(1);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++messages;
                box->accept();
            }
        });
        answer.start();
        PaintMeter paints;
        paints.start();
        QElapsedTimer t;
        t.start();
        w.importChosenFiles(batch);
        totals.push_back(t.nsecsElapsed() / 1e6);
        noPaint.push_back(paints.stop());
        answer.stop();
        messageCount = messages;
        while (w.libraryScanRunning())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    std::cout.rdbuf(out);
    std::printf("| file | ms |\n|---|---|\n");
    double sum = 0;
    for (int i = 0; i < batch.size(); ++i) {
        const double m = median(perFile[size_t(i)]);
        sum += m;
        std::printf("| %s | %.0f |\n", qPrintable(QFileInfo(batch[i]).fileName()), m);
    }
    std::printf("| *sum of the files* | *%.0f* |\n| **the ten through the window** | **%.0f** |\n\n"
                "Longest the window went without a repaint during the batch: %.0f ms. Messages about missing "
                "side files answered per batch: %d.\n",
                sum, median(totals), median(noPaint), messageCount);
    return 0;
}
