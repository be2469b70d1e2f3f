// A camera (or the file camera) through OpenCV's V4L2 back-end.
#pragma once

#include "VideoCapture.h"

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <memory>

namespace Vandrel {

class VideoCaptureOCV : public VideoCapture
{
public:
    VideoCaptureOCV();
    ~VideoCaptureOCV() override;

    // Opens camera `device` asking for width x height; the camera may choose another size,
    // which getWidth()/getHeight() then report. True on success.
    bool open(int device, int width, int height);
    // The same at 320 x 240.
    bool open(int device) override;

    void grabFrame(unsigned char* buffer) override;
    // The next frame, bottom row first, into `image`. A matrix over memory of the caller's
    // (a header over its own buffer) keeps that memory and its size: only what fits is
    // copied. Any other matrix is reused when it has the frame's size and type, else
    // reallocated to them. Without a frame `image` is left unchanged.
    void grabInto(cv::Mat& image);

    // Frame size as the capture reports it (OpenCV properties 3 and 4), cached.
    int getWidth() override;
    int getHeight() override;
    // Asks the capture for a frame size (the value taken as an unsigned 32-bit number) and
    // returns the size it reads back.
    int setWidth(int value) override;
    int setHeight(int value) override;

private:
    bool readFrame(cv::Mat& frame);
    int setProperty(int property, int value, int& cache);
    int getProperty(int property, int& cache);

    std::unique_ptr<cv::VideoCapture> capture;
    cv::Mat frame; // the last frame read, reused from frame to frame
};

} // namespace Vandrel
