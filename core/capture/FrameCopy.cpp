#include "FrameCopy.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace Vandrel {
namespace detail {

cv::Mat asBgr(const cv::Mat& frame)
{
    if (frame.empty() || frame.depth() != CV_8U || frame.dims != 2)
        return cv::Mat();
    switch (frame.channels()) {
    case 3:
        return frame;
    case 1: {
        cv::Mat bgr;
        cv::cvtColor(frame, bgr, cv::COLOR_GRAY2BGR);
        return bgr;
    }
    case 4: {
        cv::Mat bgr;
        cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
        return bgr;
    }
    default:
        return cv::Mat();
    }
}

int truncateToInt(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return 0;
    return static_cast<int>(value);
}

bool copyFrameInto(const cv::Mat& frame, cv::Mat& target, bool flipRows)
{
    if (target.empty() || target.type() != CV_8UC3)
        return false;
    const cv::Mat bgr = asBgr(frame);
    if (bgr.empty())
        return false;
    const int w = std::min(bgr.cols, target.cols);
    const int h = std::min(bgr.rows, target.rows);
    const cv::Mat source = bgr(cv::Rect(0, 0, w, h));
    if (flipRows) {
        // Picture rows 0..h-1 are the top h rows of the target's picture, which a
        // bottom-row-first target stores last.
        cv::Mat destination = target(cv::Rect(0, target.rows - h, w, h));
        cv::flip(source, destination, 0);
    } else {
        cv::Mat destination = target(cv::Rect(0, 0, w, h));
        source.copyTo(destination);
    }
    return true;
}

bool readFrame(cv::VideoCapture& capture, cv::Mat& frame)
{
    try {
        return capture.read(frame) && !frame.empty();
    } catch (const std::exception&) {
        return false; // a camera that went away
    }
}

} // namespace detail
} // namespace Vandrel
