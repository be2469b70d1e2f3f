#include "VideoCaptureOCVVideo.h"

#include "FileCamera.h"
#include "FrameCopy.h"

namespace Vandrel {

VideoCaptureOCVVideo::VideoCaptureOCVVideo() = default;

VideoCaptureOCVVideo::~VideoCaptureOCVVideo() = default;

bool VideoCaptureOCVVideo::openFile(const std::string& path)
{
    // Reopening replaces the previous file; a failed open leaves the source closed.
    connected = false;
    capture = std::make_unique<cv::VideoCapture>();
    if (!detail::openVideoFile(*capture, path))
        return false;
    // The first frame is skipped. A file that cannot deliver even that one is no video,
    // whatever the container said.
    cv::Mat first;
    connected = detail::readFrame(*capture, first);
    return connected;
}

bool VideoCaptureOCVVideo::open(int /*device*/)
{
    return true;
}

void VideoCaptureOCVVideo::grabFrame(unsigned char* buffer)
{
    if (!connected || !capture || !buffer)
        return;
    getWidth();
    getHeight();
    if (width <= 0 || height <= 0)
        return;
    if (!detail::readFrame(*capture, frame))
        return;
    cv::Mat target(height, width, CV_8UC3, buffer);
    detail::copyFrameInto(frame, target, false);
}

void VideoCaptureOCVVideo::readInto(cv::Mat& image)
{
    if (!connected || !capture)
        return;
    try {
        capture->read(image);
    } catch (const std::exception&) {
    }
}

int VideoCaptureOCVVideo::getWidth()
{
    if (capture)
        width = detail::truncateToInt(capture->get(cv::CAP_PROP_FRAME_WIDTH));
    return width;
}

int VideoCaptureOCVVideo::getHeight()
{
    if (capture)
        height = detail::truncateToInt(capture->get(cv::CAP_PROP_FRAME_HEIGHT));
    return height;
}

} // namespace Vandrel
