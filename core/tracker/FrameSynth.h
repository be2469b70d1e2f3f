// Frame synthesiser: photographs printed markers through the tracker's pinhole camera and
// returns the frame in the system's layout together with the ground truth. Used by the tests,
// the benchmarks and the demo material.
#pragma once

#include "MarkerMatrix.h"
#include "MathUtils.h"

#include <opencv2/core.hpp>

#include <vector>

namespace trk {

struct SynthMarker
{
    int marker = 0;       // marker number 0..19; with a pattern, any id (only handed back)
    CQuaternion rotation; // marker-to-camera pose in the tracker's convention
    CVector3 translation;
    // Another family's printed square, to compare trackers on the same scene: 8-bit grey, top
    // row first, its edges the edges of the black square (one pixel per cell is enough). When
    // set it is drawn in place of our code cells, with the same quiet zone, the same physical
    // size of the black square and the same supersampling; black maps to ink, white to paper.
    cv::Mat pattern;
};

struct SynthOptions
{
    enum Background { Plain, Textured };

    int width = 640;
    int height = 480;
    float focal = 700.0f;
    float markerSize = 135.0f;
    float marginCells = 2.0f; // white paper around the black square, in cells
    Background background = Plain;
    int backgroundLevel = 200; // grey level of a plain background
    int paperLevel = 245;      // white of the paper
    int inkLevel = 20;         // black of the print
    float blurSigma = 0.0f;    // Gaussian blur, pixels
    float noiseSigma = 0.0f;   // Gaussian sensor noise, grey levels
    float gradient = 0.0f;     // brightness falls linearly by this fraction from left to right
    int jpegQuality = 0;       // JPEG round trip when 1..100
    int supersample = 4;       // anti-aliasing factor
    unsigned seed = 1;
};

struct SynthTruth
{
    int marker = 0;
    int code = 0;        // -1 for a marker drawn from a pattern
    SPoint2f corners[4]; // picture pixels, origin top left, marker corner order
    CQuaternion rotation;
    CVector3 translation;
};

struct SynthFrame
{
    cv::Mat frame;                 // blue-green-red, bottom row first, continuous
    std::vector<SynthTruth> truth; // one entry per marker in front of the camera

    // The frame as a person sees it (top row first).
    cv::Mat Picture() const;
};

SynthFrame SynthesizeFrame(const std::vector<SynthMarker>& markers, const SynthOptions& options);

// Pose of a marker at distance d in front of the camera, its centre offset by (du, dv) pixels
// from the picture centre, turned by spin degrees in its plane, then tilted by tiltX and tiltY
// degrees about the camera's horizontal and vertical axes.
SynthMarker PoseMarker(int marker, float d, float spin, float tiltX, float tiltY, float du, float dv, float focal);

// Quaternion (x, y, z, w) of a rotation by angle (radians) about a unit axis.
CQuaternion AxisAngle(const CVector3& axis, float angle);
CQuaternion Multiply(const CQuaternion& a, const CQuaternion& b);

// Angle in degrees between two rotations.
float RotationDistanceDeg(const CQuaternion& a, const CQuaternion& b);

} // namespace trk
