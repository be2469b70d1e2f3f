// Reading Quorvane Viewer's picture back: where the pixels of one colour are.
#pragma once

#include <QImage>
#include <QRect>

#include <functional>

namespace testutil {

struct ColourSpot
{
    int count = 0;
    QRect bounds;          // bounding box, picture coordinates (top left origin)
    double cx = 0, cy = 0; // centroid
};

inline ColourSpot findColour(const QImage& picture, const std::function<bool(int r, int g, int b)>& match)
{
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    ColourSpot s;
    int left = img.width(), top = img.height(), right = -1, bottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (!match(qRed(line[x]), qGreen(line[x]), qBlue(line[x])))
                continue;
            ++s.count;
            s.cx += x;
            s.cy += y;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (s.count > 0) {
        s.cx /= s.count;
        s.cy /= s.count;
        s.bounds = QRect(QPoint(left, top), QPoint(right, bottom));
    }
    return s;
}

inline bool isMagenta(int r, int g, int b)
{
    return r > 70 && b > 70 && g * 2 < std::min(r, b);
}

inline bool isGreen(int r, int g, int b)
{
    return g > 100 && r * 2 < g && b * 2 < g;
}

inline bool isCyan(int r, int g, int b)
{
    return g > 100 && b > 100 && r * 2 < std::min(g, b);
}

} // namespace testutil
