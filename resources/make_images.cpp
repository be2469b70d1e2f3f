// Draws the built-in pictures of resources/images once; the PNGs are committed, so the build never
// runs this. Usage: QT_QPA_PLATFORM=offscreen quorvane_make_images OUTPUT_DIR
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

const QColor kInk(0x12, 0x2a, 0x3f);    // deep blue-grey of the marker frame
const QColor kAccent(0xf2, 0x8c, 0x28); // orange of the cube's lit face
const QColor kAccentDark(0xc4, 0x5c, 0x12);
const QColor kTeal(0x1f, 0xa6, 0xa0);

// The emblem: a printed marker (thick frame with a code cell) with a cube standing on it, seen from above
// at an angle, inside a unit square scaled to `side`.
void drawEmblem(QPainter& p, const QRectF& box)
{
    const qreal s = box.width();
    p.save();
    p.translate(box.topLeft());

    // Marker card with a soft shadow.
    QPainterPath card;
    card.addRoundedRect(QRectF(0.06 * s, 0.08 * s, 0.88 * s, 0.88 * s), 0.12 * s, 0.12 * s);
    p.fillPath(card.translated(0, 0.02 * s), QColor(0, 0, 0, 60));
    QLinearGradient paper(0, 0, 0, s);
    paper.setColorAt(0, QColor(0xfb, 0xfc, 0xfd));
    paper.setColorAt(1, QColor(0xe3, 0xe9, 0xef));
    p.fillPath(card, paper);

    // Marker frame and code cells.
    const QRectF frame(0.16 * s, 0.18 * s, 0.68 * s, 0.68 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(frame);
    const qreal cell = frame.width() / 6.0;
    p.setBrush(QColor(0xfb, 0xfc, 0xfd));
    p.drawRect(frame.adjusted(cell, cell, -cell, -cell));
    p.setBrush(kInk);
    const int code[4][4] = {{1, 0, 1, 1}, {0, 1, 0, 1}, {1, 1, 0, 0}, {0, 1, 1, 0}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (code[r][c])
                p.drawRect(QRectF(frame.left() + (c + 1) * cell, frame.top() + (r + 1) * cell, cell, cell));

    // Cube standing on the marker (isometric), drawn over the code.
    const QPointF top(0.5 * s, 0.20 * s);
    const qreal w = 0.19 * s, h = 0.11 * s, d = 0.22 * s;
    const QPointF a = top, b = top + QPointF(w, h), c2 = top + QPointF(0, 2 * h), e = top + QPointF(-w, h);
    QPainterPath lid;
    lid.moveTo(a);
    lid.lineTo(b);
    lid.lineTo(c2);
    lid.lineTo(e);
    lid.closeSubpath();
    QPainterPath left;
    left.moveTo(e);
    left.lineTo(c2);
    left.lineTo(c2 + QPointF(0, d));
    left.lineTo(e + QPointF(0, d));
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(c2);
    right.lineTo(b);
    right.lineTo(b + QPointF(0, d));
    right.lineTo(c2 + QPointF(0, d));
    right.closeSubpath();
    QPainterPath shadow;
    shadow.addEllipse(QPointF(0.5 * s, 0.20 * s + 2 * h + d), w * 1.15, 0.045 * s);
    p.fillPath(shadow, QColor(0, 0, 0, 70));
    QLinearGradient lidGrad(a, c2);
    lidGrad.setColorAt(0, kAccent.lighter(125));
    lidGrad.setColorAt(1, kAccent);
    p.fillPath(lid, lidGrad);
    p.fillPath(left, kAccentDark);
    QLinearGradient rightGrad(c2, b + QPointF(0, d));
    rightGrad.setColorAt(0, kTeal.lighter(115));
    rightGrad.setColorAt(1, kTeal.darker(130));
    p.fillPath(right, rightGrad);
    QPen edge(QColor(255, 255, 255, 160), 0.008 * s);
    edge.setJoinStyle(Qt::RoundJoin);
    p.setPen(edge);
    p.setBrush(Qt::NoBrush);
    p.drawPath(lid);
    p.drawLine(c2, c2 + QPointF(0, d));
    p.restore();
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// Application picture and fallback thumbnail: the emblem on a rounded tile.
QImage appPicture()
{
    QImage img = canvas(256, 256);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    QRadialGradient bg(QPointF(96, 64), 260);
    bg.setColorAt(0, QColor(0x2c, 0x5b, 0x7f));
    bg.setColorAt(1, kInk);
    p.fillPath(tile, bg);
    drawEmblem(p, QRectF(36, 30, 184, 184));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(26);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(f);
    p.setPen(QColor(0xf5, 0xf7, 0xfa));
    p.drawText(QRectF(8, 206, 240, 34), Qt::AlignCenter, QStringLiteral("Quorvane"));
    return img;
}

// Default logo of exported scenes: emblem and word mark on transparency, wider than tall.
QImage logoPicture()
{
    QImage img = canvas(512, 256);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawEmblem(p, QRectF(8, 40, 176, 176));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(64);
    // Fit the word mark into the room right of the emblem.
    const qreal room = 512 - 200 - 8;
    const qreal natural = QFontMetricsF(f).horizontalAdvance(QStringLiteral("Quorvane"));
    if (natural > room)
        f.setPixelSize(int(64 * room / natural));
    p.setFont(f);
    QPainterPath text;
    text.addText(QPointF(200, 142), f, QStringLiteral("Quorvane"));
    p.fillPath(text.translated(2, 3), QColor(0, 0, 0, 90));
    QLinearGradient g(0, 90, 0, 150);
    g.setColorAt(0, QColor(0xff, 0xff, 0xff));
    g.setColorAt(1, QColor(0xd8, 0xe2, 0xec));
    p.fillPath(text, g);
    QPen outline(kInk, 2.5);
    p.strokePath(text, outline);
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(20);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(small);
    p.setPen(kAccent);
    p.drawText(QPointF(200, 182), QStringLiteral("AUGMENTED REALITY"));
    return img;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane_make_images OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = appPicture().save(out.filePath(QStringLiteral("Quorvane.png")));
    ok = logoPicture().save(out.filePath(QStringLiteral("logotex.png"))) && ok;
    ok = canvas(256, 256).save(out.filePath(QStringLiteral("256Transparent.png"))) && ok;
    return ok ? 0 : 1;
}
