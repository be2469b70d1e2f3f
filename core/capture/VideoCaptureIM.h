// The camera lister, and a camera opened at the camera's own frame size.
// Cameras are numbered as in CameraList.h, the same numbering VideoCaptureOCV::open uses.
#pragma once

#include "VideoCapture.h"

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace Vandrel {

class VideoCaptureIM : public VideoCapture
{
public:
    VideoCaptureIM();
    ~VideoCaptureIM() override;

    // Opens camera `device` at the size it offers by default. True on success.
    bool open(int device) override;
    // The next frame into `buffer` (getWidth() x getHeight() x 3 bytes). Nothing on a closed
    // source or a null buffer.
    void grabFrame(unsigned char* buffer) override;

    // Resizes `names` to the number of cameras and sets entry i to the name of camera i.
    void listDevices(std::vector<std::string>& names);
    void listDevices(QStringList& names);

private:
    std::unique_ptr<cv::VideoCapture> capture;
    cv::Mat frame; // the internal frame, reused from grab to grab
};

} // namespace Vandrel
