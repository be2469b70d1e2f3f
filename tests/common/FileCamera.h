// Demo clips for the programs' file camera, made with the frame synthesiser.
#pragma once

#include "FrameSynth.h"

#include <QString>

#include <opencv2/videoio.hpp>

#include <vector>

namespace testutil {

// A Motion JPEG clip of `frames` frames showing one or two markers that drift to the right.
inline bool writeClip(const QString& file, int frames, const std::vector<int>& markers, int width = 640,
                      int height = 480)
{
    cv::VideoWriter writer(file.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 30.0,
                           cv::Size(width, height));
    if (!writer.isOpened())
        return false;
    trk::SynthOptions o;
    o.width = width;
    o.height = height;
    for (int i = 0; i < frames; ++i) {
        std::vector<trk::SynthMarker> poses;
        for (size_t k = 0; k < markers.size(); ++k)
            poses.push_back(trk::PoseMarker(markers[k], 800.0f, 10.0f * k, 15.0f, 5.0f, -190.0f + 300.0f * k + 1.5f * i,
                                            -20.0f + 40.0f * (k % 2), o.focal));
        writer.write(trk::SynthesizeFrame(poses, o).Picture());
    }
    return true;
}

} // namespace testutil
