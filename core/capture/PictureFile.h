// Reading a picture file from someone else with bounded memory: the size its header declares is checked
// before anything is decoded (a 74-byte file can declare 100000 x 100000 pixels), large JPEG pictures are
// decoded at a half, a quarter or an eighth of their size, and a decoder's failure is an answer, never an
// exception.
#pragma once

#include <opencv2/core.hpp>

#include <string>

namespace Vandrel {

// Largest picture decoded: 8192 x 8192 pixels (200 MB as blue-green-red).
inline constexpr long long kMaxPicturePixels = 8192LL * 8192LL;

enum class PictureRead {
    Ok,
    NotAPicture, // missing, unreadable, or no decoder takes it
    TooLarge,    // larger than kMaxPicturePixels, even at an eighth of its size where the format allows that
};

// Reads `path` as an 8-bit, 3-channel blue-green-red picture into `out` (left empty unless Ok).
PictureRead readPictureFile(const std::string& path, cv::Mat& out);

} // namespace Vandrel
