#include "MarkerDetect.h"

#include "PoseEstimate.h"

#include <opencv2/imgproc.hpp>

#include <cassert>
#include <cmath>
#include <cstdlib>

namespace trk {

CMarkerDetector::CMarkerDetector()
{
    SetMarkerType(MarkMatrix, 1, 4);
    SetMarkerType(MarkImage, 1, 16);
    m_nDark = 0;
    m_nLight = 255;
}

void CMarkerDetector::SetImageFormat(int nChannels, int nWidth, int nHeight, bool bBinary)
{
    m_grey.release();
    m_binary.release();

    if (nChannels == 3)
        m_nFormatMode = 1;
    else if (nChannels == 1)
        m_nFormatMode = bBinary ? 3 : 2;
    else
        m_nFormatMode = 0;
    // A frame without pixels cannot be tracked either.
    if (nWidth <= 0 || nHeight <= 0)
        m_nFormatMode = 0;
    if (m_nFormatMode == 0)
        return;

    m_nChannels = nChannels;
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    // The input headers are made over the caller's pixels in ProcessFrame; only the images
    // the tracker writes own memory.
    if (m_nFormatMode == 1)
        m_grey.create(nHeight, nWidth, CV_8UC1);
    if (m_nFormatMode != 3)
        m_binary.create(nHeight, nWidth, CV_8UC1);
}

void CMarkerDetector::SetMarkerType(eMarkType eMarkType, int nBorderType, int nMarkRowSize)
{
    assert((eMarkType == MarkMatrix) || (eMarkType == MarkImage));
    assert((nBorderType == 1) || (nBorderType == 2));
    assert(nMarkRowSize != 0);

    m_nBorderType[eMarkType] = nBorderType;
    m_nGridSize[eMarkType] = nMarkRowSize;
    m_nBorderOffset[eMarkType] = eMarkType == MarkMatrix ? nBorderType : 0;

    const int S = nMarkRowSize + 2 * m_nBorderOffset[eMarkType];
    m_patch[eMarkType].create(S, S, CV_8UC1);
    const float e = static_cast<float>(S) - 0.5f;
    m_patchCorners[eMarkType][0] = {-0.5f, -0.5f};
    m_patchCorners[eMarkType][1] = {e, -0.5f};
    m_patchCorners[eMarkType][2] = {e, e};
    m_patchCorners[eMarkType][3] = {-0.5f, e};
}

void CMarkerDetector::SetMarkerSize(float fSize, bool bDoubleBorder, int nMarkRowSize)
{
    SetMarkerType(MarkMatrix, bDoubleBorder ? 2 : 1, nMarkRowSize);
    m_fMarkerSize = fSize;
}

void CMarkerDetector::SetThreshold(int nThreshold)
{
    // Values outside the byte range are ignored: they would binarise every frame to one colour.
    if (nThreshold >= 256 || nThreshold < 0)
        return;
    m_nImageThreshold = nThreshold;
    m_nPatchThreshold = nThreshold;
}

void CMarkerDetector::SetAreaLimits(float fMinPercent, float fMaxPercent)
{
    constexpr float kLow = 0.0001f;
    constexpr float kHigh = 99.9999f;
    float fMin = fMinPercent;
    if (std::isnan(fMin) || fMin < kLow)
        fMin = kLow;
    if (fMin > kHigh)
        fMin = kHigh;
    float fMax = fMaxPercent;
    if (fMax < fMin)
        fMax = fMin;
    if (std::isnan(fMax) || fMax > kHigh)
        fMax = kHigh;
    if (!(0.0f <= fMin && fMin <= fMax && fMax <= 100.0f))
        return;
    m_fMinArea = fMin;
    m_fMaxArea = fMax;
}

void CMarkerDetector::SetFlipFlags(bool bFlipVertical, bool bKeepHorizontal)
{
    m_bFlipVertical = bFlipVertical;
    m_bKeepHorizontal = bKeepHorizontal;
}

void CMarkerDetector::EnableOption(int nOption)
{
    if (nOption < 0 || nOption > 3)
        return;
    m_options[nOption] = true;
    if (nOption == OptAdaptive)
        m_bAdaptive = true;
}

void CMarkerDetector::DisableOption(int nOption)
{
    if (nOption < 0 || nOption > 3)
        return;
    m_options[nOption] = false;
    if (nOption == OptAdaptive)
        m_bAdaptive = false;
}

bool CMarkerDetector::IsOptionEnabled(int nOption) const
{
    return nOption >= 0 && nOption <= 3 && m_options[nOption];
}

void CMarkerDetector::ProcessFrame(const unsigned char* pixels)
{
    Detect(pixels);
    if (m_options[OptSubPixel])
        RefineCorners(5, 50, 0.0001);
    if (m_options[OptAutoThreshold])
        UpdateThreshold();
    if (m_options[OptPose]) {
        const float cx = static_cast<float>(m_nWidth) * 0.5f;
        const float cy = static_cast<float>(m_nHeight) * 0.5f;
        for (CMarkerMatrix& m : m_markers) {
            CenterCorners(m_nWidth, m_nHeight, cx, cy, m_bFlipVertical, m_bKeepHorizontal, m);
            EstimatePose(m, m_fMarkerSize, m_fFocal, 3);
        }
    }
}

void CMarkerDetector::Detect(const unsigned char* pixels)
{
    m_markers.clear();
    if (m_codes.empty() || m_nFormatMode == 0 || pixels == nullptr)
        return;

    // Headers over the caller's pixels: nothing is copied.
    auto* data = const_cast<unsigned char*>(pixels);
    const auto W = static_cast<size_t>(m_nWidth);
    switch (m_nFormatMode) {
    case 1: {
        const cv::Mat colour(m_nHeight, m_nWidth, CV_8UC3, data, W * 3);
        cv::cvtColor(colour, m_grey, static_cast<cv::ColorConversionCodes>(7)); // RGB2GRAY on purpose
        break;
    }
    case 2:
        m_grey = cv::Mat(m_nHeight, m_nWidth, CV_8UC1, data, W);
        break;
    default:
        // Binary input: the binary image is also the only picture to warp candidates from.
        m_binary = cv::Mat(m_nHeight, m_nWidth, CV_8UC1, data, W);
        m_grey = m_binary;
        break;
    }
    if (m_nFormatMode != 3) {
        if (m_bAdaptive)
            cv::adaptiveThreshold(m_grey, m_binary, 255.0, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, 161, 15.0);
        else
            cv::threshold(m_grey, m_binary, static_cast<double>(m_nImageThreshold), 255.0, cv::THRESH_BINARY);
    }

    cv::findContours(m_binary, m_contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);

    size_t remaining = m_codes.size();
    m_found.assign(m_codes.size(), 0);
    CMarkerMatrix work(4, 1);

    const float minArea = static_cast<float>(m_nWidth) * m_fMinArea * static_cast<float>(m_nHeight) * 0.01f;
    const float maxArea = static_cast<float>(m_nWidth) * m_fMaxArea * static_cast<float>(m_nHeight) * 0.01f;

    cv::Mat& patch = m_patch[MarkMatrix];
    cv::Point2f src[4];
    for (const std::vector<cv::Point>& contour : m_contours) {
        // Cheap tests first. The polygon's corners are contour points, so its area is below that of
        // the contour's bounding box: a box smaller than the minimum can never become a candidate.
        if (contour.size() < 4)
            continue;
        const cv::Rect box = cv::boundingRect(contour);
        if (static_cast<double>(box.width) * static_cast<double>(box.height) < minArea)
            continue;
        cv::approxPolyDP(contour, m_polygon, 0.02 * cv::arcLength(contour, true), true);
        if (m_polygon.size() != 4)
            continue;
        const double area = std::fabs(cv::contourArea(m_polygon));
        if (!(area >= minArea && area <= maxArea))
            continue;
        if (!cv::isContourConvex(m_polygon))
            continue;

        for (int i = 0; i < 4; ++i)
            src[i] = cv::Point2f(static_cast<float>(m_polygon[static_cast<size_t>(i)].x),
                                 static_cast<float>(m_polygon[static_cast<size_t>(i)].y));
        const cv::Mat map = cv::getPerspectiveTransform(src, m_patchCorners[MarkMatrix]);
        cv::warpPerspective(m_grey, patch, map, patch.size(), cv::INTER_NEAREST, cv::BORDER_CONSTANT, cv::Scalar(0));

        BinarizePatch(patch, m_bAdaptive, m_nPatchThreshold, m_nDark, m_nLight);
        if (!CheckBorder(patch, m_nBorderType[MarkMatrix]))
            continue;
        const int code = work.ReadCode(patch, m_nBorderOffset[MarkMatrix]);
        if (!LookupCode(code, m_codes, m_found))
            continue;
        for (int i = 0; i < 4; ++i)
            work.corners[i] = {src[i].x, src[i].y};
        work.ComputeOrientation();
        m_markers.push_back(work);
        if (--remaining == 0)
            break;
    }
}

void CMarkerDetector::RefineCorners(int nWindow, int nIterations, double dEpsilon)
{
    if (m_markers.empty())
        return;
    int half = nWindow % 2 == 1 ? nWindow : nWindow + 1;
    if (half < 3)
        half = 3;
    m_refine.clear();
    for (const CMarkerMatrix& m : m_markers)
        for (const SPoint2f& c : m.corners)
            m_refine.emplace_back(c.x, c.y);
    cv::cornerSubPix(m_grey, m_refine, cv::Size(half, half), cv::Size(-1, -1),
                     cv::TermCriteria(cv::TermCriteria::COUNT, nIterations, dEpsilon));
    size_t k = 0;
    for (CMarkerMatrix& m : m_markers)
        for (SPoint2f& c : m.corners) {
            c.x = m_refine[k].x;
            c.y = m_refine[k].y;
            ++k;
        }
}

void CMarkerDetector::UpdateThreshold()
{
    int t;
    if (m_markers.empty()) {
        // r spans 0..32767 whatever the C library's RAND_MAX: its top 15 bits.
        const auto r =
            static_cast<double>(static_cast<long long>(std::rand()) * 32768 / (static_cast<long long>(RAND_MAX) + 1));
        t = static_cast<int>(r / 32767.0 * 240.0) + 10;
    } else {
        double sumOfMeans = 0.0;
        for (const CMarkerMatrix& m : m_markers) {
            int x0 = m_nWidth, y0 = m_nHeight, x1 = -1, y1 = -1;
            for (const SPoint2f& c : m.corners) {
                const int x = static_cast<int>(c.x + 0.5f);
                const int y = static_cast<int>(c.y + 0.5f);
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
            // Refined corners can land just outside the frame: read only pixels that exist.
            x0 = std::max(x0, 0);
            y0 = std::max(y0, 0);
            x1 = std::min(x1, m_nWidth - 1);
            y1 = std::min(y1, m_nHeight - 1);
            double sum = 0.0;
            long count = 0;
            for (int y = y0; y <= y1; ++y) {
                const unsigned char* row = m_grey.data + static_cast<size_t>(y) * static_cast<size_t>(m_nWidth);
                for (int x = x0; x <= x1; ++x)
                    sum += row[x];
                count += std::max(0, x1 - x0 + 1);
            }
            if (count > 0)
                sumOfMeans += sum / static_cast<double>(count);
        }
        t = static_cast<int>(sumOfMeans / static_cast<double>(m_markers.size()));
    }
    SetThreshold(t);
}

} // namespace trk
