// Puts a frame as OpenCV delivers it into the caller's memory, copying only what both hold.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

namespace Vandrel {
namespace detail {

// Copies `frame` into `target`, an 8-bit 3-channel matrix whose size is what the caller
// allocated; `target` keeps its memory and size. With `flipRows` the rows go bottom row
// first. When the two sizes differ, only the common rectangle is copied, so that picture
// pixel (x, y) still lands on (x, y) and nothing is written past `target` or read past
// `frame`; the rest of `target` keeps its bytes. Grey and four-channel frames are converted
// to blue-green-red; a frame of another depth is not copied (false).
bool copyFrameInto(const cv::Mat& frame, cv::Mat& target, bool flipRows);

// `frame` as 8-bit blue-green-red (shared when it already is); empty when it cannot be.
cv::Mat asBgr(const cv::Mat& frame);

// Reads the next frame; false at the end, for an empty frame, or when the device went away
// (no exception gets out).
bool readFrame(cv::VideoCapture& capture, cv::Mat& frame);

// A capture property truncated to int; 0 when it lies outside the int range or is no number.
int truncateToInt(double value);

} // namespace detail
} // namespace Vandrel
