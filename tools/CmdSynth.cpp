// quorvane synth: camera pictures and clips of printed markers, made without a camera.
#include "Commands.h"

#include "FrameSynth.h"

#include <QCommandLineParser>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <cmath>
#include <cstdio>

namespace qvtool {

namespace {

// A small scene of markers at different distances, turns and tilts; t (seconds) moves them.
std::vector<trk::SynthMarker> demoMarkers(float t, float focal, int width, int height)
{
    const float s = static_cast<float>(std::min(width, height)) / 480.0f;
    return {
        trk::PoseMarker(0, 700.0f, 15.0f * std::sin(t), 20.0f * std::sin(0.7f * t), 10.0f, -150.0f * s, -70.0f * s,
                        focal),
        trk::PoseMarker(1, 850.0f, 30.0f * t, 25.0f, -15.0f * std::cos(t), 150.0f * s, -90.0f * s, focal),
        trk::PoseMarker(2, 750.0f + 150.0f * std::sin(0.5f * t), 200.0f, -20.0f, 30.0f * std::sin(0.9f * t),
                        20.0f * s + 120.0f * s * std::sin(0.4f * t), 110.0f * s, focal),
    };
}

} // namespace

int runSynth(const QStringList& args)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Synthesises what a camera would see of printed markers.\n"
                       "  frame OUT.png   one picture\n"
                       "  video OUT.avi   a clip of markers moving, turning and tilting (Motion JPEG)"));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("KIND"), QStringLiteral("frame or video"));
    p.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("File to write"));
    p.addOption({QStringLiteral("width"), QStringLiteral("Width in pixels (default 640)."), QStringLiteral("W"),
                 QStringLiteral("640")});
    p.addOption({QStringLiteral("height"), QStringLiteral("Height in pixels (default 480)."), QStringLiteral("H"),
                 QStringLiteral("480")});
    p.addOption({QStringLiteral("focal"), QStringLiteral("Focal length in pixels (default 700)."), QStringLiteral("F"),
                 QStringLiteral("700")});
    p.addOption({QStringLiteral("seconds"), QStringLiteral("Length of a clip (default 10)."), QStringLiteral("S"),
                 QStringLiteral("10")});
    p.addOption({QStringLiteral("plain"), QStringLiteral("Plain background instead of a cluttered desk.")});
    if (!p.parse(QStringList{QStringLiteral("quorvane synth")} + args)) {
        std::fprintf(stderr, "quorvane synth: %s\n", qPrintable(p.errorText()));
        return 2;
    }
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        return 0;
    }
    const QStringList pos = p.positionalArguments();
    if (pos.size() != 2 || (pos[0] != QLatin1String("frame") && pos[0] != QLatin1String("video"))) {
        std::fprintf(stderr, "quorvane synth: expected 'frame OUT.png' or 'video OUT.avi'\n");
        return 2;
    }
    bool okW = false, okH = false, okF = false, okS = false;
    trk::SynthOptions o;
    o.width = p.value(QStringLiteral("width")).toInt(&okW);
    o.height = p.value(QStringLiteral("height")).toInt(&okH);
    o.focal = p.value(QStringLiteral("focal")).toFloat(&okF);
    const float seconds = p.value(QStringLiteral("seconds")).toFloat(&okS);
    if (!okW || !okH || o.width < 64 || o.height < 64 || o.width > 4096 || o.height > 4096 || !okF || !(o.focal > 0) ||
        !okS || !(seconds > 0) || seconds > 600) {
        std::fprintf(stderr, "quorvane synth: sizes must be 64..4096 pixels, focal and seconds positive\n");
        return 2;
    }
    o.background = p.isSet(QStringLiteral("plain")) ? trk::SynthOptions::Plain : trk::SynthOptions::Textured;
    o.noiseSigma = 2.0f;
    const std::string out = pos[1].toStdString();

    if (pos[0] == QLatin1String("frame")) {
        const trk::SynthFrame f = trk::SynthesizeFrame(demoMarkers(0.8f, o.focal, o.width, o.height), o);
        if (!cv::imwrite(out, f.Picture())) {
            std::fprintf(stderr, "quorvane synth: cannot write %s\n", out.c_str());
            return 1;
        }
        return 0;
    }

    const double fps = 30.0;
    cv::VideoWriter writer(out, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), fps, cv::Size(o.width, o.height));
    if (!writer.isOpened()) {
        std::fprintf(stderr, "quorvane synth: cannot write the clip %s\n", out.c_str());
        return 1;
    }
    const int frames = static_cast<int>(seconds * fps);
    for (int i = 0; i < frames; ++i) {
        o.seed = 1; // the same desk in every frame; only the noise would change otherwise
        const float t = static_cast<float>(i) / static_cast<float>(fps);
        writer.write(trk::SynthesizeFrame(demoMarkers(t, o.focal, o.width, o.height), o).Picture());
    }
    return 0;
}

} // namespace qvtool
