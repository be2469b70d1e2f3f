// PDF files read back as a reader sees them: the page count (pdfinfo) and pages rendered to pictures
// (pdftoppm), both from poppler-utils.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>

namespace testutil {

// The number of pages, or -1 when the file is no readable PDF.
inline int pdfPageCount(const QString& pdf)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    if (!info.waitForFinished(60000) || info.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(QString::fromLocal8Bit(info.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Page `page` (from 1) at `dpi` dots per inch, 8-bit grey, top row first; empty on failure.
inline cv::Mat pdfPageGrey(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                  QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, prefix});
    if (!render.waitForFinished(60000) || render.exitCode() != 0)
        return cv::Mat();
    return cv::imread((prefix + QStringLiteral(".png")).toStdString(), cv::IMREAD_GRAYSCALE);
}

} // namespace testutil
