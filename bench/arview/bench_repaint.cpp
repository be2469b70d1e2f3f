// Cost of one repaint of the AR view (track + render) at 640 x 480, and how it splits between
// tracking, background upload and drawing. Needs a display: run under xvfb-run for software
// OpenGL, as the tests do.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/arview/bench_repaint [repetitions]
#include "FrameSynth.h"
#include "ViewSetup.h"
#include "OsgGLWidget.h"
#include "ViewerWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

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

} // namespace

int main(int argc, char* argv[])
{
    qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
    QApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(5, std::atoi(argv[1])) : 200;
    constexpr int W = 640, H = 480;
    constexpr float F = 700.0f;

    // A loop of frames with three markers moving over a cluttered desk, as the camera sends them.
    trk::SynthOptions o;
    o.background = trk::SynthOptions::Textured;
    o.noiseSigma = 2.0f;
    std::vector<cv::Mat> frames;
    for (int i = 0; i < 30; ++i)
        frames.push_back(trk::SynthesizeFrame({trk::PoseMarker(0, 700, 3.0f * i, 20, 10, -150 + 2.0f * i, -70, F),
                                               trk::PoseMarker(1, 850, 30, 25, -15, 150, -90, F),
                                               trk::PoseMarker(2, 750, 200, -20, 5.0f * i, 20, 110, F)},
                                              o)
                             .frame);
    std::vector<unsigned char> buffer(W * H * 3);
    auto load = [&](int i) { std::copy(frames[i % 30].data, frames[i % 30].data + buffer.size(), buffer.begin()); };

    ViewerWidget view(false, true);
    view.resize(W + 2, H + 2);
    view.show();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    load(0);
    view.setupBackground(buffer.data(), W, H, F);
    view.setMirrored(true);
    view.renderNow(); // first frame: GL objects are created

    auto finish = [&] {
        view.glWidget()->makeCurrent();
        QOpenGLContext::currentContext()->functions()->glFinish();
        view.glWidget()->doneCurrent();
    };

    const double total = medianMs(reps, [&](int i) {
        load(i);
        view.renderNow();
        finish();
    });

    trk::CMarkerDetector tracker;
    trk::SetupLikeView(tracker, W, H, F);
    tracker.SetFlipFlags(true, false);
    const double track = medianMs(reps, [&](int i) {
        load(i);
        tracker.ProcessFrame(buffer.data());
    });
    const double copy = medianMs(reps, [&](int i) { load(i); });

    view.glWidget()->makeCurrent();
    auto* gl = QOpenGLContext::currentContext()->functions();
    const double uploadDraw = medianMs(reps, [&](int i) {
        load(i);
        view.backgroundImage()->dirty();
        view.frame();
        gl->glFinish();
    });
    const double drawOnly = medianMs(reps, [&](int) {
        view.frame();
        gl->glFinish();
    });
    view.glWidget()->doneCurrent();

    std::printf("AR view repaint, %d x %d, 3 markers, software OpenGL, median of %d (ms)\n", W, H, reps);
    std::printf("  whole repaint (track + upload + draw): %7.3f\n", total - copy);
    std::printf("  tracking (ProcessFrame):              %7.3f\n", track - copy);
    std::printf("  background upload:                    %7.3f\n", uploadDraw - drawOnly - copy);
    std::printf("  drawing:                              %7.3f\n", drawOnly);
    std::printf("  frame budget at 30 frames a second:    33.333\n");
    return 0;
}
