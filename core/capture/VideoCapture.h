// The video sources: cameras and video files behind one interface whose job is to copy the
// next frame into a buffer the caller owns, in the system's frame layout:
// width x height pixels, 3 bytes a pixel in the order blue, green, red, bottom row first,
// no padding between rows (width x height x 3 bytes in all).
//
// Failure is a return value (false, or a buffer left as it was); nothing here throws.
#pragma once

namespace Vandrel {

class VideoCapture
{
public:
    VideoCapture() = default;
    virtual ~VideoCapture();

    VideoCapture(const VideoCapture&) = delete;
    VideoCapture& operator=(const VideoCapture&) = delete;

    // Opens camera number `device` (a position in VideoCaptureIM::listDevices). True on success.
    virtual bool open(int device) = 0;
    // Copies the next frame into `buffer`, which must hold getWidth() x getHeight() x 3 bytes
    // as they were when it was allocated. Never copies more than the frame holds.
    virtual void grabFrame(unsigned char* buffer) = 0;

    virtual int getWidth();
    virtual int getHeight();
    virtual int setWidth(int value);
    virtual int setHeight(int value);

    bool isConnected() const { return connected; }

protected:
    bool connected = false;
    int width = 0;
    int height = 0;
};

} // namespace Vandrel
