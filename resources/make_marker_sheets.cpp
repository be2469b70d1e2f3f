// Writes the twenty printable marker sheets at build time, one PDF per marker named after its code
// ("00ff.pdf" ... "005c.pdf"): A4 portrait, the black square exactly 135 mm a side (one scene unit is
// one millimetre when printed at 100 %), centred, a thin dashed cut line around its white margin and
// the marker's number and code in small type below.
// Usage: QT_QPA_PLATFORM=offscreen quorvane_make_marker_sheets OUTPUT_DIR [FONT_FILE]
#include "MarkerCodes.h"
#include "MarkerDrawing.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>

namespace {

constexpr qreal kPageWidthMm = 210.0;
constexpr qreal kPageHeightMm = 297.0;
constexpr qreal kSquareMm = 135.0;
constexpr qreal kMarginMm = 20.0; // white paper the tracker needs around the black square
constexpr int kDpi = 1200;

qreal px(qreal mm)
{
    return mm * kDpi / 25.4;
}

bool writeSheet(int n, const QString& file, const QString& fontFamily)
{
    const int code = trk::kMarkerCodes[size_t(n)];
    QPdfWriter pdf(file);
    pdf.setResolution(kDpi);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    pdf.setTitle(QStringLiteral("Quorvane: marca %1 (%2)").arg(n).arg(code, 4, 16, QLatin1Char('0')));
    pdf.setCreator(QStringLiteral("Quorvane"));
    QPainter p;
    if (!p.begin(&pdf))
        return false;

    const qreal left = (kPageWidthMm - kSquareMm) / 2.0;
    const qreal top = (kPageHeightMm - kSquareMm) / 2.0;
    const QRectF square(px(left), px(top), px(kSquareMm), px(kSquareMm));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(quorvane::markerPath(code, square));

    QPen cut(QColor(0x90, 0x90, 0x90), px(0.2));
    cut.setDashPattern({px(2.0) / px(0.2), px(1.5) / px(0.2)});
    p.setPen(cut);
    p.setBrush(Qt::NoBrush);
    p.drawRect(square.adjusted(-px(kMarginMm), -px(kMarginMm), px(kMarginMm), px(kMarginMm)));

    QFont font(fontFamily);
    font.setPointSizeF(9);
    p.setFont(font);
    p.setPen(QColor(0x40, 0x40, 0x40));
    const QRectF caption(0, square.bottom() + px(kMarginMm + 4), px(kPageWidthMm), px(8));
    p.drawText(caption, Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Marca %1 \u00b7 c\u00f3digo %2 \u00b7 135 mm: impr\u00edmase al 100 %")
                   .arg(n)
                   .arg(code, 4, 16, QLatin1Char('0')));
    return p.end();
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: quorvane_make_marker_sheets OUTPUT_DIR [FONT_FILE]\n");
        return 2;
    }
    QString family = QStringLiteral("Sans Serif");
    if (argc == 3) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[2]));
        if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty())
            family = QFontDatabase::applicationFontFamilies(id).first();
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    for (int n = 0; n < trk::kMarkerCount; ++n) {
        const QString file =
            out.filePath(QStringLiteral("%1.pdf").arg(trk::kMarkerCodes[size_t(n)], 4, 16, QLatin1Char('0')));
        if (!writeSheet(n, file, family)) {
            std::fprintf(stderr, "quorvane_make_marker_sheets: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
