// The printable marker sheets that come with Quorvane Author, read back as a printer and a camera
// would see them: each PDF rendered to pixels by poppler is one A4 page with the black square
// exactly 135 mm a side in its middle, and the tracker finds the right marker on the page and on a
// photograph of it.
#include "MarkerCodes.h"
#include "MarkerDetect.h"
#include "ViewSetup.h"

#include <QtTest>

#include <QProcess>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kDpi = 100;
constexpr double kPxPerMm = kDpi / 25.4;

// The page at kDpi, grey, top row first; empty when poppler cannot render it.
cv::Mat renderPage(const QString& pdf, const QString& workDir)
{
    const QString prefix = workDir + QStringLiteral("/page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-gray"),
                                         QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return cv::imread((prefix + QStringLiteral(".pgm")).toStdString(), cv::IMREAD_GRAYSCALE);
}

// Markers the tracker finds in a grey picture (top row first), as the non-mirrored view sets it up.
std::vector<trk::CMarkerMatrix> track(const cv::Mat& grey, float focal)
{
    cv::Mat bgr, frame;
    cv::cvtColor(grey, bgr, cv::COLOR_GRAY2BGR);
    cv::flip(bgr, frame, 0);
    trk::CMarkerDetector d;
    trk::SetupLikeView(d, frame.cols, frame.rows, focal);
    d.SetFlipFlags(true, true);
    for (int pass = 0; pass < 3; ++pass) { // the threshold settles within a few frames
        d.ProcessFrame(frame.data);
        if (!d.GetMarkers().empty())
            break;
    }
    return d.GetMarkers();
}

} // namespace

class TestAuthorSheets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sheetsTrack_data();
    void sheetsTrack();

private:
    QTemporaryDir m_work;
};

void TestAuthorSheets::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        QFAIL("pdftoppm (poppler-utils) is missing: scripts/install-deps installs it");
}

void TestAuthorSheets::sheetsTrack_data()
{
    QTest::addColumn<int>("marker");
    for (int n = 0; n < trk::kMarkerCount; ++n)
        QTest::newRow(qPrintable(QStringLiteral("marker %1").arg(n))) << n;
}

void TestAuthorSheets::sheetsTrack()
{
    QFETCH(int, marker);
    const int code = trk::kMarkerCodes[size_t(marker)];
    const QString pdf = QStringLiteral(QUORVANE_SHEETS_DIR "/%1.pdf").arg(code, 4, 16, QLatin1Char('0'));
    QVERIFY2(QFileInfo::exists(pdf), qPrintable(pdf));
    const cv::Mat page = renderPage(pdf, m_work.path());
    QVERIFY(!page.empty());
    // A4 portrait.
    QVERIFY(std::abs(page.cols - 210 * kPxPerMm) < 2);
    QVERIFY(std::abs(page.rows - 297 * kPxPerMm) < 2);

    // The black square: the largest dark shape, 135 mm a side, in the middle of the page.
    cv::Mat dark;
    cv::threshold(page, dark, 100, 255, cv::THRESH_BINARY_INV);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(dark, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    cv::Rect square;
    for (const auto& c : contours)
        if (cv::boundingRect(c).area() > square.area())
            square = cv::boundingRect(c);
    const double side = 135 * kPxPerMm;
    QVERIFY2(std::abs(square.width - side) <= 1.5 && std::abs(square.height - side) <= 1.5,
             qPrintable(QStringLiteral("%1 x %2 px, expected %3").arg(square.width).arg(square.height).arg(side)));
    QVERIFY(std::abs(square.x + square.width / 2.0 - page.cols / 2.0) <= 1.5);
    QVERIFY(std::abs(square.y + square.height / 2.0 - page.rows / 2.0) <= 1.5);

    // The tracker reads the page as printed...
    std::vector<trk::CMarkerMatrix> found = track(page, 700.0f);
    QCOMPARE(found.size(), size_t(1));
    QCOMPARE(found[0].code, code);

    // ... and a photograph of it: the page seen at an angle, smaller, on a darker desk.
    const std::vector<cv::Point2f> from = {
        {0, 0}, {float(page.cols), 0}, {float(page.cols), float(page.rows)}, {0, float(page.rows)}};
    const std::vector<cv::Point2f> to = {{210, 40}, {470, 70}, {450, 440}, {160, 400}};
    cv::Mat photo(480, 640, CV_8UC1, cv::Scalar(90));
    cv::warpPerspective(page, photo, cv::getPerspectiveTransform(from, to), photo.size(), cv::INTER_AREA,
                        cv::BORDER_TRANSPARENT);
    cv::GaussianBlur(photo, photo, cv::Size(3, 3), 0.8);
    found = track(photo, 700.0f);
    QCOMPARE(found.size(), size_t(1));
    QCOMPARE(found[0].code, code);
}

QTEST_MAIN(TestAuthorSheets)
#include "tst_author_sheets.moc"
