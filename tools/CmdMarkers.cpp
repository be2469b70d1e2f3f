// quorvane markers: the marker pictures, as printed.
#include "Commands.h"

#include "MarkerCodes.h"
#include "MarkerPicture.h"

#include <QDir>

#include <opencv2/imgcodecs.hpp>

#include <cstdio>

namespace qvtool {

int runMarkers(const QStringList& args)
{
    OptionParser p("markers", QStringLiteral("Writes the twenty marker pictures Marca0.png ... Marca19.png."));
    p.addOption({QStringLiteral("png"), QStringLiteral("Folder to write the pictures into (created if missing)."),
                 QStringLiteral("DIR")});
    p.addOption({QStringLiteral("size"), QStringLiteral("Side of the black square in pixels (default 512)."),
                 QStringLiteral("PX"), QStringLiteral("512")});
    p.addOption({QStringLiteral("margin"),
                 QStringLiteral("White paper around the square in pixels (default: one eighth of the side)."),
                 QStringLiteral("PX")});
    if (const int code = p.parseArguments(args); code >= 0)
        return code;
    if (!p.isSet(QStringLiteral("png"))) {
        return p.fail(QStringLiteral("say where to write the pictures with --png DIR"), 2);
    }
    bool ok = false;
    const int size = p.value(QStringLiteral("size")).toInt(&ok);
    if (!ok || size < 8 || size > 16384) {
        return p.fail(QStringLiteral("--size must be a whole number of pixels from 8 to 16384"), 2);
    }
    int margin = size / 8;
    if (p.isSet(QStringLiteral("margin"))) {
        margin = p.value(QStringLiteral("margin")).toInt(&ok);
        if (!ok || margin < 0 || margin > 16384) {
            return p.fail(QStringLiteral("--margin must be a whole number of pixels from 0 to 16384"), 2);
        }
    }
    if (size + 2 * margin > 16384) {
        return p.fail(QStringLiteral("a picture of more than 16384 pixels a side is too large"), 2);
    }
    const QString dir = p.value(QStringLiteral("png"));
    if (!QDir().mkpath(dir)) {
        return p.fail(QStringLiteral("cannot create the folder %1").arg(dir), 1);
    }
    for (int n = 0; n < trk::kMarkerCount; ++n) {
        const QString file = QDir(dir).filePath(QStringLiteral("Marca%1.png").arg(n));
        if (!cv::imwrite(file.toStdString(), trk::DrawMarker(n, size, margin))) {
            return p.fail(QStringLiteral("cannot write %1").arg(file), 1);
        }
    }
    std::printf("Wrote Marca0.png ... Marca%d.png (%d px) into %s\n", trk::kMarkerCount - 1, size, qPrintable(dir));
    return 0;
}

} // namespace qvtool
