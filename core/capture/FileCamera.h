// A video or picture file that behaves like a camera: it never runs out of frames (a video
// starts again after its last frame, a picture is handed out again and again) and its frame
// size is the file's. Lets the programs run, and be tested, on machines without a webcam.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <string>

namespace Vandrel {

class FileCamera : public cv::VideoCapture
{
public:
    FileCamera() = default;
    ~FileCamera() override;

    // Opens `path`, as a picture when an image decoder recognises it, else as a video.
    // False when the file is missing or neither kind can read it.
    bool openFile(const std::string& path);

    bool isOpened() const override;
    void release() override;
    bool grab() override;
    bool retrieve(cv::OutputArray image, int flag = 0) override;
    bool read(cv::OutputArray image) override;
    // Frame width and height are the file's: asking for another size changes nothing.
    bool set(int propId, double value) override;
    double get(int propId) const override;

    bool isPicture() const { return !picture.empty(); }

private:
    bool nextFrame(cv::Mat& frame);
    bool openVideo();

    std::string path;
    cv::Mat picture; // the picture, blue-green-red, when the file is one
    cv::VideoCapture video;
    cv::Mat pending; // the frame `grab` took, for `retrieve`
    int frameWidth = 0;
    int frameHeight = 0;
};

namespace detail {
// Opens a video file through FFmpeg when OpenCV has it, else through any back-end. Other
// back-ends are not tried after FFmpeg said no: they would take a picture for a numbered
// sequence or a file name for a pipeline.
bool openVideoFile(cv::VideoCapture& capture, const std::string& path);
} // namespace detail

} // namespace Vandrel
