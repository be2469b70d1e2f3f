// quorvane track: runs the tracker over pictures or videos and prints one JSON line per frame.
#include "Commands.h"
#include "ViewSetup.h"

#include "MarkerCodes.h"
#include "MarkerDetect.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>
#include <opencv2/core/utils/logger.hpp>

#include <cstdio>
#include <string>

namespace qvtool {

namespace {

std::string jsonString(const QString& s)
{
    std::string out = "\"";
    for (const char c : s.toStdString()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

class FrameTracker
{
public:
    FrameTracker(float focal, bool mirror) : m_focal(focal), m_mirror(mirror) {}

    // Tracks one picture (top row first, as the file holds it) and prints its JSON line.
    void track(const QString& file, int index, const cv::Mat& picture)
    {
        cv::Mat bgr = picture;
        if (bgr.channels() == 1)
            cv::cvtColor(bgr, bgr, cv::COLOR_GRAY2BGR);
        else if (bgr.channels() == 4)
            cv::cvtColor(bgr, bgr, cv::COLOR_BGRA2BGR);
        if (bgr.depth() != CV_8U)
            bgr.convertTo(bgr, CV_8U);
        // The video sources hand the tracker frames stored bottom row first.
        cv::flip(bgr, m_frame, 0);
        if (m_frame.cols != m_detector.Width() || m_frame.rows != m_detector.Height()) {
            trk::SetupLikeView(m_detector, m_frame.cols, m_frame.rows, m_focal);
            m_detector.SetFlipFlags(true, !m_mirror);
        }

        QElapsedTimer timer;
        timer.start();
        m_detector.ProcessFrame(m_frame.data);
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;

        const float cx = static_cast<float>(m_frame.cols) * 0.5f;
        const float cy = static_cast<float>(m_frame.rows) * 0.5f;
        std::string line = "{\"file\":" + jsonString(file) + ",\"frame\":" + std::to_string(index);
        char buf[256];
        std::snprintf(buf, sizeof buf, ",\"ms\":%.3f,\"markers\":[", ms);
        line += buf;
        bool first = true;
        for (const trk::CMarkerMatrix& m : m_detector.GetMarkers()) {
            std::snprintf(buf, sizeof buf, "%s{\"marker\":%d,\"code\":\"0x%04X\",\"corners\":[", first ? "" : ",",
                          trk::MarkerNumberOfCode(m.code), static_cast<unsigned>(m.code));
            line += buf;
            first = false;
            for (int i = 0; i < 4; ++i) {
                // Back from centred camera coordinates to the picture as the user sees it.
                const float u = m.corners[i].x, v = m.corners[i].y;
                const float x = m_mirror ? static_cast<float>(m_frame.cols - 1) - (u + cx) : u + cx;
                const float y = v + cy;
                std::snprintf(buf, sizeof buf, "%s[%.3f,%.3f]", i ? "," : "", x, y);
                line += buf;
            }
            std::snprintf(buf, sizeof buf, "],\"rotation\":[%.6f,%.6f,%.6f,%.6f],\"translation\":[%.4f,%.4f,%.4f]}",
                          m.rotation[0], m.rotation[1], m.rotation[2], m.rotation[3], m.translation[0],
                          m.translation[1], m.translation[2]);
            line += buf;
        }
        line += "]}\n";
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
    }

private:
    float m_focal;
    bool m_mirror;
    trk::CMarkerDetector m_detector;
    cv::Mat m_frame;
};

bool isPictureSuffix(const QString& file)
{
    const QString s = QFileInfo(file).suffix().toLower();
    return s == QLatin1String("png") || s == QLatin1String("jpg") || s == QLatin1String("jpeg") ||
           s == QLatin1String("bmp");
}

} // namespace

int runTrack(const QStringList& args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Runs the marker tracker on pictures (PNG, JPEG, BMP) or videos, configured as the programs' view, "
        "and prints one JSON object per frame."));
    p.addHelpOption();
    p.addOption({QStringLiteral("focal"), QStringLiteral("Camera focal length in pixels (default 700)."),
                 QStringLiteral("F"), QStringLiteral("700")});
    p.addOption({QStringLiteral("mirror"), QStringLiteral("Track as the mirrored view does.")});
    p.addPositionalArgument(QStringLiteral("FILES"), QStringLiteral("Pictures or video files."),
                            QStringLiteral("FILES..."));
    if (!p.parse(QStringList{QStringLiteral("quorvane track")} + args)) {
        std::fprintf(stderr, "quorvane track: %s\n", qPrintable(p.errorText()));
        return 2;
    }
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        return 0;
    }
    bool ok = false;
    const float focal = p.value(QStringLiteral("focal")).toFloat(&ok);
    if (!ok || !(focal > 0.0f)) {
        std::fprintf(stderr, "quorvane track: --focal needs a positive number, not '%s'\n",
                     qPrintable(p.value(QStringLiteral("focal"))));
        return 2;
    }
    const QStringList files = p.positionalArguments();
    if (files.isEmpty()) {
        std::fprintf(stderr, "quorvane track: no files given (try 'quorvane track --help')\n");
        return 2;
    }

    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    FrameTracker tracker(focal, p.isSet(QStringLiteral("mirror")));
    int failures = 0;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile()) {
            std::fprintf(stderr, "quorvane track: %s: no such file\n", qPrintable(file));
            ++failures;
            continue;
        }
        if (isPictureSuffix(file)) {
            const cv::Mat picture = cv::imread(file.toStdString(), cv::IMREAD_COLOR);
            if (picture.empty()) {
                std::fprintf(stderr, "quorvane track: %s: not a readable picture\n", qPrintable(file));
                ++failures;
                continue;
            }
            tracker.track(file, 0, picture);
            continue;
        }
        cv::VideoCapture video(file.toStdString());
        cv::Mat frame;
        int index = 0;
        while (video.isOpened() && video.read(frame) && !frame.empty())
            tracker.track(file, index++, frame);
        if (index == 0) {
            std::fprintf(stderr, "quorvane track: %s: not a readable picture or video\n", qPrintable(file));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}

} // namespace qvtool
