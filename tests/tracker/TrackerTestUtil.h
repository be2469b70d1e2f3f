// Helpers shared by the tracker tests: a detector set up as the programs' view, and printed
// marker pictures placed in a camera picture.
#pragma once

#include "MarkerDetect.h"
#include "MarkerPicture.h"
#include "ViewSetup.h"

#include <opencv2/imgproc.hpp>

namespace testutil {

// A grey camera picture (top row first) turned into a frame the way the video sources store it.
inline cv::Mat frameFromPicture(const cv::Mat& grey)
{
    cv::Mat bgr, frame;
    cv::cvtColor(grey, bgr, cv::COLOR_GRAY2BGR);
    cv::flip(bgr, frame, 0);
    return frame;
}

// The detector as the non-mirrored view sets it up.
inline void setupView(trk::CMarkerDetector& d, int width, int height, float f = 700.0f)
{
    trk::SetupLikeView(d, width, height, f);
    d.SetFlipFlags(true, true);
}

// Picture coordinates (origin top left) of a centred corner of the non-mirrored view.
inline cv::Point2f pictureCorner(const trk::SPoint2f& c, int width, int height)
{
    return {c.x + width * 0.5f, c.y + height * 0.5f};
}

// Pastes a printed picture into a camera picture with its top-left pixel at (x, y).
inline void paste(cv::Mat& picture, const cv::Mat& printed, int x, int y)
{
    printed.copyTo(picture(cv::Rect(x, y, printed.cols, printed.rows)));
}

} // namespace testutil
