#include "PictureFile.h"

#include <opencv2/imgcodecs.hpp>

#include <QFileInfo>
#include <QImageReader>
#include <QString>

namespace Vandrel {

PictureRead readPictureFile(const std::string& path, cv::Mat& out)
{
    out.release();
    const QString file = QString::fromStdString(path);
    if (!QFileInfo(file).isFile() || !QFileInfo(file).isReadable())
        return PictureRead::NotAPicture;

    // The header's size, read without decoding (OpenCV's own limit is fixed when the library loads).
    QImageReader header(file);
    header.setDecideFormatFromContent(true);
    const QSize size = header.size();
    int reduction = 1;
    if (size.isValid()) {
        const long long pixels = static_cast<long long>(size.width()) * size.height();
        while (pixels / (reduction * reduction) > kMaxPicturePixels && reduction < 8)
            reduction *= 2;
        // Only JPEG decodes at a fraction of its size; every other format would be decoded whole first.
        const bool scalable = header.format() == "jpeg" || header.format() == "jpg";
        if (pixels / (reduction * reduction) > kMaxPicturePixels || (reduction > 1 && !scalable))
            return PictureRead::TooLarge;
    }
    const int flags = reduction == 1   ? cv::IMREAD_COLOR
                      : reduction == 2 ? cv::IMREAD_REDUCED_COLOR_2
                      : reduction == 4 ? cv::IMREAD_REDUCED_COLOR_4
                                       : cv::IMREAD_REDUCED_COLOR_8;
    try {
        cv::Mat picture = cv::imread(path, flags);
        if (picture.empty() || picture.type() != CV_8UC3)
            return PictureRead::NotAPicture;
        out = picture;
        return PictureRead::Ok;
    } catch (const std::exception&) {
        return PictureRead::NotAPicture;
    }
}

} // namespace Vandrel
