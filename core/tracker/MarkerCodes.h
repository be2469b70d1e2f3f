// The twenty printed markers of the system, in marker order.
#pragma once

#include <array>

namespace trk {

constexpr int kMarkerCount = 20;

constexpr std::array<int, kMarkerCount> kMarkerCodes = {
    0x00FF, 0x00EE, 0x00F3, 0x0666, 0x0BBB, 0x33FF, 0x0066, 0x0777, 0x0099, 0x1F11,
    0x0272, 0xB1BF, 0x0013, 0x0014, 0x0025, 0x0038, 0x0047, 0x0069, 0x004B, 0x005C,
};

// Marker number of a code, or -1.
constexpr int MarkerNumberOfCode(int code)
{
    for (int i = 0; i < kMarkerCount; ++i)
        if (kMarkerCodes[i] == code)
            return i;
    return -1;
}

} // namespace trk
