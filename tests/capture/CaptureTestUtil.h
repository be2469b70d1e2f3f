// Small files that the file camera plays, and checks of the frame layout.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>

namespace captest {

constexpr int kWidth = 80;
constexpr int kHeight = 64;
constexpr int kFrames = 5;

// Picture quadrants, blue-green-red: red top left, green top right, blue bottom left, and a
// grey bottom right whose level tells the frame number.
inline cv::Vec3b expectedColour(int x, int y, int width, int height, int frameIndex)
{
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    if (!bottom)
        return right ? cv::Vec3b(0, 255, 0) : cv::Vec3b(0, 0, 255);
    if (!right)
        return cv::Vec3b(255, 0, 0);
    const auto level = static_cast<uchar>(40 + 40 * frameIndex);
    return cv::Vec3b(level, level, level);
}

// Frame `frameIndex` of the pattern, top row first as files and cameras deliver it.
inline cv::Mat patternFrame(int frameIndex, int width = kWidth, int height = kHeight)
{
    cv::Mat frame(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame.at<cv::Vec3b>(y, x) = expectedColour(x, y, width, height, frameIndex);
    return frame;
}

inline QString writeVideo(const QDir& dir, const QString& name = QStringLiteral("clip.avi"))
{
    const QString path = dir.filePath(name);
    cv::VideoWriter writer(QFile::encodeName(path).toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 10.0,
                           cv::Size(kWidth, kHeight));
    if (!writer.isOpened())
        return QString();
    for (int i = 0; i < kFrames; ++i)
        writer.write(patternFrame(i));
    return path;
}

inline QString writePicture(const QDir& dir, int frameIndex, const QString& name = QStringLiteral("still.png"))
{
    const QString path = dir.filePath(name);
    return cv::imwrite(QFile::encodeName(path).toStdString(), patternFrame(frameIndex)) ? path : QString();
}

// Where the picture pixel (x, y) lives in a width x height frame stored bottom row first
// (or top row first when `bottomUp` is false).
inline const uchar* pixelAt(const uchar* data, int width, int height, int x, int y, bool bottomUp = true)
{
    const int row = bottomUp ? height - 1 - y : y;
    return data + (static_cast<size_t>(row) * width + x) * 3;
}

// Compares the centre of every quadrant of the pattern (frame `frameIndex`) against `data`.
// Returns an empty text when they match within `tolerance` per channel.
inline QString checkPattern(const uchar* data, int width, int height, int frameIndex, int tolerance,
                            bool bottomUp = true)
{
    const int xs[] = {width / 4, 3 * width / 4};
    const int ys[] = {height / 4, 3 * height / 4};
    for (int y : ys)
        for (int x : xs) {
            const uchar* p = pixelAt(data, width, height, x, y, bottomUp);
            const cv::Vec3b want = expectedColour(x, y, width, height, frameIndex);
            for (int c = 0; c < 3; ++c)
                if (std::abs(int(p[c]) - int(want[c])) > tolerance)
                    return QStringLiteral("pixel (%1, %2) is %3,%4,%5, expected %6,%7,%8 (frame %9)")
                        .arg(x)
                        .arg(y)
                        .arg(p[0])
                        .arg(p[1])
                        .arg(p[2])
                        .arg(want[0])
                        .arg(want[1])
                        .arg(want[2])
                        .arg(frameIndex);
        }
    return QString();
}

// The frame number that the grey quadrant of a bottom-row-first frame shows; -1 for none.
inline int frameIndexOf(const uchar* data, int width, int height)
{
    const uchar* p = pixelAt(data, width, height, 3 * width / 4, 3 * height / 4);
    const int index = (int(p[1]) - 40 + 20) / 40;
    return index >= 0 && index < kFrames && std::abs(int(p[1]) - (40 + 40 * index)) <= 12 ? index : -1;
}

} // namespace captest
