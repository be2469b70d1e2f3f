// The cameras the programs can open, in the order the user picks from.
//
// Numbering (one rule for the lister and for every `open(int)` of this library):
//   position 0      the file camera, when QUORVANE_CAMERA is set (any non-empty value);
//   the positions after it
//                   the V4L2 nodes /dev/videoN that can capture, in increasing N.
// OpenCV's V4L2 back-end opens /dev/videoN for index N, and many cameras also expose
// metadata-only nodes, so list positions and node numbers differ in general. Both the lister
// and `open` therefore go through `listCameras()` and open the entry at the requested position
// by its node number: position i in the list and open(i) always reach the same device
// (as long as no camera is plugged in or out between listing and opening).
#pragma once

#include <opencv2/videoio.hpp>

#include <memory>
#include <string>
#include <vector>

namespace Vandrel {

// Name of the environment variable that turns a video or picture file into camera 0.
extern const char* const kFileCameraVariable;

struct CameraEntry
{
    std::string name;     // shown to the user: the card name, or the file's name
    std::string filePath; // the file camera's file; empty for a device
    int v4l2Index = -1;   // N of /dev/videoN; -1 for the file camera

    bool isFile() const { return v4l2Index < 0; }
};

// The V4L2 nodes named videoN in `devDir` whose capabilities include video capture (the
// per-node capabilities when the driver reports them), in increasing N, named after their card.
std::vector<CameraEntry> listV4L2CaptureDevices(const std::string& devDir = "/dev");

// The file camera (when QUORVANE_CAMERA is set) followed by the V4L2 capture devices.
std::vector<CameraEntry> listCameras();

// Opens camera number `position` of listCameras(): the file camera as a looping file reader,
// a device through OpenCV's V4L2 back-end. Null when there is no such camera or it cannot be
// opened. `isFile` tells which kind it was (a file needs no start-up frames discarded).
std::unique_ptr<cv::VideoCapture> openCamera(int position, bool* isFile = nullptr);

// What the camera sources do on open: opens list position `position`, asks for a frame size when
// one is given (> 0), reads back the size the camera delivers and, for a real camera, lets it
// settle for up to `startupFrames` frames (stopping at the first that fails: a dead camera would
// otherwise wait out every driver time-out). Null, with width and height 0, when nothing with a
// positive frame size could be opened.
std::unique_ptr<cv::VideoCapture> openSettledCamera(int position, int requestedWidth, int requestedHeight,
                                                    int startupFrames, int& width, int& height);

} // namespace Vandrel
