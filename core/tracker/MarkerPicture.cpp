#include "MarkerPicture.h"

#include "MarkerCodes.h"

#include <opencv2/imgproc.hpp>

namespace trk {

bool MarkerCellIsBlack(int code, int column, int row)
{
    if (column < 0 || column > 7 || row < 0 || row > 7)
        return false;
    if (column < 2 || column > 5 || row < 2 || row > 5)
        return true; // the two black rings of the border
    // The patch is warped from the corners in contour order out of a frame stored bottom row
    // first, so on paper the patch's code cell (x, y) sits at column y, row x: read row by row
    // from the top left, the printed cells give the code from its most significant bit. The
    // tests photograph every marker in all four turns to keep this honest.
    const int c = column - 2, r = row - 2;
    return ((code >> (15 - (4 * r + c))) & 1) != 0;
}

cv::Mat DrawMarkerCode(int code, int sidePx, int marginPx)
{
    if (sidePx < 8 || marginPx < 0)
        return {};
    cv::Mat img(sidePx + 2 * marginPx, sidePx + 2 * marginPx, CV_8UC1, cv::Scalar(255));
    // Cell edges are rounded once, so cells tile the square without gaps at any size.
    auto edge = [sidePx, marginPx](int i) { return marginPx + (i * sidePx + 4) / 8; };
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col)
            if (MarkerCellIsBlack(code, col, row))
                img(cv::Range(edge(row), edge(row + 1)), cv::Range(edge(col), edge(col + 1))).setTo(0);
    return img;
}

cv::Mat DrawMarker(int n, int sidePx, int marginPx)
{
    if (n < 0 || n >= kMarkerCount)
        return {};
    return DrawMarkerCode(kMarkerCodes[static_cast<size_t>(n)], sidePx, marginPx);
}

} // namespace trk
