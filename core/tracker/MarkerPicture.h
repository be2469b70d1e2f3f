// Marker n as it is printed on paper.
#pragma once

#include <opencv2/core.hpp>

namespace trk {

// True when cell (column, row) of the printed 8 x 8 marker (top row first) is black.
bool MarkerCellIsBlack(int code, int column, int row);

// The printed marker of the given code: an 8 x 8-cell black square with its code, drawn in
// sidePx x sidePx pixels (top row first, 8-bit grey), inside a white margin of marginPx on
// every side. Returns an empty image for a side below 8 pixels.
cv::Mat DrawMarkerCode(int code, int sidePx, int marginPx = 0);

// The printed marker of marker number n (0..19); empty for another number.
cv::Mat DrawMarker(int n, int sidePx, int marginPx = 0);

} // namespace trk
