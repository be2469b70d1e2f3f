// A video file read through OpenCV, frames as OpenCV delivers them (top row first).
#pragma once

#include "VideoCapture.h"

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <memory>
#include <string>

namespace Vandrel {

class VideoCaptureOCVVideo : public VideoCapture
{
public:
    VideoCaptureOCVVideo();
    ~VideoCaptureOCVVideo() override;

    // Opens the video file at `path` and skips its first frame. True on success.
    bool openFile(const std::string& path);
    // Files are opened with openFile; this does nothing.
    bool open(int device) override;
    // The next frame, top row first as delivered, into `buffer` of getWidth() x getHeight()
    // x 3 bytes (the size is taken from the file at every grab).
    void grabFrame(unsigned char* buffer) override;
    // The next frame into `image` as OpenCV delivers it.
    void readInto(cv::Mat& image);

    int getWidth() override;
    int getHeight() override;

private:
    std::unique_ptr<cv::VideoCapture> capture;
    cv::Mat frame;
};

} // namespace Vandrel
