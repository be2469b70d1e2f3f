// A printed marker as a vector outline, for the build-time pictures and sheets: the black cells of
// the tracker's own marker layout, merged into one path so that no hairline shows between cells.
#pragma once

#include "MarkerPicture.h"

#include <QPainterPath>
#include <QRectF>

namespace quorvane {

inline QPainterPath markerPath(int code, const QRectF& square)
{
    QPainterPath cells;
    cells.setFillRule(Qt::WindingFill);
    const qreal cell = square.width() / 8.0;
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col)
            if (trk::MarkerCellIsBlack(code, col, row))
                cells.addRect(QRectF(square.left() + col * cell, square.top() + row * cell, cell, cell));
    return cells.simplified();
}

} // namespace quorvane
