// The detector: configuration rules, detection over real pictures of the printed markers,
// decoys, the area bounds, one report per code, and the automatic threshold.
#include "MarkerCodes.h"
#include "MarkerDetect.h"
#include "TrackerTestUtil.h"

#include <QtTest>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace trk;
using namespace testutil;

class TestDetector : public QObject
{
    Q_OBJECT
private slots:
    void construction();
    void areaLimits_data();
    void areaLimits();
    void threshold_data();
    void threshold();
    void optionsAndFormat();
    void printedMarkerInEveryTurn_data();
    void printedMarkerInEveryTurn();
    void greyInputDetectsToo();
    void decoysAreRejected();
    void areaBoundsAreInclusive();
    void codeReportedOncePerFrame();
    void nothingWithoutCodesOrFormat();
    void randomThresholdSequence();
    void thresholdSettlesOnMarkerBrightness();
};

void TestDetector::construction()
{
    CMarkerDetector d;
    QCOMPARE(d.FormatMode(), 0);
    QCOMPARE(d.ImageThreshold(), 130);
    QCOMPARE(d.MinArea(), 0.1f);
    QCOMPARE(d.MaxArea(), 99.0f);
    QCOMPARE(d.FocalLength(), 770.0f);
    QVERIFY(d.IsOptionEnabled(0) && !d.IsOptionEnabled(1) && d.IsOptionEnabled(2) && !d.IsOptionEnabled(3));
    QCOMPARE(d.PatchImage(MarkMatrix).rows, 6);
    QCOMPARE(d.PatchImage(MarkImage).rows, 16);
    QCOMPARE(d.BorderOffset(MarkImage), 0);

    d.SetMarkerSize(135.0f, true, 4);
    QCOMPARE(d.PatchImage(MarkMatrix).rows, 8);
    QCOMPARE(d.BorderOffset(MarkMatrix), 2);
    QCOMPARE(d.MarkerSize(), 135.0f);
}

void TestDetector::areaLimits_data()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    QTest::addColumn<float>("minIn");
    QTest::addColumn<float>("maxIn");
    QTest::addColumn<float>("minOut");
    QTest::addColumn<float>("maxOut");
    QTest::newRow("view's own") << 0.5f << 95.0f << 0.5f << 95.0f;
    QTest::newRow("max below min") << 50.0f << 10.0f << 50.0f << 50.0f;
    QTest::newRow("both out of range") << -1.0f << 200.0f << 0.0001f << 99.9999f;
    QTest::newRow("zero min") << 0.0f << 1.0f << 0.0001f << 1.0f;
    QTest::newRow("min over the top") << 150.0f << 10.0f << 99.9999f << 99.9999f;
    QTest::newRow("NaN min") << nan << 20.0f << 0.0001f << 20.0f;
    QTest::newRow("NaN max") << 2.0f << nan << 2.0f << 99.9999f;
}

void TestDetector::areaLimits()
{
    QFETCH(float, minIn);
    QFETCH(float, maxIn);
    QFETCH(float, minOut);
    QFETCH(float, maxOut);
    CMarkerDetector d;
    d.SetAreaLimits(minIn, maxIn);
    QCOMPARE(d.MinArea(), minOut);
    QCOMPARE(d.MaxArea(), maxOut);
}

void TestDetector::threshold_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("255") << 255 << 255;
    QTest::newRow("256 ignored") << 256 << 130;
    QTest::newRow("100000 ignored") << 100000 << 130;
    QTest::newRow("negative ignored") << -1 << 130;
}

void TestDetector::threshold()
{
    QFETCH(int, value);
    QFETCH(int, stored);
    CMarkerDetector d;
    d.SetThreshold(value);
    QCOMPARE(d.ImageThreshold(), stored);
    QCOMPARE(d.PatchThreshold(), stored);
}

void TestDetector::optionsAndFormat()
{
    CMarkerDetector d;
    d.EnableOption(3);
    QVERIFY(d.IsAdaptive() && d.IsOptionEnabled(3));
    d.DisableOption(3);
    QVERIFY(!d.IsAdaptive());
    d.EnableOption(4);
    d.DisableOption(-1);
    QVERIFY(!d.IsOptionEnabled(4));

    d.SetImageFormat(3, 64, 48, false);
    QCOMPARE(d.FormatMode(), 1);
    d.SetImageFormat(1, 64, 48, true);
    QCOMPARE(d.FormatMode(), 3);
    d.SetImageFormat(1, 64, 48, false);
    QCOMPARE(d.FormatMode(), 2);
    d.SetImageFormat(4, 320, 240, false);
    QCOMPARE(d.FormatMode(), 0);
    QCOMPARE(d.Width(), 64); // nothing else stored
    d.SetImageFormat(3, 0, 480, false);
    QCOMPARE(d.FormatMode(), 0);
}

void TestDetector::printedMarkerInEveryTurn_data()
{
    QTest::addColumn<int>("marker");
    QTest::addColumn<int>("turns");
    for (int m = 0; m < kMarkerCount; ++m)
        for (int t = 0; t < 4; ++t)
            QTest::addRow("marker %d, %d quarter turns", m, t) << m << t;
}

void TestDetector::printedMarkerInEveryTurn()
{
    // The picture that gets printed, photographed head-on in any of its four turns, reads back
    // with its code, and corner 0 is always the paper's top-left corner of the black square.
    QFETCH(int, marker);
    QFETCH(int, turns);
    const int side = 160, margin = 40, n = side + 2 * margin;
    cv::Mat printed = DrawMarker(marker, side, margin);
    cv::Point2f topLeft(margin - 0.5f, margin - 0.5f);
    for (int t = 0; t < turns; ++t) {
        cv::rotate(printed, printed, cv::ROTATE_90_CLOCKWISE);
        topLeft = cv::Point2f(n - 1 - topLeft.y, topLeft.x);
    }
    cv::Mat picture(480, 640, CV_8UC1, cv::Scalar(180));
    paste(picture, printed, 250, 90);
    topLeft += cv::Point2f(250, 90);

    const cv::Mat frame = frameFromPicture(picture);
    CMarkerDetector d;
    setupView(d, 640, 480);
    d.ProcessFrame(frame.data);
    QCOMPARE(d.GetMarkers().size(), size_t(1));
    const CMarkerMatrix& m = d.GetMarkers()[0];
    QCOMPARE(m.code, kMarkerCodes[static_cast<size_t>(marker)]);
    const cv::Point2f c0 = pictureCorner(m.corners[0], 640, 480);
    QVERIFY2(
        cv::norm(c0 - topLeft) < 1.0,
        qPrintable(
            QStringLiteral("corner 0 at %1,%2, expected %3,%4").arg(c0.x).arg(c0.y).arg(topLeft.x).arg(topLeft.y)));
}

void TestDetector::greyInputDetectsToo()
{
    cv::Mat picture(240, 320, CV_8UC1, cv::Scalar(200));
    paste(picture, DrawMarker(7, 96, 16), 100, 60);
    cv::Mat frame;
    cv::flip(picture, frame, 0);
    CMarkerDetector d;
    setupView(d, 320, 240);
    d.SetImageFormat(1, 320, 240, false);
    d.ProcessFrame(frame.data);
    QCOMPARE(d.GetMarkers().size(), size_t(1));
    QCOMPARE(d.GetMarkers()[0].code, kMarkerCodes[7]);
}

void TestDetector::decoysAreRejected()
{
    cv::Mat picture(480, 640, CV_8UC1, cv::Scalar(200));
    // A 4 x 4 pattern that is not one of ours.
    paste(picture, DrawMarkerCode(0x1234, 120, 20), 10, 10);
    // Another family: one-cell border around a 4 x 4 grid (six cells across).
    cv::Mat family(160, 160, CV_8UC1, cv::Scalar(255));
    family(cv::Rect(20, 20, 120, 120)).setTo(0);
    const int bits[4][4] = {{1, 0, 1, 1}, {0, 0, 1, 0}, {1, 1, 0, 1}, {0, 1, 0, 0}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (bits[r][c])
                family(cv::Rect(40 + 20 * c, 40 + 20 * r, 20, 20)).setTo(255);
    paste(picture, family, 180, 10);
    // A thin square outline: the contour is a fine quadrilateral but its border cells are light.
    cv::Mat outline(160, 160, CV_8UC1, cv::Scalar(255));
    cv::rectangle(outline, cv::Rect(20, 20, 120, 120), cv::Scalar(0), 3);
    paste(picture, outline, 360, 10);
    // A real marker keeps the frame honest.
    paste(picture, DrawMarker(4, 120, 20), 250, 300);

    const cv::Mat frame = frameFromPicture(picture);
    CMarkerDetector d;
    setupView(d, 640, 480);
    d.ProcessFrame(frame.data);
    QCOMPARE(d.GetMarkers().size(), size_t(1));
    QCOMPARE(d.GetMarkers()[0].code, kMarkerCodes[4]);
}

void TestDetector::areaBoundsAreInclusive()
{
    const int W = 400, H = 300;
    cv::Mat picture(H, W, CV_8UC1, cv::Scalar(200));
    paste(picture, DrawMarker(2, 80, 20), 150, 100);
    const cv::Mat frame = frameFromPicture(picture);

    // The quadrilateral's area as the contour search sees it.
    cv::Mat grey, binary;
    cv::flip(picture, grey, 0);
    cv::threshold(grey, binary, 120, 255, cv::THRESH_BINARY);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(binary, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    double area = -1;
    for (const auto& c : contours) {
        std::vector<cv::Point> poly;
        cv::approxPolyDP(c, poly, 0.02 * cv::arcLength(c, true), true);
        const double a = std::fabs(cv::contourArea(poly));
        if (poly.size() == 4 && a > area && a < 0.5 * W * H)
            area = a; // the black square; the frame's own outline is larger
    }
    QVERIFY(area > 0);

    // A percentage whose bound (computed as the detector does, in single precision) is exactly that area.
    auto bound = [&](float percent) { return float(W) * percent * float(H) * 0.01f; };
    float exact = static_cast<float>(area / (W * H * 0.01));
    for (int i = 0; i < 64 && bound(exact) != float(area); ++i)
        exact = std::nextafter(exact, bound(exact) < float(area) ? 100.0f : 0.0f);
    QCOMPARE(bound(exact), float(area));
    float above = exact;
    while (bound(above) <= float(area))
        above = std::nextafter(above, 100.0f);
    float below = exact;
    while (bound(below) >= float(area))
        below = std::nextafter(below, 0.0f);

    struct Case
    {
        float min, max;
        bool found;
    };
    const Case cases[] = {{exact, 95.0f, true}, {above, 95.0f, false}, {0.5f, exact, true}, {0.5f, below, false}};
    for (const Case& c : cases) {
        CMarkerDetector d;
        setupView(d, W, H);
        d.SetAreaLimits(c.min, c.max);
        d.ProcessFrame(frame.data);
        QCOMPARE(d.GetMarkers().size(), size_t(c.found ? 1 : 0));
    }
}

void TestDetector::codeReportedOncePerFrame()
{
    cv::Mat picture(480, 640, CV_8UC1, cv::Scalar(200));
    paste(picture, DrawMarker(5, 120, 20), 20, 20);
    paste(picture, DrawMarker(5, 120, 20), 400, 40);
    paste(picture, DrawMarker(12, 120, 20), 200, 280);
    const cv::Mat frame = frameFromPicture(picture);

    CMarkerDetector d;
    setupView(d, 640, 480);
    d.ProcessFrame(frame.data);
    QCOMPARE(d.GetMarkers().size(), size_t(2));
    QVERIFY(d.GetMarkers()[0].code != d.GetMarkers()[1].code);

    // One code to look for: the scan ends at its first marker.
    d.SetMarkerCodes({kMarkerCodes[5]});
    d.ProcessFrame(frame.data);
    QCOMPARE(d.GetMarkers().size(), size_t(1));
    QCOMPARE(d.GetMarkers()[0].code, kMarkerCodes[5]);

    // The same code listed twice can be found twice.
    d.SetMarkerCodes({kMarkerCodes[5], kMarkerCodes[5]});
    d.ProcessFrame(frame.data);
    QCOMPARE(d.GetMarkers().size(), size_t(2));
}

void TestDetector::nothingWithoutCodesOrFormat()
{
    cv::Mat picture(240, 320, CV_8UC1, cv::Scalar(200));
    paste(picture, DrawMarker(0, 96, 16), 100, 60);
    const cv::Mat frame = frameFromPicture(picture);
    CMarkerDetector d;
    setupView(d, 320, 240);
    d.SetMarkerCodes({});
    d.ProcessFrame(frame.data);
    QVERIFY(d.GetMarkers().empty());

    setupView(d, 320, 240);
    d.SetImageFormat(2, 320, 240, false);
    d.ProcessFrame(frame.data);
    QVERIFY(d.GetMarkers().empty());
}

void TestDetector::randomThresholdSequence()
{
    // The generator is never seeded, so the draws follow the C library's default sequence
    // (seed 1): every empty frame takes the next one, scaled from 0..32767.
    std::srand(1);
    std::vector<int> expected;
    for (int i = 0; i < 5; ++i) {
        const long long r = static_cast<long long>(std::rand()) * 32768 / (static_cast<long long>(RAND_MAX) + 1);
        expected.push_back(static_cast<int>(static_cast<double>(r) / 32767.0 * 240.0) + 10);
    }
    std::srand(1);

    const cv::Mat frame = frameFromPicture(cv::Mat(120, 160, CV_8UC1, cv::Scalar(90)));
    CMarkerDetector d;
    setupView(d, 160, 120);
    for (int want : expected) {
        d.ProcessFrame(frame.data);
        QVERIFY(d.GetMarkers().empty());
        QCOMPARE(d.ImageThreshold(), want);
        QVERIFY(want >= 10 && want <= 250);
    }
}

void TestDetector::thresholdSettlesOnMarkerBrightness()
{
    cv::Mat picture(480, 640, CV_8UC1, cv::Scalar(230));
    paste(picture, DrawMarker(9, 160, 30), 60, 80);
    paste(picture, DrawMarker(3, 100, 20), 400, 250);
    const cv::Mat frame = frameFromPicture(picture);

    CMarkerDetector d;
    setupView(d, 640, 480);
    d.DisableOption(2); // keep the corners in pixels to recompute the boxes here
    d.ProcessFrame(frame.data);
    QCOMPARE(d.GetMarkers().size(), size_t(2));

    cv::Mat grey;
    cv::flip(picture, grey, 0);
    double sumOfMeans = 0;
    for (const CMarkerMatrix& m : d.GetMarkers()) {
        int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
        for (const SPoint2f& c : m.corners) {
            x0 = std::min(x0, int(c.x + 0.5f));
            x1 = std::max(x1, int(c.x + 0.5f));
            y0 = std::min(y0, int(c.y + 0.5f));
            y1 = std::max(y1, int(c.y + 0.5f));
        }
        sumOfMeans += cv::mean(grey(cv::Range(y0, y1 + 1), cv::Range(x0, x1 + 1)))[0];
    }
    QCOMPARE(d.ImageThreshold(), int(sumOfMeans / 2));
}

QTEST_APPLESS_MAIN(TestDetector)
#include "tst_detector.moc"
