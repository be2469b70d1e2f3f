// The printable marker sheet: an index page with all twenty markers, those that a scene does not use
// veiled, then one page for each marker the scene uses, large enough to cut out and hold up to a camera.
//
// Page 1: "INDEX" in Arial 20 pt at (m, m), then a 4 x 5 grid of cells of side
// s = min(W / 4.5, H / 6.5), m = s / 4, cell (column c, row r) at (m + c s, m + s + r s) holding marker
// 4 r + c, outlined in black at alpha 153; unused markers are veiled by white at alpha 153. Then one page
// per used marker, in the given order: the marker in the centred square of side min(W, H) / 1.5, outlined.
// W x H is the printable area of the page in device pixels (1200 dpi).
#pragma once

#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>

class QIODevice;
class QPainter;

namespace quorvane {

// Draws marker n (0..19) as printed, scaled into `square`: the black square with its code cells inside a
// white quiet zone of an eighth of the black square's side on every side (the proportions of the marker
// pictures). Drawn as shapes, so it stays sharp at any size.
void drawMarker(QPainter& painter, int marker, const QRectF& square);

// A4, or Letter where the system's measurement system is the United States'.
QPageSize defaultSheetPageSize();

// Writes the sheet as PDF. Markers outside 0..19 and repeats are left out. The file is replaced only
// once the new one is complete; false when it cannot be written.
bool writeMarkerSheet(const QString& pdfPath, const QList<int>& usedMarkers,
                      const QPageSize& pageSize = defaultSheetPageSize());
bool writeMarkerSheet(QIODevice* device, const QList<int>& usedMarkers,
                      const QPageSize& pageSize = defaultSheetPageSize());

} // namespace quorvane
