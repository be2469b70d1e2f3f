// The tracker set-up of the programs' AR view, in its order, shared by the view, the
// command-line tool, the tests and the benchmarks.
#pragma once

#include "MarkerCodes.h"
#include "MarkerDetect.h"

#include <vector>

namespace trk {

// Configures the detector for frames of width x height and focal length f as the view does
// whenever its background is set up. The flip flags are left at (true, false); the view's
// mirror setting changes them afterwards (SetFlipFlags(true, !mirrored)).
inline void SetupLikeView(CMarkerDetector& d, int width, int height, float f)
{
    d.SetImageFormat(3, width, height, false);
    d.SetFocalLength(f);
    d.SetMarkerSize(135.0f, true, 4);
    d.SetThreshold(120);
    d.SetAreaLimits(0.5f, 95.0f);
    d.SetFlipFlags(true, false);
    d.EnableOption(2);
    d.EnableOption(0);
    d.EnableOption(1);
    d.DisableOption(3);
    d.SetMarkerCodes(std::vector<int>(kMarkerCodes.begin(), kMarkerCodes.end()));
}

} // namespace trk
