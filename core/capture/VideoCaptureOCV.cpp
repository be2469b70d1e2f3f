#include "VideoCaptureOCV.h"

#include "CameraList.h"
#include "FrameCopy.h"

#include <cstdint>

namespace Vandrel {

namespace {
// Frames a camera sends while its exposure and white balance settle.
constexpr int kStartupFrames = 20;
} // namespace

VideoCaptureOCV::VideoCaptureOCV() = default;

VideoCaptureOCV::~VideoCaptureOCV()
{
    if (capture)
        capture->release();
}

bool VideoCaptureOCV::open(int device)
{
    return open(device, 320, 240);
}

bool VideoCaptureOCV::open(int device, int requestedWidth, int requestedHeight)
{
    // A second open replaces the first camera; until it succeeds the source is closed.
    connected = false;
    if (capture)
        capture->release();
    capture = openSettledCamera(device, requestedWidth, requestedHeight, kStartupFrames, width, height);
    connected = capture != nullptr;
    return connected;
}

bool VideoCaptureOCV::readFrame(cv::Mat& target)
{
    return detail::readFrame(*capture, target);
}

void VideoCaptureOCV::grabFrame(unsigned char* buffer)
{
    if (!connected || !capture || !buffer || width <= 0 || height <= 0)
        return;
    if (!readFrame(frame))
        return;
    cv::Mat target(height, width, CV_8UC3, buffer);
    detail::copyFrameInto(frame, target, true);
}

void VideoCaptureOCV::grabInto(cv::Mat& image)
{
    if (!connected || !capture)
        return;
    if (!readFrame(frame))
        return;
    // A header over the caller's memory (no allocation of OpenCV's behind it) must keep
    // pointing there: the caller shares that memory with whoever displays it.
    if (image.data && !image.u && image.type() == CV_8UC3) {
        detail::copyFrameInto(frame, image, true);
        return;
    }
    const cv::Mat bgr = detail::asBgr(frame);
    if (bgr.empty())
        return;
    cv::flip(bgr, image, 0);
}

int VideoCaptureOCV::getProperty(int property, int& cache)
{
    if (!capture)
        return cache;
    try {
        cache = detail::truncateToInt(capture->get(property));
    } catch (const std::exception&) {
        cache = 0;
    }
    return cache;
}

int VideoCaptureOCV::setProperty(int property, int value, int& cache)
{
    if (!capture)
        return cache;
    try {
        // The request goes out as an unsigned 32-bit number: -1 asks for 4294967295.
        capture->set(property, static_cast<double>(static_cast<std::uint32_t>(value)));
    } catch (const std::exception&) {
        // What the camera reports below is the answer either way.
    }
    return getProperty(property, cache);
}

int VideoCaptureOCV::getWidth()
{
    return getProperty(cv::CAP_PROP_FRAME_WIDTH, width);
}

int VideoCaptureOCV::getHeight()
{
    return getProperty(cv::CAP_PROP_FRAME_HEIGHT, height);
}

int VideoCaptureOCV::setWidth(int value)
{
    return setProperty(cv::CAP_PROP_FRAME_WIDTH, value, width);
}

int VideoCaptureOCV::setHeight(int value)
{
    return setProperty(cv::CAP_PROP_FRAME_HEIGHT, value, height);
}

} // namespace Vandrel
