#include "MarkerSheet.h"

#include "ArialFont.h"
#include "MarkerCodes.h"
#include "MarkerPicture.h"

#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>

namespace quorvane {

namespace {

constexpr int kResolution = 1200; // dots per inch: what a high-resolution printer gets
constexpr int kGridColumns = 4;
constexpr int kGridRows = 5;
constexpr int kPrintedCells = 8; // the black square: 8 x 8 cells, code inside a two-cell border
constexpr qreal kQuietZone = 1.0 / 8.0;

QList<int> cleanMarkerList(const QList<int>& markers)
{
    QList<int> clean;
    for (int n : markers) {
        if (n >= 0 && n < trk::kMarkerCount && !clean.contains(n))
            clean.append(n);
    }
    return clean;
}

void drawIndexPage(QPainter& p, qreal W, qreal H, const QList<int>& used)
{
    const qreal s = std::min(W / (kGridColumns + 0.5), H / (kGridRows + 1 + 0.5));
    const qreal m = 0.25 * s;
    p.setFont(arialFont(20));
    p.setPen(Qt::black);
    p.drawText(int(m), int(m), QStringLiteral("INDEX"));

    QPen outline(QColor(0, 0, 0, 153), 0, Qt::SolidLine);
    const QBrush veil(QColor(255, 255, 255, 153), Qt::SolidPattern);
    for (int row = 0; row < kGridRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            const int marker = kGridColumns * row + column;
            const QRectF square(m + column * s, m + s + row * s, s, s);
            p.setBrush(Qt::NoBrush);
            drawMarker(p, marker, square);
            p.setBrush(used.contains(marker) ? QBrush(Qt::NoBrush) : veil);
            p.setPen(outline);
            p.drawRect(square);
        }
    }
}

void drawMarkerPage(QPainter& p, qreal W, qreal H, int marker)
{
    const qreal s = std::min(W / 1.5, H / 1.5);
    const QRectF square((W - s) * 0.5, (H - s) * 0.5, s, s);
    p.setBrush(Qt::NoBrush);
    drawMarker(p, marker, square);
    p.setPen(QPen(QColor(0, 0, 0, 153), 0, Qt::SolidLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(square);
}

} // namespace

void drawMarker(QPainter& painter, int marker, const QRectF& square)
{
    if (marker < 0 || marker >= trk::kMarkerCount)
        return;
    const int code = trk::kMarkerCodes[size_t(marker)];
    const qreal side = square.width() / (1.0 + 2.0 * kQuietZone);
    const qreal cell = side / kPrintedCells;
    const QPointF origin = square.topLeft() + QPointF(side * kQuietZone, side * kQuietZone);
    // One outline for all black cells: neighbouring cells drawn one by one leave hairline seams in
    // anti-aliased viewers, and seams inside the border would break the black square.
    QPainterPath black;
    for (int row = 0; row < kPrintedCells; ++row) {
        for (int column = 0; column < kPrintedCells; ++column) {
            if (trk::MarkerCellIsBlack(code, column, row))
                black.addRect(QRectF(origin.x() + column * cell, origin.y() + row * cell, cell, cell));
        }
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.fillRect(square, Qt::white);
    painter.fillPath(black.simplified(), Qt::black);
    painter.restore();
}

QPageSize defaultSheetPageSize()
{
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                        : QPageSize::A4);
}

bool writeMarkerSheet(QIODevice* device, const QList<int>& usedMarkers, const QPageSize& pageSize)
{
    registerArialFont();
    const QList<int> used = cleanMarkerList(usedMarkers);
    QPdfWriter writer(device);
    writer.setResolution(kResolution);
    writer.setCreator(QStringLiteral("Quorvane Viewer"));
    writer.setTitle(QStringLiteral("Quorvane markers"));
    // Most printers cannot print the outer few millimetres of the paper.
    writer.setPageLayout(
        QPageLayout(pageSize, QPageLayout::Portrait, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));

    QPainter p;
    if (!p.begin(&writer))
        return false;
    p.setRenderHint(QPainter::Antialiasing);
    const qreal W = writer.width();
    const qreal H = writer.height();
    drawIndexPage(p, W, H, used);
    for (int marker : used) {
        if (!writer.newPage())
            return false;
        drawMarkerPage(p, W, H, marker);
    }
    return p.end();
}

bool writeMarkerSheet(const QString& pdfPath, const QList<int>& usedMarkers, const QPageSize& pageSize)
{
    QSaveFile file(pdfPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!writeMarkerSheet(&file, usedMarkers, pageSize)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace quorvane
