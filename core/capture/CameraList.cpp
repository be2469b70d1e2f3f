#include "CameraList.h"

#include "FrameCopy.h"

#include "FileCamera.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vandrel {

const char* const kFileCameraVariable = "QUORVANE_CAMERA";

namespace {

// N for a name "videoN" (digits only, no sign, no leading junk); -1 otherwise.
int nodeNumber(const std::string& name)
{
    static const std::string prefix = "video";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stoi(digits);
}

int xioctl(int fd, unsigned long request, void* arg)
{
    int r;
    do {
        r = ::ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

// True when `path` is a character device whose driver can capture video; fills `card`.
bool queryCaptureNode(const std::string& path, std::string& card)
{
    // Only character devices: anything else is not a camera, and opening a FIFO or a file
    // on a slow mount could block.
    struct stat st
    {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    // The same access OpenCV's V4L2 back-end asks for, so what is listed can be opened.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    v4l2_capability cap{};
    const bool queried = xioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
    ::close(fd);
    if (!queried)
        return false;
    // A device with several nodes reports the whole device in `capabilities` and the node
    // itself in `device_caps`; only the latter says whether this node captures.
    const __u32 caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE))
        return false;
    const auto* text = reinterpret_cast<const char*>(cap.card);
    card.assign(text, ::strnlen(text, sizeof cap.card));
    return true;
}

} // namespace

std::vector<CameraEntry> listV4L2CaptureDevices(const std::string& devDir)
{
    std::vector<CameraEntry> devices;
    DIR* dir = ::opendir(devDir.c_str());
    if (!dir)
        return devices;
    while (const dirent* item = ::readdir(dir)) {
        const int n = nodeNumber(item->d_name);
        if (n < 0)
            continue;
        const std::string path = devDir + "/" + item->d_name;
        CameraEntry entry;
        if (!queryCaptureNode(path, entry.name))
            continue;
        if (entry.name.empty())
            entry.name = path;
        entry.v4l2Index = n;
        devices.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(devices.begin(), devices.end(),
              [](const CameraEntry& a, const CameraEntry& b) { return a.v4l2Index < b.v4l2Index; });
    return devices;
}

std::vector<CameraEntry> listCameras()
{
    std::vector<CameraEntry> cameras;
    // Listed whenever the variable is set, even if the file is missing: the numbering then
    // depends on the variable alone, and a mistyped name shows up as a camera that fails to
    // open instead of silently handing over to a real webcam.
    const QByteArray file = qgetenv(kFileCameraVariable);
    if (!file.isEmpty()) {
        CameraEntry entry;
        entry.filePath = file.toStdString();
        entry.name = QFile::encodeName(QFileInfo(QFile::decodeName(file)).fileName()).toStdString();
        if (entry.name.empty())
            entry.name = entry.filePath;
        cameras.push_back(std::move(entry));
    }
    std::vector<CameraEntry> devices = listV4L2CaptureDevices();
    cameras.insert(cameras.end(), std::make_move_iterator(devices.begin()), std::make_move_iterator(devices.end()));
    return cameras;
}

std::unique_ptr<cv::VideoCapture> openCamera(int position, bool* isFile)
{
    if (isFile)
        *isFile = false;
    if (position < 0)
        return nullptr;
    const std::vector<CameraEntry> cameras = listCameras();
    if (position >= static_cast<int>(cameras.size()))
        return nullptr;
    const CameraEntry& entry = cameras[static_cast<size_t>(position)];
    std::unique_ptr<cv::VideoCapture> capture;
    try {
        if (entry.isFile()) {
            auto file = std::make_unique<FileCamera>();
            if (file->openFile(entry.filePath))
                capture = std::move(file);
        } else {
            auto device = std::make_unique<cv::VideoCapture>();
            if (device->open(entry.v4l2Index, cv::CAP_V4L2) && device->isOpened())
                capture = std::move(device);
        }
    } catch (const std::exception&) {
        capture.reset(); // a back-end that throws is a camera that did not open
    }
    if (capture && isFile)
        *isFile = entry.isFile();
    return capture;
}

std::unique_ptr<cv::VideoCapture> openSettledCamera(int position, int requestedWidth, int requestedHeight,
                                                    int startupFrames, int& width, int& height)
{
    width = height = 0;
    bool isFile = false;
    std::unique_ptr<cv::VideoCapture> capture = openCamera(position, &isFile);
    if (!capture)
        return nullptr;
    if (requestedWidth > 0 && requestedHeight > 0) {
        try {
            capture->set(cv::CAP_PROP_FRAME_WIDTH, requestedWidth);
            capture->set(cv::CAP_PROP_FRAME_HEIGHT, requestedHeight);
        } catch (const std::exception&) {
            // The camera keeps its own size; it is read back below.
        }
    }
    try {
        width = detail::truncateToInt(capture->get(cv::CAP_PROP_FRAME_WIDTH));
        height = detail::truncateToInt(capture->get(cv::CAP_PROP_FRAME_HEIGHT));
    } catch (const std::exception&) {
        width = height = 0;
    }
    if (width <= 0 || height <= 0) {
        // Nothing could be delivered into a buffer sized from these.
        capture->release();
        width = height = 0;
        return nullptr;
    }
    if (!isFile) {
        cv::Mat frame;
        for (int i = 0; i < startupFrames; ++i)
            if (!detail::readFrame(*capture, frame))
                break;
    }
    return capture;
}

} // namespace Vandrel
