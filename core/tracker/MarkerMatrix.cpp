#include "MarkerMatrix.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>

namespace trk {

CMarkerMatrix::CMarkerMatrix(int nGridSize, int nKind)
    : CSquareMarker(nKind),
      m_nGridSize(nGridSize),
      m_nCellCount(nGridSize * nGridSize),
      m_cells(static_cast<size_t>(m_nCellCount), 0),
      m_codeCells(static_cast<size_t>(m_nCellCount), 0),
      m_workCells(static_cast<size_t>(m_nCellCount), 0)
{}

CMarkerMatrix::CMarkerMatrix(const CMarkerMatrix& other)
    : CSquareMarker(other),
      code(other.code),
      m_nGridSize(other.m_nGridSize),
      m_nCellCount(other.m_nCellCount),
      m_cells(other.m_cells),
      m_codeCells(other.m_codeCells),
      m_workCells(static_cast<size_t>(other.m_nCellCount), 0)
{}

CMarkerMatrix& CMarkerMatrix::operator=(const CMarkerMatrix& other)
{
    if (this == &other)
        return *this;
    CSquareMarker::operator=(other);
    code = other.code;
    m_nGridSize = other.m_nGridSize;
    m_nCellCount = other.m_nCellCount;
    m_cells = other.m_cells;
    m_codeCells = other.m_codeCells;
    m_workCells.assign(static_cast<size_t>(m_nCellCount), 0);
    std::fill(std::begin(m_detectedCorners), std::end(m_detectedCorners), SPoint2f{});
    return *this;
}

void CellReadings(const int* cells, unsigned readings[4])
{
    unsigned r0 = 0, r1 = 0, r2 = 0, r3 = 0;
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            r0 = (r0 << 1) | static_cast<unsigned>(cells[4 * a + b]);             // x = a, y = b
            r1 = (r1 << 1) | static_cast<unsigned>(cells[4 * (3 - b) + a]);       // y = a, x = 3 - b
            r2 = (r2 << 1) | static_cast<unsigned>(cells[4 * (3 - a) + (3 - b)]); // x = 3 - a, y = 3 - b
            r3 = (r3 << 1) | static_cast<unsigned>(cells[4 * b + (3 - a)]);       // y = 3 - a, x = b
        }
    }
    readings[0] = r0;
    readings[1] = r1;
    readings[2] = r2;
    readings[3] = r3;
}

int CMarkerMatrix::ReadCode(const cv::Mat& patch, int nOffset)
{
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y)
            m_cells[static_cast<size_t>(4 * x + y)] = patch.at<unsigned char>(nOffset + y, nOffset + x) == 0 ? 1 : 0;

    unsigned readings[4];
    CellReadings(m_cells.data(), readings);
    unsigned best = readings[0];
    for (int i = 1; i < 4; ++i)
        if (readings[i] < best)
            best = readings[i];
    code = static_cast<int>(best);
    return code;
}

void CMarkerMatrix::ComputeOrientation()
{
    for (int k = 0; k < 16; ++k)
        m_codeCells[static_cast<size_t>(k)] = (code >> (15 - k)) & 1;
    if (m_codeCells == m_cells)
        return;

    std::copy(std::begin(corners), std::end(corners), std::begin(m_detectedCorners));
    const SPoint2f* p = m_detectedCorners;
    auto rotateCorners = [this, p](int first) {
        for (int i = 0; i < 4; ++i)
            corners[i] = p[(first + i) % 4];
    };

    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m_workCells[static_cast<size_t>(4 * i + j)] = m_cells[static_cast<size_t>(4 * (3 - j) + i)];
    if (m_codeCells == m_workCells) {
        rotateCorners(1);
        return;
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m_workCells[static_cast<size_t>(4 * i + j)] = m_cells[static_cast<size_t>(4 * (3 - i) + 3 - j)];
    if (m_codeCells == m_workCells) {
        rotateCorners(2);
        return;
    }
    rotateCorners(3);
}

void BinarizePatch(cv::Mat& patch, bool bAdaptive, int nThreshold, unsigned char dark, unsigned char light)
{
    if (bAdaptive) {
        cv::threshold(patch, patch, 0.0, 255.0, cv::THRESH_BINARY | cv::THRESH_OTSU);
        return;
    }
    for (int r = 0; r < patch.rows; ++r) {
        unsigned char* row = patch.ptr<unsigned char>(r);
        for (int c = 0; c < patch.cols; ++c)
            row[c] = row[c] > nThreshold ? light : dark;
    }
}

bool CheckBorder(const cv::Mat& patch, int nBorderType)
{
    if (nBorderType != 1 && nBorderType != 2)
        return false;
    // The AND of all border pixels is non-zero only when every one of them is light.
    const int w = patch.cols;
    const int h = patch.rows;
    const int b = nBorderType;
    unsigned char all = 0xFF;
    for (int r = 0; r < h; ++r) {
        const unsigned char* row = patch.ptr<unsigned char>(r);
        const bool fullRow = r < b || r >= h - b;
        for (int c = 0; c < w; ++c) {
            if (!fullRow && c == b)
                c = w - b; // skip the inside of the row
            all &= row[c];
            if (all == 0)
                return true;
        }
    }
    return false;
}

bool LookupCode(int nCode, const std::vector<int>& codes, std::vector<char>& found)
{
    for (size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == nCode && !found[i]) {
            found[i] = 1;
            return true;
        }
    }
    return false;
}

} // namespace trk
