// Draws the programs' own icons into resources/images once; the PNGs are committed, so the build
// never runs this. Usage: QT_QPA_PLATFORM=offscreen quorvane_make_icons OUTPUT_DIR
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>

namespace {

const QColor kInk(0x12, 0x2a, 0x3f);
const QColor kAccent(0xf2, 0x8c, 0x28);
const QColor kTeal(0x1f, 0xa6, 0xa0);

bool draw(const QString& file, int w, int h, const std::function<void(QPainter&, qreal)>& paint, bool opaque = false)
{
    QImage img(w, h, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    img.fill(opaque ? Qt::black : Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p, w);
    p.end();
    return img.save(file);
}

// A rounded body with a lens: the still camera and the video camera share it.
void cameraBody(QPainter& p, qreal s, const QColor& body, bool video)
{
    QLinearGradient g(0, 0.25 * s, 0, 0.85 * s);
    g.setColorAt(0, body.lighter(130));
    g.setColorAt(1, body.darker(140));
    p.setPen(QPen(kInk, 0.03 * s));
    p.setBrush(g);
    if (video) {
        p.drawRoundedRect(QRectF(0.08 * s, 0.30 * s, 0.58 * s, 0.44 * s), 0.08 * s, 0.08 * s);
        QPainterPath horn;
        horn.moveTo(0.66 * s, 0.45 * s);
        horn.lineTo(0.92 * s, 0.32 * s);
        horn.lineTo(0.92 * s, 0.72 * s);
        horn.lineTo(0.66 * s, 0.59 * s);
        horn.closeSubpath();
        p.drawPath(horn);
    } else {
        p.drawRoundedRect(QRectF(0.30 * s, 0.20 * s, 0.26 * s, 0.14 * s), 0.03 * s, 0.03 * s);
        p.drawRoundedRect(QRectF(0.08 * s, 0.30 * s, 0.84 * s, 0.50 * s), 0.09 * s, 0.09 * s);
    }
    const QPointF c = video ? QPointF(0.37 * s, 0.52 * s) : QPointF(0.5 * s, 0.55 * s);
    QRadialGradient lens(c, 0.17 * s, c - QPointF(0.05 * s, 0.05 * s));
    lens.setColorAt(0, QColor(0x9c, 0xd8, 0xf0));
    lens.setColorAt(0.6, QColor(0x1d, 0x4e, 0x73));
    lens.setColorAt(1, kInk);
    p.setBrush(lens);
    p.drawEllipse(c, 0.16 * s, 0.16 * s);
}

void flagSpain(QPainter& p, qreal s)
{
    const QRectF r(0, 0.17 * s, s, 0.66 * s);
    p.fillRect(r, QColor(0xaa, 0x15, 0x1b));
    p.fillRect(QRectF(0, 0.335 * s, s, 0.33 * s), QColor(0xf1, 0xbf, 0x00));
}

void flagEngland(QPainter& p, qreal s)
{
    const QRectF r(0, 0.17 * s, s, 0.66 * s);
    p.fillRect(r, Qt::white);
    p.fillRect(QRectF(0.43 * s, 0.17 * s, 0.14 * s, 0.66 * s), QColor(0xce, 0x11, 0x24));
    p.fillRect(QRectF(0, 0.43 * s, s, 0.14 * s), QColor(0xce, 0x11, 0x24));
    p.setPen(QPen(QColor(0, 0, 0, 60), 0.01 * s));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

QPolygonF star(QPointF c, qreal r, qreal turn)
{
    QPolygonF poly;
    for (int i = 0; i < 10; ++i) {
        const qreal a = turn + i * M_PI / 5 - M_PI / 2;
        const qreal rr = i % 2 ? r * 0.38 : r;
        poly << c + QPointF(rr * std::cos(a), rr * std::sin(a));
    }
    return poly;
}

void flagChina(QPainter& p, qreal s)
{
    p.fillRect(QRectF(0, 0.17 * s, s, 0.66 * s), QColor(0xde, 0x29, 0x10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xde, 0x00));
    const qreal u = 0.66 * s / 20.0;
    const QPointF o(0, 0.17 * s);
    p.drawPolygon(star(o + QPointF(5 * u, 5 * u), 3 * u, 0));
    const QPointF small[4] = {{10, 2}, {12, 4}, {12, 7}, {10, 9}};
    for (const QPointF& c : small)
        p.drawPolygon(star(o + c * u, u, 0.3));
}

// A bold arrow pointing up inside a unit square, turned by `degrees` about the centre. Arrows that
// move content in the marker's plane are teal, those that raise or lower it orange.
void arrow(QPainter& p, qreal s, qreal degrees, const QColor& colour)
{
    p.save();
    p.translate(0.5 * s, 0.5 * s);
    p.rotate(degrees);
    QPainterPath a;
    a.moveTo(0, -0.40 * s);
    a.lineTo(0.34 * s, -0.02 * s);
    a.lineTo(0.13 * s, -0.02 * s);
    a.lineTo(0.13 * s, 0.38 * s);
    a.lineTo(-0.13 * s, 0.38 * s);
    a.lineTo(-0.13 * s, -0.02 * s);
    a.lineTo(-0.34 * s, -0.02 * s);
    a.closeSubpath();
    QLinearGradient g(-0.3 * s, 0, 0.3 * s, 0);
    g.setColorAt(0, colour.lighter(125));
    g.setColorAt(1, colour.darker(125));
    p.setPen(QPen(kInk, 0.035 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(a);
    p.restore();
}

// An arrow seen in perspective: it narrows as it goes away from the viewer (away) or widens as it
// comes closer.
void depthArrow(QPainter& p, qreal s, bool away)
{
    p.save();
    if (!away) {
        p.translate(0, s);
        p.scale(1, -1);
    }
    QPainterPath a;
    a.moveTo(0.5 * s, 0.10 * s);
    a.lineTo(0.76 * s, 0.42 * s);
    a.lineTo(0.62 * s, 0.42 * s);
    a.lineTo(0.70 * s, 0.90 * s);
    a.lineTo(0.30 * s, 0.90 * s);
    a.lineTo(0.38 * s, 0.42 * s);
    a.lineTo(0.24 * s, 0.42 * s);
    a.closeSubpath();
    QLinearGradient g(0, 0.1 * s, 0, 0.9 * s);
    g.setColorAt(0, kTeal.darker(140));
    g.setColorAt(1, kTeal.lighter(130));
    p.setPen(QPen(kInk, 0.035 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(a);
    // A ground line under the arrow gives the depth.
    p.setPen(QPen(QColor(0x8a, 0x97, 0xa3), 0.03 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.14 * s, 0.95 * s), QPointF(0.86 * s, 0.95 * s));
    p.restore();
}

// A curved arrow turning back: undoes the user's rotation or scale.
void undoArrow(QPainter& p, qreal s)
{
    QPainterPath arc;
    arc.arcMoveTo(QRectF(0.18 * s, 0.22 * s, 0.64 * s, 0.60 * s), 150);
    arc.arcTo(QRectF(0.18 * s, 0.22 * s, 0.64 * s, 0.60 * s), 150, -250);
    p.setPen(QPen(kInk, 0.15 * s, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setPen(QPen(kAccent, 0.09 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(arc);
    QPainterPath head;
    head.moveTo(0.06 * s, 0.30 * s);
    head.lineTo(0.40 * s, 0.30 * s);
    head.lineTo(0.17 * s, 0.62 * s);
    head.closeSubpath();
    p.setPen(QPen(kInk, 0.03 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kAccent);
    p.drawPath(head);
}

// The filter's broom: a wooden handle and a fan of bristles.
void broom(QPainter& p, qreal s)
{
    p.setPen(QPen(QColor(0x5a, 0x3a, 0x1e), 0.09 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.86 * s, 0.10 * s), QPointF(0.46 * s, 0.52 * s));
    QPainterPath bristles;
    bristles.moveTo(0.40 * s, 0.44 * s);
    bristles.lineTo(0.56 * s, 0.60 * s);
    bristles.lineTo(0.36 * s, 0.94 * s);
    bristles.quadTo(0.16 * s, 0.90 * s, 0.06 * s, 0.72 * s);
    bristles.closeSubpath();
    QLinearGradient g(0.48 * s, 0.5 * s, 0.2 * s, 0.85 * s);
    g.setColorAt(0, QColor(0xf6, 0xc9, 0x4a));
    g.setColorAt(1, kAccent);
    p.setPen(QPen(QColor(0x7a, 0x4a, 0x12), 0.03 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(bristles);
    p.setPen(QPen(QColor(0x7a, 0x4a, 0x12, 160), 0.02 * s, Qt::SolidLine, Qt::RoundCap));
    for (qreal t : {0.3, 0.5, 0.7})
        p.drawLine(QPointF((0.48 - 0.02 * t) * s, (0.52 + 0.02 * t) * s),
                   QPointF((0.36 - 0.30 * t) * s + 0.04 * s, (0.94 - 0.22 * t) * s));
    p.setBrush(QColor(0xb0, 0x30, 0x20));
    p.setPen(Qt::NoPen);
    p.save();
    p.translate(0.48 * s, 0.52 * s);
    p.rotate(45);
    p.drawRoundedRect(QRectF(-0.13 * s, -0.035 * s, 0.26 * s, 0.07 * s), 0.02 * s, 0.02 * s);
    p.restore();
}

// A target: puts the content back on the marker's centre.
void target(QPainter& p, qreal s)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 0.08 * s));
    p.drawEllipse(QPointF(0.5 * s, 0.5 * s), 0.30 * s, 0.30 * s);
    p.setPen(QPen(kInk, 0.06 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.5 * s, 0.08 * s), QPointF(0.5 * s, 0.30 * s));
    p.drawLine(QPointF(0.5 * s, 0.70 * s), QPointF(0.5 * s, 0.92 * s));
    p.drawLine(QPointF(0.08 * s, 0.5 * s), QPointF(0.30 * s, 0.5 * s));
    p.drawLine(QPointF(0.70 * s, 0.5 * s), QPointF(0.92 * s, 0.5 * s));
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(0.5 * s, 0.5 * s), 0.11 * s, 0.11 * s);
}

void playSymbol(QPainter& p, qreal s)
{
    QPainterPath t;
    t.moveTo(0.26 * s, 0.16 * s);
    t.lineTo(0.84 * s, 0.5 * s);
    t.lineTo(0.26 * s, 0.84 * s);
    t.closeSubpath();
    QLinearGradient g(0, 0.16 * s, 0, 0.84 * s);
    g.setColorAt(0, kTeal.lighter(130));
    g.setColorAt(1, kTeal.darker(130));
    p.setPen(QPen(kInk, 0.04 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(t);
}

void stopSymbol(QPainter& p, qreal s)
{
    QLinearGradient g(0, 0.2 * s, 0, 0.8 * s);
    g.setColorAt(0, kAccent.lighter(120));
    g.setColorAt(1, kAccent.darker(130));
    p.setPen(QPen(kInk, 0.04 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.22 * s, 0.22 * s, 0.56 * s, 0.56 * s), 0.06 * s, 0.06 * s);
}

// Three joined dots: sharing a scene.
void shareSymbol(QPainter& p, qreal s)
{
    const QPointF a(0.24 * s, 0.5 * s), b(0.74 * s, 0.22 * s), c(0.74 * s, 0.78 * s);
    p.setPen(QPen(kInk, 0.07 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a, b);
    p.drawLine(a, c);
    p.setPen(QPen(kInk, 0.03 * s));
    for (const auto& [pt, colour] : {std::pair{a, kAccent}, std::pair{b, kTeal}, std::pair{c, kTeal}}) {
        p.setBrush(colour);
        p.drawEllipse(pt, 0.14 * s, 0.14 * s);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvane_make_icons OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    ok &= draw(out.filePath("photocamera.png"), 64, 64,
               [](QPainter& p, qreal s) { cameraBody(p, s, QColor(0x8a, 0x97, 0xa3), false); });
    ok &= draw(out.filePath("webcam.png"), 64, 64,
               [](QPainter& p, qreal s) { cameraBody(p, s, QColor(0x8a, 0x97, 0xa3), true); });
    ok &= draw(out.filePath("webcamOn.png"), 64, 64, [](QPainter& p, qreal s) {
        cameraBody(p, s, kAccent, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe0, 0x22, 0x22));
        p.drawEllipse(QPointF(0.17 * s, 0.22 * s), 0.07 * s, 0.07 * s); // the recording light
    });
    ok &= draw(out.filePath("delete.png"), 64, 64, [](QPainter& p, qreal s) {
        // A waste bin: lid, handle and a ribbed body.
        p.setPen(QPen(QColor(0x7a, 0x1c, 0x12), 0.04 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QLinearGradient g(0.2 * s, 0, 0.8 * s, 0);
        g.setColorAt(0, QColor(0xe8, 0x5b, 0x3a));
        g.setColorAt(1, QColor(0xb3, 0x32, 0x1c));
        p.setBrush(g);
        QPainterPath body;
        body.moveTo(0.22 * s, 0.30 * s);
        body.lineTo(0.78 * s, 0.30 * s);
        body.lineTo(0.72 * s, 0.90 * s);
        body.lineTo(0.28 * s, 0.90 * s);
        body.closeSubpath();
        p.drawPath(body);
        p.drawRoundedRect(QRectF(0.14 * s, 0.18 * s, 0.72 * s, 0.10 * s), 0.03 * s, 0.03 * s);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(0.40 * s, 0.08 * s, 0.20 * s, 0.10 * s), 0.03 * s, 0.03 * s);
        p.setPen(QPen(QColor(255, 255, 255, 150), 0.035 * s, Qt::SolidLine, Qt::RoundCap));
        for (qreal x : {0.38, 0.5, 0.62})
            p.drawLine(QPointF(x * s, 0.40 * s), QPointF(x * s, 0.80 * s));
    });
    ok &= draw(out.filePath("spain.png"), 32, 32, flagSpain);
    ok &= draw(out.filePath("england.png"), 32, 32, flagEngland);
    ok &= draw(out.filePath("china.png"), 32, 32, flagChina);
    ok &= draw(out.filePath("QuorvaneViewer.png"), 256, 256, [](QPainter& p, qreal s) {
        // The viewer's emblem: an eye over a marker.
        QLinearGradient bg(0, 0, 0, s);
        bg.setColorAt(0, QColor(0x1f, 0x4a, 0x6b));
        bg.setColorAt(1, kInk);
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(0.03 * s, 0.03 * s, 0.94 * s, 0.94 * s), 0.18 * s, 0.18 * s);
        p.setBrush(QColor(0xfb, 0xfc, 0xfd));
        p.drawRect(QRectF(0.22 * s, 0.22 * s, 0.56 * s, 0.56 * s));
        p.setBrush(kInk);
        p.drawRect(QRectF(0.28 * s, 0.28 * s, 0.44 * s, 0.44 * s));
        QPainterPath eye;
        eye.moveTo(0.18 * s, 0.5 * s);
        eye.quadTo(0.5 * s, 0.18 * s, 0.82 * s, 0.5 * s);
        eye.quadTo(0.5 * s, 0.82 * s, 0.18 * s, 0.5 * s);
        p.setBrush(QColor(0xfb, 0xfc, 0xfd));
        p.drawPath(eye);
        QRadialGradient iris(QPointF(0.5 * s, 0.5 * s), 0.14 * s);
        iris.setColorAt(0, kTeal.lighter(140));
        iris.setColorAt(1, kTeal.darker(130));
        p.setBrush(iris);
        p.drawEllipse(QPointF(0.5 * s, 0.5 * s), 0.13 * s, 0.13 * s);
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(0.5 * s, 0.5 * s), 0.05 * s, 0.05 * s);
    });
    ok &= draw(
        out.filePath("fondo.jpg"), 512, 512,
        [](QPainter& p, qreal s) {
            // A quiet dark backdrop with a faint grid of marker cells.
            QLinearGradient g(0, 0, s, s);
            g.setColorAt(0, QColor(0x1b, 0x23, 0x2c));
            g.setColorAt(1, QColor(0x0c, 0x11, 0x17));
            p.fillRect(QRectF(0, 0, s, s), g);
            p.setPen(QPen(QColor(255, 255, 255, 12), 1));
            for (int i = 0; i <= 16; ++i) {
                p.drawLine(QPointF(i * s / 16, 0), QPointF(i * s / 16, s));
                p.drawLine(QPointF(0, i * s / 16), QPointF(s, i * s / 16));
            }
        },
        true);
    ok &= draw(out.filePath("up.png"), 64, 64, [](QPainter& p, qreal s) { arrow(p, s, 0, kAccent); });
    ok &= draw(out.filePath("down.png"), 64, 64, [](QPainter& p, qreal s) { arrow(p, s, 180, kAccent); });
    ok &= draw(out.filePath("left.png"), 64, 64, [](QPainter& p, qreal s) { arrow(p, s, -90, kTeal); });
    ok &= draw(out.filePath("right.png"), 64, 64, [](QPainter& p, qreal s) { arrow(p, s, 90, kTeal); });
    ok &= draw(out.filePath("frontward.png"), 64, 64, [](QPainter& p, qreal s) { depthArrow(p, s, true); });
    ok &= draw(out.filePath("backward.png"), 64, 64, [](QPainter& p, qreal s) { depthArrow(p, s, false); });
    ok &= draw(out.filePath("back.png"), 64, 64, undoArrow);
    ok &= draw(out.filePath("center.png"), 64, 64, target);
    ok &= draw(out.filePath("broom.png"), 64, 64, broom);
    ok &= draw(out.filePath("play.png"), 64, 64, playSymbol);
    ok &= draw(out.filePath("stop.png"), 64, 64, stopSymbol);
    ok &= draw(out.filePath("QuorvaneShare.png"), 64, 64, shareSymbol);
    if (!ok) {
        std::fprintf(stderr, "quorvane_make_icons: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
