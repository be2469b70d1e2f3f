// quorvane markers: the marker pictures, as printed, and the printable marker sheet of a scene.
#include "Commands.h"

#include "Archive.h"
#include "Limits.h"
#include "MarkerCodes.h"
#include "MarkerPicture.h"
#include "MarkerSheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <opencv2/imgcodecs.hpp>

#include <cstdio>

namespace qvtool {

namespace {

int writePictures(const OptionParser& p)
{
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

// The markers a viewer archive puts models on, as Quorvane Viewer counts them. False with a reason when the
// file is no readable viewer archive.
bool sceneMarkers(const QString& path, QList<int>* markers, QString* error)
{
    const QString suffix = QFileInfo(path).suffix();
    const bool format2 = suffix.compare(QLatin1String("qvx2"), Qt::CaseInsensitive) == 0;
    if (!format2 && suffix.compare(QLatin1String("qvx"), Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("%1: not a viewer archive (.qvx2 or .qvx)").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot open the file").arg(path);
        return false;
    }
    if (file.size() > quorvane::kMaxArchiveBytes) {
        *error = QStringLiteral("%1: too large for an archive").arg(path);
        return false;
    }
    quorvane::ViewerArchiveContents contents;
    if (quorvane::parseViewerArchive(file.readAll(), format2, &contents) != quorvane::ArchiveParseStatus::Ok) {
        *error = QStringLiteral("%1: the archive holds nothing after its magic").arg(path);
        return false;
    }
    if (!contents.versionOk) {
        *error = QStringLiteral("%1: unsupported archive version").arg(path);
        return false;
    }
    if (!contents.complete)
        std::fprintf(stderr, "quorvane markers: warning: %s ends early; the markers read before the end count\n",
                     qPrintable(path));
    *markers = quorvane::markersWithModels(contents);
    return true;
}

int writeSheet(const OptionParser& p)
{
    QList<int> used;
    if (p.isSet(QStringLiteral("scene"))) {
        QString error;
        if (!sceneMarkers(p.value(QStringLiteral("scene")), &used, &error))
            return p.fail(error, 1);
    } else {
        for (int n = 0; n < trk::kMarkerCount; ++n)
            used.append(n);
    }
    const QString out = p.value(QStringLiteral("pdf"));
    if (!quorvane::writeMarkerSheet(out, used))
        return p.fail(QStringLiteral("cannot write %1").arg(out), 1);
    std::printf("Wrote %s: the index page and %lld marker page%s\n", qPrintable(out),
                static_cast<long long>(used.size()), used.size() == 1 ? "" : "s");
    return 0;
}

} // namespace

int runMarkers(const QStringList& args)
{
    OptionParser p("markers", QStringLiteral("Writes the twenty marker pictures Marca0.png ... Marca19.png, or the "
                                             "printable marker sheet: an index page, then one page per marker."));
    p.addOption({QStringLiteral("png"), QStringLiteral("Folder to write the pictures into (created if missing)."),
                 QStringLiteral("DIR")});
    p.addOption({QStringLiteral("size"), QStringLiteral("Side of the black square in pixels (default 512)."),
                 QStringLiteral("PX"), QStringLiteral("512")});
    p.addOption({QStringLiteral("margin"),
                 QStringLiteral("White paper around the square in pixels (default: one eighth of the side)."),
                 QStringLiteral("PX")});
    p.addOption(
        {QStringLiteral("pdf"), QStringLiteral("Write the marker sheet as this PDF file."), QStringLiteral("OUT.pdf")});
    p.addOption({QStringLiteral("scene"),
                 QStringLiteral("With --pdf: only the markers this viewer archive uses get a page of their own, the "
                                "others are veiled on the index page (default: every marker)."),
                 QStringLiteral("ARCHIVE")});
    if (const int code = p.parseArguments(args); code >= 0)
        return code;
    const bool png = p.isSet(QStringLiteral("png"));
    const bool pdf = p.isSet(QStringLiteral("pdf"));
    if (p.isSet(QStringLiteral("scene")) && !pdf) {
        return p.fail(QStringLiteral("--scene goes with --pdf"), 2);
    }
    if (!png && !pdf) {
        return p.fail(QStringLiteral("say what to write: --png DIR for the pictures or --pdf OUT.pdf for the sheet"),
                      2);
    }
    if (png) {
        if (const int code = writePictures(p); code != 0)
            return code;
    }
    return pdf ? writeSheet(p) : 0;
}

} // namespace qvtool
