#include "VideoCaptureIM.h"

#include "CameraList.h"
#include "FrameCopy.h"

#include <QString>

namespace Vandrel {

namespace {
// Frames a camera sends while it settles.
constexpr int kStartupFrames = 3;
} // namespace

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
    capture = openSettledCamera(device, 0, 0, kStartupFrames, width, height);
    connected = capture != nullptr;
    return connected;
}

void VideoCaptureIM::grabFrame(unsigned char* buffer)
{
    if (!connected || !capture || !buffer || width <= 0 || height <= 0)
        return;
    if (!detail::readFrame(*capture, frame))
        return;
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
