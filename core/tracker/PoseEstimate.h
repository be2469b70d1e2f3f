// Pinhole camera model and marker pose estimation.
#pragma once

#include "MarkerMatrix.h"

namespace trk {

// Replaces the record's pixel corners (x the column, y the row of the frame buffer, whose first
// row is the picture's bottom row) by centred camera coordinates.
void CenterCorners(int nWidth, int nHeight, float cx, float cy, bool bFlipVertical, bool bKeepHorizontal,
                   CSquareMarker& marker);

// Pose of a marker of side fSize from its centred corners: closed form through the homography,
// then nIterations Levenberg-Marquardt steps on the reprojection error. Writes rotation and translation.
void EstimatePose(CSquareMarker& marker, float fSize, float fFocal, int nIterations);

// Centred image position of a camera point (the camera looks along -z).
SPoint2f ProjectPoint(const CVector3& c, float fFocal);

// Sum of squared reprojection residuals of the marker's corners under its own pose.
float ReprojectionError(const CSquareMarker& marker, float fSize, float fFocal);

} // namespace trk
