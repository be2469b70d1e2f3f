// Detected-marker records and the per-candidate steps that read a marker's code.
#pragma once

#include "MathUtils.h"

#include <opencv2/core.hpp>

#include <vector>

namespace trk {

struct SPoint2f
{
    float x = 0.0f;
    float y = 0.0f;
};

// A square seen in a frame: its corners and, once estimated, its pose.
class CSquareMarker
{
public:
    explicit CSquareMarker(int nKind = 0) : m_nKind(nKind) {}
    virtual ~CSquareMarker() = default;
    CSquareMarker(const CSquareMarker&) = default;
    CSquareMarker& operator=(const CSquareMarker&) = default;

    int Kind() const { return m_nKind; }

    SPoint2f corners[4];  // marker order after orientation; centred camera coordinates after the pose
    CQuaternion rotation; // marker-to-camera rotation (x, y, z, w); 0 until estimated
    CVector3 translation; // marker-to-camera translation; 0 until estimated

protected:
    int m_nKind;
};

// A square whose inside is an N x N grid of cells carrying a code.
class CMarkerMatrix : public CSquareMarker
{
public:
    explicit CMarkerMatrix(int nGridSize = 4, int nKind = 1);
    // A copy takes the value (kind, corners, pose, code, grid and the read and code cells);
    // its scratch cells and saved detector corners start at zero.
    CMarkerMatrix(const CMarkerMatrix& other);
    CMarkerMatrix& operator=(const CMarkerMatrix& other);
    ~CMarkerMatrix() override = default;

    int code = 0;

    int GridSize() const { return m_nGridSize; }
    int CellCount() const { return m_nCellCount; }
    const std::vector<int>& Cells() const { return m_cells; }
    const std::vector<int>& CodeCells() const { return m_codeCells; }
    const SPoint2f* DetectedCorners() const { return m_detectedCorners; }

    // Reads the 4 x 4 code area of a binarised patch whose code area starts nOffset cells in.
    // Fills the cells (1 dark, 0 light, index 4x + y) and returns the smallest of the four
    // rotation readings, which is also stored as the code.
    int ReadCode(const cv::Mat& patch, int nOffset);

    // Reorders the corners so that corner 0 is the same printed corner whatever the marker's turn.
    void ComputeOrientation();

private:
    int m_nGridSize;
    int m_nCellCount;
    std::vector<int> m_cells;
    std::vector<int> m_codeCells;
    std::vector<int> m_workCells;
    SPoint2f m_detectedCorners[4];
};

// The four 16-bit readings of a 4 x 4 grid of cells (index 4x + y), reading 0 first.
void CellReadings(const int* cells, unsigned readings[4]);

// Patch binarisation: Otsu on the patch itself when bAdaptive, else the fixed patch threshold.
void BinarizePatch(cv::Mat& patch, bool bAdaptive, int nThreshold, unsigned char dark, unsigned char light);

// True when at least one border pixel (border width 1 or 2) is dark; false when all are light
// or the border width is not supported.
bool CheckBorder(const cv::Mat& patch, int nBorderType);

// Finds the first code equal to nCode whose found flag is clear, and sets that flag.
bool LookupCode(int nCode, const std::vector<int>& codes, std::vector<char>& found);

} // namespace trk
