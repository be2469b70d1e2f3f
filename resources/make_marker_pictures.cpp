// Draws the marker buttons' pictures at build time from the tracker's own marker layout:
// Marca0.png ... Marca19.png (the marker on its paper card) and Marca0_loaded.png ...
// Marca19_loaded.png (the same card in the accent colour with a check: content is on it).
// Usage: QT_QPA_PLATFORM=offscreen quorvane_make_marker_pictures OUTPUT_DIR
#include "MarkerCodes.h"
#include "MarkerDrawing.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>

namespace {

const QColor kInk(0x12, 0x2a, 0x3f);
const QColor kAccent(0xf2, 0x8c, 0x28);
const QColor kTeal(0x1f, 0xa6, 0xa0);
constexpr int kSide = 64; // shown at 32 on the buttons: every marker cell keeps whole pixels

QImage markerPicture(int n, bool loaded)
{
    QImage img(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card(1, 1, kSide - 2, kSide - 2);
    if (loaded) {
        QLinearGradient g(0, 0, 0, kSide);
        g.setColorAt(0, kAccent.lighter(115));
        g.setColorAt(1, kAccent.darker(115));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
    } else {
        p.setPen(QPen(QColor(0x8a, 0x97, 0xa3), 1));
        p.setBrush(QColor(0xfb, 0xfc, 0xfd));
    }
    p.drawRoundedRect(card, 6, 6);
    if (loaded) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xfb, 0xfc, 0xfd));
        p.drawRect(QRectF(6, 6, 52, 52));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(quorvane::markerPath(trk::kMarkerCodes[size_t(n)], QRectF(8, 8, 48, 48)));
    if (loaded) {
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(50, 50);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(kTeal);
        p.drawEllipse(c, 11, 11);
        p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({c + QPointF(-5.5, 0.5), c + QPointF(-1.5, 4.5), c + QPointF(5.5, -4)}));
    }
    p.end();
    return img;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane_make_marker_pictures OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    for (int n = 0; n < trk::kMarkerCount; ++n) {
        for (bool loaded : {false, true}) {
            const QString name = QStringLiteral("Marca%1%2.png").arg(n).arg(loaded ? "_loaded" : "");
            if (!markerPicture(n, loaded).save(out.filePath(name))) {
                std::fprintf(stderr, "quorvane_make_marker_pictures: cannot write %s\n",
                             qPrintable(out.filePath(name)));
                return 1;
            }
        }
    }
    return 0;
}
