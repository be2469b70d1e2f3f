#include "FileCamera.h"

#include "PictureFile.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio/registry.hpp>

#include <QFile>
#include <QFileInfo>

namespace Vandrel {

namespace detail {
bool openVideoFile(cv::VideoCapture& capture, const std::string& path)
{
    const int api = cv::videoio_registry::hasBackend(cv::CAP_FFMPEG) ? cv::CAP_FFMPEG : cv::CAP_ANY;
    try {
        return capture.open(path, api) && capture.isOpened();
    } catch (const std::exception&) {
        capture.release();
        return false;
    }
}
} // namespace detail

FileCamera::~FileCamera()
{
    release();
}

bool FileCamera::openFile(const std::string& newPath)
{
    release();
    // Decoders and demuxers are not asked about what is not a readable file (a folder, a
    // device, a name that does not exist).
    const QFileInfo info(QFile::decodeName(newPath.c_str()));
    if (!info.isFile() || !info.isReadable())
        return false;
    path = newPath;
    try {
        if (cv::haveImageReader(path)) {
            // A picture must not reach the video back-ends: they would take it for the first
            // picture of a numbered sequence.
            // Read with bounded memory: a huge picture comes at a fraction of its size, or not at all.
            if (readPictureFile(path, picture) != PictureRead::Ok) {
                release();
                return false;
            }
            frameWidth = picture.cols;
            frameHeight = picture.rows;
            return true;
        }
        if (!openVideo()) {
            release();
            return false;
        }
    } catch (const std::exception&) {
        release();
        return false;
    }
    return true;
}

bool FileCamera::openVideo()
{
    video.release();
    if (!detail::openVideoFile(video, path))
        return false;
    frameWidth = static_cast<int>(video.get(cv::CAP_PROP_FRAME_WIDTH));
    frameHeight = static_cast<int>(video.get(cv::CAP_PROP_FRAME_HEIGHT));
    return frameWidth > 0 && frameHeight > 0;
}

bool FileCamera::isOpened() const
{
    return !picture.empty() || video.isOpened();
}

void FileCamera::release()
{
    video.release();
    picture.release();
    pending.release();
    path.clear();
    frameWidth = 0;
    frameHeight = 0;
}

bool FileCamera::nextFrame(cv::Mat& frame)
{
    if (!picture.empty()) {
        // A copy, so that whoever receives the frame cannot change the picture.
        picture.copyTo(frame);
        return true;
    }
    if (!video.isOpened())
        return false;
    try {
        if (video.read(frame) && !frame.empty())
            return true;
        // End of the video: start again from the beginning. Reopening gives the first frame
        // exactly on every back-end, where seeking to 0 does not always. One attempt per
        // call, so an empty or vanished file gives no frame instead of spinning.
        if (!openVideo()) {
            video.release();
            return false;
        }
        return video.read(frame) && !frame.empty();
    } catch (const std::exception&) {
        video.release();
        return false;
    }
}

bool FileCamera::grab()
{
    return nextFrame(pending);
}

bool FileCamera::retrieve(cv::OutputArray image, int /*flag*/)
{
    if (pending.empty())
        return false;
    pending.copyTo(image);
    pending.release();
    return true;
}

bool FileCamera::read(cv::OutputArray image)
{
    cv::Mat frame;
    if (!nextFrame(frame)) {
        image.release();
        return false;
    }
    image.assign(frame);
    return true;
}

bool FileCamera::set(int propId, double value)
{
    if (propId == cv::CAP_PROP_FRAME_WIDTH || propId == cv::CAP_PROP_FRAME_HEIGHT)
        return false;
    return !picture.empty() ? false : video.set(propId, value);
}

double FileCamera::get(int propId) const
{
    if (propId == cv::CAP_PROP_FRAME_WIDTH)
        return frameWidth;
    if (propId == cv::CAP_PROP_FRAME_HEIGHT)
        return frameHeight;
    return !picture.empty() ? 0.0 : video.get(propId);
}

} // namespace Vandrel
