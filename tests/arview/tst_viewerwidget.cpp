// The AR view over synthesised frames, read back from the screen: registration of the amber
// squares, mirroring, an empty view, the projection, and the background and logo nodes.
#include "FrameSynth.h"
#include "MarkerCodes.h"
#include "ViewerWidget.h"
#include "OsgGLWidget.h"
#include "RenderCheck.h"

#include <QtTest>

#include <opencv2/imgproc.hpp>

#include <cmath>

using namespace quorvane; // the view's classes

using namespace trk;

namespace {

constexpr int W = 640, H = 480;
constexpr float F = 700.0f;

// The view's client area holds the GL widget inside a one-pixel margin.
void sizeForFrame(ViewerWidget& v, int w = W, int h = H)
{
    v.resize(w + 2, h + 2);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
}

std::vector<cv::Point> quad(const SynthTruth& t, bool mirrored)
{
    std::vector<cv::Point> q;
    for (const SPoint2f& c : t.corners)
        q.emplace_back(static_cast<int>(std::lround(mirrored ? W - 1 - c.x : c.x)), static_cast<int>(std::lround(c.y)));
    return q;
}

cv::Mat mask(const std::vector<cv::Point>& q, int grow)
{
    return testutil::quadMask(q, W, H, grow);
}

cv::Mat blueChannel(const QImage& img)
{
    cv::Mat b;
    cv::extractChannel(testutil::rgbMat(img), b, 2);
    return b;
}

} // namespace

class TestViewerWidget : public QObject
{
    Q_OBJECT
private slots:
    void amberSquaresCoverSeenMarkers_data();
    void amberSquaresCoverSeenMarkers();
    void emptyViewIsBlack();
    void followsAMovingMarker();
    void projection_data();
    void projection();
    void backgroundAndLogoNodes();
};

void TestViewerWidget::amberSquaresCoverSeenMarkers_data()
{
    QTest::addColumn<bool>("mirrored");
    QTest::addColumn<float>("distance");
    QTest::addColumn<float>("tilt");
    QTest::addColumn<float>("spin");
    for (bool m : {false, true}) {
        QTest::addRow("%s head-on", m ? "mirrored" : "plain") << m << 600.0f << 0.0f << 0.0f;
        QTest::addRow("%s tilted", m ? "mirrored" : "plain") << m << 700.0f << 35.0f << 30.0f;
        QTest::addRow("%s near, turned", m ? "mirrored" : "plain") << m << 480.0f << 20.0f << 160.0f;
    }
}

void TestViewerWidget::amberSquaresCoverSeenMarkers()
{
    QFETCH(bool, mirrored);
    QFETCH(float, distance);
    QFETCH(float, tilt);
    QFETCH(float, spin);
    SynthOptions o;
    o.focal = F;
    o.paperLevel = 240;
    const SynthFrame f = SynthesizeFrame({PoseMarker(10, distance, spin, tilt, -0.5f * tilt, -150, 30, F),
                                          PoseMarker(3, distance * 1.25f, -spin, 0.5f * tilt, tilt, 175, -40, F)},
                                         o);
    std::vector<unsigned char> buffer(f.frame.data, f.frame.data + f.frame.total() * 3);

    ViewerWidget view(false, mirrored);
    sizeForFrame(view);
    view.setupBackground(buffer.data(), W, H, F);
    view.setMirrored(mirrored);
    view.update();
    QTest::qWait(100);
    QCOMPARE(view.tracker().GetMarkers().size(), size_t(2));
    const QImage shot = view.grabFrame();
    QCOMPARE(shot.size(), QSize(W, H));
    const cv::Mat blue = blueChannel(shot);

    for (int i = 0; i < 20; ++i)
        QCOMPARE(view.slot(i)->draggerRoot()->getNodeMask(), (i == 10 || i == 3) ? 0xFFFFFFFFu : 0u);

    cv::Mat covered(H, W, CV_8UC1, cv::Scalar(0));
    for (const SynthTruth& t : f.truth) {
        const std::vector<cv::Point> q = quad(t, mirrored);
        // Inside (2 px in from the edge) the amber multiply leaves no blue at all.
        const cv::Mat inside = mask(q, -2);
        double maxInside = 0;
        cv::minMaxLoc(blue, nullptr, &maxInside, nullptr, nullptr, inside);
        QVERIFY2(maxInside < 10, qPrintable(QStringLiteral("marker %1: blue %2 inside").arg(t.marker).arg(maxInside)));
        // Just outside (2 to 4 px out) is the white paper, untouched.
        cv::Mat ring = mask(q, 4) & ~mask(q, 2);
        cv::Mat ringBlue;
        blue.copyTo(ringBlue, ring);
        const double meanRing = cv::sum(ringBlue)[0] / cv::countNonZero(ring);
        QVERIFY2(meanRing > 200, qPrintable(QStringLiteral("marker %1: ring mean %2").arg(t.marker).arg(meanRing)));
        covered |= mask(q, 2);
    }
    // Everywhere else the picture is the camera's own (no content for unseen markers).
    cv::Mat picture = mirrored ? cv::Mat() : f.Picture();
    if (mirrored)
        cv::flip(f.Picture(), picture, 1);
    cv::Mat expectedBlue;
    cv::extractChannel(picture, expectedBlue, 0);
    cv::Mat diff;
    cv::absdiff(blue, expectedBlue, diff);
    diff.setTo(0, covered);
    double maxDiff = 0;
    // The outermost pixels blend with the texture's edge; everything inside must match.
    cv::minMaxLoc(diff(cv::Rect(1, 1, W - 2, H - 2)), nullptr, &maxDiff);
    QVERIFY2(maxDiff < 40, qPrintable(QString::number(maxDiff)));
}

void TestViewerWidget::followsAMovingMarker()
{
    // New pictures arrive in the same buffer: what is drawn belongs to the picture shown.
    SynthOptions o;
    o.focal = F;
    ViewerWidget view(false, false);
    sizeForFrame(view);
    std::vector<unsigned char> buffer(W * H * 3);
    bool setUp = false;
    for (int i = 0; i < 4; ++i) {
        const SynthFrame f =
            SynthesizeFrame({PoseMarker(0, 600.0f, 20.0f * i, 10.0f, 0.0f, -200.0f + 130.0f * i, 0.0f, F)}, o);
        std::copy(f.frame.data, f.frame.data + buffer.size(), buffer.begin());
        if (!setUp)
            view.setupBackground(buffer.data(), W, H, F);
        setUp = true;
        view.setMirrored(false);
        const cv::Mat blue = blueChannel(view.grabFrame());
        const cv::Mat inside = mask(quad(f.truth[0], false), -2);
        double maxInside = 0;
        cv::minMaxLoc(blue, nullptr, &maxInside, nullptr, nullptr, inside);
        QVERIFY2(maxInside < 10, qPrintable(QStringLiteral("picture %1: blue %2 inside").arg(i).arg(maxInside)));
    }
}

void TestViewerWidget::emptyViewIsBlack()
{
    ViewerWidget view(false, false);
    sizeForFrame(view, 320, 240);
    view.repaint();
    const QImage shot = view.grabFrame().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < shot.height(); y += 7)
        for (int x = 0; x < shot.width(); x += 7)
            QCOMPARE(shot.pixel(x, y) & 0xFFFFFFu, 0u);
    QCOMPARE(view.tracker().FormatMode(), 0); // no background: the tracker was never set up
}

void TestViewerWidget::projection_data()
{
    QTest::addColumn<int>("clientW");
    QTest::addColumn<int>("clientH");
    QTest::addColumn<double>("fovy");
    QTest::addColumn<double>("aspect");
    // fovy0 = 2 atan(480 / 1540) for f = 770: the frame fills a widget of its own shape.
    QTest::newRow("same shape") << 640 << 480 << 34.6237 << 640.0 / 480.0;
    QTest::newRow("wider widget cuts top and bottom") << 800 << 400 << 2 * std::atan(320.0 / 1540.0) * 57.29578 << 2.0;
    QTest::newRow("narrower widget adds bands")
        << 400 << 600 << 2 * std::atan(960.0 / 1540.0) * 57.29578 << 400.0 / 600.0;
}

void TestViewerWidget::projection()
{
    QFETCH(int, clientW);
    QFETCH(int, clientH);
    QFETCH(double, fovy);
    QFETCH(double, aspect);
    std::vector<unsigned char> buffer(640 * 480 * 3, 0);
    ViewerWidget view(false, false);
    view.resize(clientW, clientH);
    view.setupBackground(buffer.data(), 640, 480, 770.0f);
    double fy = 0, ar = 0, zn = 0, zf = 0;
    QVERIFY(view.mainCamera()->getProjectionMatrixAsPerspective(fy, ar, zn, zf));
    QVERIFY2(std::fabs(fy - fovy) < 1e-3, qPrintable(QString::number(fy)));
    QVERIFY(std::fabs(ar - aspect) < 1e-6);
    QVERIFY(std::fabs(zn - 0.1) < 1e-6 && std::fabs(zf - 10100.0) < 1e-3);

    // The background plane: half extents Y = 10000 tan(fovy0 / 2), X = a Y.
    const osg::Geode* plane = nullptr;
    for (unsigned i = 0; i < view.rootGroup()->getNumChildren(); ++i)
        if (auto* sw = dynamic_cast<osg::Switch*>(view.rootGroup()->getChild(i));
            sw && sw->getName() == "switchBufferPlane")
            plane = sw->getChild(0)->asGeode();
    QVERIFY(plane);
    const auto* v = static_cast<const osg::Vec3Array*>(plane->getDrawable(0)->asGeometry()->getVertexArray());
    QVERIFY(std::fabs((*v)[2].y() - 3116.9) < 0.1);
    QVERIFY(std::fabs((*v)[2].x() - 4155.8) < 0.1);
    QCOMPARE((*v)[0].z(), 10000.0f);
}

void TestViewerWidget::backgroundAndLogoNodes()
{
    std::vector<unsigned char> buffer(320 * 240 * 3, 0);
    ViewerWidget view(true, false);
    sizeForFrame(view, 320, 240);
    view.setupBackground(buffer.data(), 320, 240, 500.0f);
    view.setupBackground(buffer.data(), 320, 240, 600.0f);
    int switches = 0;
    osg::Switch* sw = nullptr;
    for (unsigned i = 0; i < view.rootGroup()->getNumChildren(); ++i)
        if (view.rootGroup()->getChild(i)->getName() == "switchBufferPlane") {
            ++switches;
            sw = view.rootGroup()->getChild(i)->asSwitch();
        }
    QCOMPARE(switches, 1);
    QCOMPARE(sw->getNodeMask(), 0x10u);
    QCOMPARE(sw->getChild(0)->getName(), std::string("bufferPlane"));
    view.setMirrored(true);
    QVERIFY(!sw->getValue(0) && sw->getValue(1));
    QVERIFY(!view.tracker().KeepHorizontal());
    view.setMirrored(false);
    QVERIFY(sw->getValue(0) && !sw->getValue(1));
    QVERIFY(view.tracker().KeepHorizontal() && view.tracker().FlipVertical());

    QImage logo(100, 40, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    QVERIFY(view.setLogo(logo));
    QCOMPARE(view.logoTransform()->getMatrix().getTrans(), osg::Vec3d(view.width() - 120.0, 50.0, 0.0));
    view.resize(800, 600);
    QCoreApplication::processEvents();
    QCOMPARE(view.logoTransform()->getMatrix().getTrans(), osg::Vec3d(524.0, 20.0, 0.0));
}

QTEST_MAIN(TestViewerWidget)
#include "tst_viewerwidget.moc"
