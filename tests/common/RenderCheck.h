// Reading rendered pictures back in tests: as OpenCV matrices, and masks of projected quadrilaterals.
#pragma once

#include <QImage>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

namespace testutil {

// The picture as an 8-bit red-green-blue matrix (a copy).
inline cv::Mat rgbMat(const QImage& img)
{
    const QImage rgb = img.convertToFormat(QImage::Format_RGB888);
    return cv::Mat(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar*>(rgb.constBits()), rgb.bytesPerLine()).clone();
}

// A width x height mask of the quadrilateral, grown (positive) or shrunk (negative) by `grow` pixels.
inline cv::Mat quadMask(const std::vector<cv::Point>& quad, int width, int height, int grow)
{
    cv::Mat m(height, width, CV_8UC1, cv::Scalar(0));
    cv::fillConvexPoly(m, quad, cv::Scalar(255));
    if (grow > 0)
        cv::dilate(m, m, cv::Mat(), cv::Point(-1, -1), grow);
    else if (grow < 0)
        cv::erode(m, m, cv::Mat(), cv::Point(-1, -1), -grow);
    return m;
}

} // namespace testutil
