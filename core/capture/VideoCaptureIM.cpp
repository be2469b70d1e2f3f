#include "VideoCaptureIM.h"

#include "CameraList.h"
#include "FrameCopy.h"

#include <QString>

namespace Vandrel {

namespace {
// Frames a camera sends while it settles.
constexpr int kStartupFrames = 3;
}

VideoCaptureIM::VideoCaptureIM() = default;

VideoCaptureIM::~VideoCaptureIM()
{
    if (capture)
        capture->release();
}

bool VideoCaptureIM::open(int device)
{
    connected = false;
    if (capture)
        capture->release();
    capture.reset();
    width = 0;
    height = 0;

    bool isFile = false;
    capture = openCamera(device, &isFile);
    if (!capture)
        return false;
    try {
        width = detail::truncateToInt(capture->get(cv::CAP_PROP_FRAME_WIDTH));
        height = detail::truncateToInt(capture->get(cv::CAP_PROP_FRAME_HEIGHT));
    } catch (const std::exception&) {
        width = height = 0;
    }
    if (width <= 0 || height <= 0) {
        capture->release();
        capture.reset();
        width = height = 0;
        return false;
    }
    if (!isFile) {
        for (int i = 0; i < kStartupFrames; ++i) {
            try {
                if (!capture->read(frame) || frame.empty())
                    break;
            } catch (const std::exception&) {
                break;
            }
        }
    }
    connected = true;
    return true;
}

void VideoCaptureIM::grabFrame(unsigned char* buffer)
{
    if (!connected || !capture || !buffer || width <= 0 || height <= 0)
        return;
    try {
        if (!capture->read(frame) || frame.empty())
            return;
    } catch (const std::exception&) {
        return;
    }
    cv::Mat target(height, width, CV_8UC3, buffer);
    detail::copyFrameInto(frame, target, true);
}

void VideoCaptureIM::listDevices(std::vector<std::string>& names)
{
    const std::vector<CameraEntry> cameras = listCameras();
    names.resize(cameras.size());
    for (size_t i = 0; i < cameras.size(); ++i)
        names[i] = cameras[i].name;
}

void VideoCaptureIM::listDevices(QStringList& names)
{
    std::vector<std::string> list;
    listDevices(list);
    names.clear();
    names.reserve(static_cast<qsizetype>(list.size()));
    for (const std::string& name : list)
        names.append(QString::fromUtf8(name.c_str()));
}

} // namespace Vandrel
