// Cost of one repaint of the AR view (track + upload + draw) at 640 x 480 on software OpenGL, and
// how it splits; the same with content on all twenty markers; and thumbnail time per model.
// Needs a display: run under xvfb-run, as the tests do.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/arview/bench_repaint [repetitions]
#include "FrameSynth.h"
#include "OsgGLWidget.h"
#include "Thumbnail.h"
#include "ViewSetup.h"
#include "ViewerWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QTemporaryDir>

#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <sstream>
#include <vector>

using namespace quorvane; // the view's classes

namespace {

constexpr int W = 640, H = 480;
constexpr float F = 700.0f;

double medianMs(int reps, const std::function<void(int)>& work)
{
    std::vector<double> t;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        t.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::nth_element(t.begin(), t.begin() + t.size() / 2, t.end());
    return t[t.size() / 2];
}

// A loop of 30 camera frames: `count` markers in a grid, each moving a little.
std::vector<cv::Mat> frames(int count)
{
    trk::SynthOptions o;
    o.background = trk::SynthOptions::Textured;
    o.noiseSigma = 2.0f;
    const int cols = count > 3 ? 5 : count, rows = (count + cols - 1) / cols;
    const float d = count > 3 ? 1250.0f : 750.0f;
    std::vector<cv::Mat> out;
    for (int i = 0; i < 30; ++i) {
        std::vector<trk::SynthMarker> m;
        for (int k = 0; k < count; ++k) {
            const float du = (static_cast<float>(k % cols) - (cols - 1) / 2.0f) * W / (cols + 0.3f);
            const float dv = (static_cast<float>(k / cols) - (rows - 1) / 2.0f) * H / (rows + 0.3f);
            m.push_back(trk::PoseMarker(k, d, 3.0f * i + 17.0f * k, 15.0f, 5.0f, du + 1.0f * i, dv, F));
        }
        out.push_back(trk::SynthesizeFrame(m, o).frame);
    }
    return out;
}

struct Split
{
    double whole, tracking, upload, drawing;
    size_t seen;
};

Split measure(ViewerWidget& view, const std::vector<cv::Mat>& loop, std::vector<unsigned char>& buffer, int reps)
{
    auto load = [&](int i) { std::copy(loop[i % 30].data, loop[i % 30].data + buffer.size(), buffer.begin()); };
    load(0);
    view.setupBackground(buffer.data(), W, H, F);
    view.setMirrored(true);
    for (int i = 0; i < 5; ++i)
        view.renderNow(); // GL objects are created in the first frames
    auto* glw = view.glWidget();
    auto finish = [&] {
        glw->makeCurrent();
        QOpenGLContext::currentContext()->functions()->glFinish();
        glw->doneCurrent();
    };
    const double copy = medianMs(reps, [&](int i) { load(i); });
    const double whole = medianMs(reps, [&](int i) {
        load(i);
        view.renderNow();
        finish();
    });
    const size_t seen = view.tracker().GetMarkers().size();

    trk::CMarkerDetector tracker;
    trk::SetupLikeView(tracker, W, H, F);
    const double track = medianMs(reps, [&](int i) {
        load(i);
        tracker.ProcessFrame(buffer.data());
    });

    glw->makeCurrent();
    auto* gl = QOpenGLContext::currentContext()->functions();
    const double uploadDraw = medianMs(reps, [&](int) {
        view.backgroundImage()->dirty();
        glw->resetGLState();
        view.frame();
        gl->glFinish();
    });
    const double drawOnly = medianMs(reps, [&](int) {
        glw->resetGLState();
        view.frame();
        gl->glFinish();
    });
    glw->doneCurrent();
    return {whole - copy, track - copy, uploadDraw - drawOnly, drawOnly, seen};
}

void row(const char* name, const Split& s)
{
    std::printf("| %-44s | %5zu | %7.2f | %7.2f | %7.2f | %7.2f |\n", name, s.seen, s.whole, s.tracking, s.upload,
                s.drawing);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
    QApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(5, std::atoi(argv[1])) : 100;
    const QString models = QStringLiteral("/usr/share/assimp/models");
    std::vector<unsigned char> buffer(W * H * 3);

    std::printf("AR view repaint at %d x %d on software OpenGL, median of %d, ms\n\n", W, H, reps);
    std::printf("| scene | markers seen | whole repaint | tracking | upload | drawing |\n|---|---|---|---|---|---|\n");
    const std::vector<cv::Mat> three = frames(3), twenty = frames(20);
    {
        ViewerWidget view(false, true);
        view.resize(W + 2, H + 2);
        view.show();
        for (int i = 0; i < 10; ++i)
            QApplication::processEvents();
        row("bare loop (amber squares), 3 markers", measure(view, three, buffer, reps));
        row("bare loop (amber squares), 20 markers", measure(view, twenty, buffer, reps));

        // Content on every marker: a textured model of about 4,500 triangles on 19 of them and a
        // 320 x 240 video on the last.
        QTemporaryDir dir;
        const QString clip = dir.filePath(QStringLiteral("clip.avi"));
        cv::VideoWriter w(clip.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 30.0, cv::Size(320, 240));
        for (int i = 0; i < 600; ++i)
            w.write(cv::Mat(240, 320, CV_8UC3, cv::Scalar(i % 255, 128, 255 - i % 255)));
        w.release();
        for (int n = 0; n < 19; ++n) {
            view.setMarkerContent(n, models + QStringLiteral("/Collada/duck.dae"));
            view.slot(n)->autoScale(135.0f);
            view.slot(n)->autoTranslate();
        }
        view.setMarkerContent(19, clip);
        view.slot(19)->autoScale(135.0f);
        row("20 markers with content (19 models, 1 video)", measure(view, twenty, buffer, reps));
    }

    // Thumbnails: one off-screen render per model, as an import makes it.
    std::printf("\nThumbnail (256 x 256, off screen), median of 5, ms\n\n| model | ms |\n|---|---|\n");
    std::streambuf* quiet = std::cout.rdbuf();
    std::ostringstream sink;
    QTemporaryDir dir;
    for (const char* m : {"OBJ/spider.obj", "3DS/fels.3ds", "Collada/duck.dae", "STL/Spider_ascii.stl",
                          "FBX/spider.fbx", "glTF2/BoxTextured-glTF/BoxTextured.gltf"}) {
        const std::string path = (models + QLatin1Char('/') + QLatin1String(m)).toStdString();
        if (!QFileInfo::exists(QString::fromStdString(path)))
            continue;
        std::cout.rdbuf(sink.rdbuf()); // the capture's console lines
        const double ms =
            medianMs(5, [&](int) { renderModelThumbnail(path, dir.filePath(QStringLiteral("t.png")).toStdString()); });
        std::cout.rdbuf(quiet);
        std::printf("| %s | %.1f |\n", m, ms);
    }
    return 0;
}
