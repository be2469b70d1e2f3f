// The square-marker tracker: finds the printed markers in a frame, reads their codes and
// estimates their poses.
#pragma once

#include "MarkerMatrix.h"

#include <opencv2/core.hpp>

#include <vector>

namespace trk {

enum eMarkType { MarkMatrix = 0, MarkImage = 1 };

class CMarkerDetector
{
public:
    enum Option { OptSubPixel = 0, OptAutoThreshold = 1, OptPose = 2, OptAdaptive = 3 };

    CMarkerDetector();
    ~CMarkerDetector() = default;
    CMarkerDetector(const CMarkerDetector&) = delete;
    CMarkerDetector& operator=(const CMarkerDetector&) = delete;

    // Format of the frames to come: 3 channels (blue-green-red), 1 channel grey, or 1 channel
    // already binary. Working images are made here, never per frame.
    void SetImageFormat(int nChannels, int nWidth, int nHeight, bool bBinary);
    void SetMarkerType(eMarkType type, int nBorderType, int nMarkRowSize);
    void SetMarkerSize(float fSize, bool bDoubleBorder, int nMarkRowSize);
    void SetFocalLength(float fFocal) { m_fFocal = fFocal; }
    void SetThreshold(int nThreshold);
    void SetAreaLimits(float fMinPercent, float fMaxPercent);
    void SetFlipFlags(bool bFlipVertical, bool bKeepHorizontal);
    void EnableOption(int nOption);
    void DisableOption(int nOption);
    void SetMarkerCodes(const std::vector<int>& codes) { m_codes = codes; }

    // Tracks one frame in the format last set. The pixels are read in place, never copied.
    void ProcessFrame(const unsigned char* pixels);
    const std::vector<CMarkerMatrix>& GetMarkers() const { return m_markers; }

    // Read access for the program and for tests.
    int FormatMode() const { return m_nFormatMode; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int Channels() const { return m_nChannels; }
    int ImageThreshold() const { return m_nImageThreshold; }
    int PatchThreshold() const { return m_nPatchThreshold; }
    float MinArea() const { return m_fMinArea; }
    float MaxArea() const { return m_fMaxArea; }
    float FocalLength() const { return m_fFocal; }
    float MarkerSize() const { return m_fMarkerSize; }
    bool IsOptionEnabled(int nOption) const;
    bool IsAdaptive() const { return m_bAdaptive; }
    bool FlipVertical() const { return m_bFlipVertical; }
    bool KeepHorizontal() const { return m_bKeepHorizontal; }
    int BorderType(eMarkType type) const { return m_nBorderType[type]; }
    int GridSize(eMarkType type) const { return m_nGridSize[type]; }
    int BorderOffset(eMarkType type) const { return m_nBorderOffset[type]; }
    const cv::Mat& PatchImage(eMarkType type) const { return m_patch[type]; }
    const std::vector<int>& MarkerCodes() const { return m_codes; }
    // The grey image of the last frame (the caller's pixels in grey mode).
    const cv::Mat& GreyImage() const { return m_grey; }

private:
    void Detect(const unsigned char* pixels);
    void RefineCorners(int nWindow, int nIterations, double dEpsilon);
    void UpdateThreshold();
    void EstimatePoses();

    bool m_bAdaptive = false;
    int m_nBorderType[2] = {1, 1};
    int m_nGridSize[2] = {4, 16};
    int m_nBorderOffset[2] = {1, 0};
    int m_nChannels = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nImageThreshold = 130;
    int m_nPatchThreshold = 130;
    unsigned char m_nDark = 0;
    unsigned char m_nLight = 255;
    float m_fMinArea = 0.1f;
    float m_fMaxArea = 99.0f;
    cv::Mat m_grey;   // grey image (mode 1) or header over the caller's pixels (mode 2)
    cv::Mat m_binary; // binary image (modes 1, 2) or header over the caller's pixels (mode 3)
    cv::Mat m_patch[2];
    cv::Point2f m_patchCorners[2][4];
    int m_nFormatMode = 0;
    bool m_options[4] = {true, false, true, false};
    float m_fFocal = 770.0f;
    float m_fMarkerSize = 0.0f;
    bool m_bFlipVertical = false;
    bool m_bKeepHorizontal = false;
    std::vector<int> m_codes;
    std::vector<CMarkerMatrix> m_markers;

    // Per-frame scratch kept between frames so that tracking allocates as little as possible.
    std::vector<std::vector<cv::Point>> m_contours;
    std::vector<cv::Point> m_polygon;
    std::vector<char> m_found;
    std::vector<cv::Point2f> m_refine;
};

} // namespace trk
