// Draws the start-up dialog's background picture once; the PNG is committed, so the build never runs this.
// Usage: QT_QPA_PLATFORM=offscreen quorvane_make_startup_background REPO_DIR OUTPUT.png
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

constexpr int kWidth = 512, kHeight = 385;
constexpr int kHeader = 236; // the buttons sit on the light band below

const QColor kInk(0x12, 0x2a, 0x3f);
const QColor kInkLight(0x1f, 0x45, 0x66);
const QColor kOrange(255, 85, 0);
const QColor kPaper(0xf4, 0xf5, 0xf7);

// Faint printed markers scattered over the header, tilted like cards on a table.
void drawMarkerCards(QPainter& p)
{
    struct Card
    {
        qreal x, y, side, angle;
    };
    const Card cards[] = {{420, 40, 70, 14}, {470, 170, 54, -10}, {300, 205, 40, 24}, {380, 120, 30, -28}};
    p.save();
    for (const Card& c : cards) {
        p.save();
        p.translate(c.x, c.y);
        p.rotate(c.angle);
        const QRectF outer(-c.side / 2, -c.side / 2, c.side, c.side);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 22));
        p.drawRect(outer);
        const qreal cell = c.side / 8;
        p.setBrush(QColor(255, 255, 255, 30));
        p.drawRect(outer.adjusted(2 * cell, 2 * cell, -4 * cell, -4 * cell));
        p.drawRect(outer.adjusted(4 * cell, 3 * cell, -2 * cell, -3 * cell));
        p.restore();
    }
    p.restore();
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s REPO_DIR OUTPUT.png\n", argv[0]);
        return 2;
    }
    const QString repo = QString::fromLocal8Bit(argv[1]);
    const int fontId =
        QFontDatabase::addApplicationFont(repo + QStringLiteral("/resources/fonts/LiberationSans-Regular.ttf"));
    const QString family = QFontDatabase::applicationFontFamilies(fontId).value(0, QStringLiteral("Sans"));
    const QImage icon(repo + QStringLiteral("/resources/images/QuorvaneViewer.png"));

    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    // Header: deep blue with a soft light behind the emblem.
    QLinearGradient header(0, 0, 0, kHeader);
    header.setColorAt(0, kInkLight);
    header.setColorAt(1, kInk);
    p.fillRect(0, 0, kWidth, kHeader, header);
    QRadialGradient glow(QPointF(110, 118), 150);
    glow.setColorAt(0, QColor(255, 255, 255, 40));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(0, 0, kWidth, kHeader, glow);
    drawMarkerCards(p);

    // Emblem and name.
    p.drawImage(QRectF(40, 48, 140, 140), icon);
    QFont name(family, 1);
    name.setPixelSize(46);
    name.setBold(true);
    p.setFont(name);
    p.setPen(Qt::white);
    p.drawText(QPointF(204, 112), QStringLiteral("Quorvane"));
    p.setPen(QColor(255, 120, 50));
    p.drawText(QPointF(204, 164), QStringLiteral("Viewer"));

    // The light band for the buttons, under an orange rule.
    p.fillRect(0, kHeader, kWidth, kHeight - kHeader, kPaper);
    p.fillRect(0, kHeader, kWidth, 4, kOrange);
    p.setPen(QColor(0xdd, 0xe0, 0xe4));
    p.drawLine(QPointF(12, 336.5), QPointF(kWidth - 12, 336.5));
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
