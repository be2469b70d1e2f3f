// Pose estimation against the synthesiser's ground truth, and the closed-form cases.
#include "FrameSynth.h"
#include "MarkerCodes.h"
#include "PoseEstimate.h"
#include "TrackerTestUtil.h"

#include <QtTest>

#include <cmath>

using namespace trk;
using namespace testutil;

class TestPose : public QObject
{
    Q_OBJECT
private slots:
    void againstGroundTruth_data();
    void againstGroundTruth();
    void headOnDistance_data();
    void headOnDistance();
    void quarterTurnTurnsAboutNormal();
    void mirroredViewMirrorsPose();
};

void TestPose::againstGroundTruth_data()
{
    QTest::addColumn<float>("distance");
    QTest::addColumn<float>("tilt");
    QTest::addColumn<float>("spin");
    for (float d : {350.0f, 700.0f, 1200.0f})
        for (float tilt : {0.0f, 30.0f, 55.0f})
            for (float spin : {0.0f, 37.0f, 200.0f})
                QTest::addRow("d %.0f, tilt %.0f, spin %.0f", double(d), double(tilt), double(spin))
                    << d << tilt << spin;
}

void TestPose::againstGroundTruth()
{
    QFETCH(float, distance);
    QFETCH(float, tilt);
    QFETCH(float, spin);
    SynthOptions o;
    o.background = SynthOptions::Textured;
    const SynthMarker sm = PoseMarker(6, distance, spin, tilt, 0.4f * tilt, 40.0f, -25.0f, o.focal);
    const SynthFrame f = SynthesizeFrame({sm}, o);
    QCOMPARE(f.truth.size(), size_t(1));

    CMarkerDetector d;
    setupView(d, o.width, o.height, o.focal);
    // From the view's starting threshold the first frame may need the automatic threshold to settle.
    for (int i = 0; i < 3 && d.GetMarkers().empty(); ++i)
        d.ProcessFrame(f.frame.data);
    QCOMPARE(d.GetMarkers().size(), size_t(1));
    const CMarkerMatrix& m = d.GetMarkers()[0];
    QCOMPARE(m.code, kMarkerCodes[6]);

    const SynthTruth& t = f.truth[0];
    for (int i = 0; i < 4; ++i) {
        const cv::Point2f c = pictureCorner(m.corners[i], o.width, o.height);
        QVERIFY2(cv::norm(c - cv::Point2f(t.corners[i].x, t.corners[i].y)) < 0.5,
                 qPrintable(QStringLiteral("corner %1 off by %2 px")
                                .arg(i)
                                .arg(cv::norm(c - cv::Point2f(t.corners[i].x, t.corners[i].y)))));
    }
    const float dt = (m.translation - t.translation).Length();
    QVERIFY2(dt < 0.01f * distance, qPrintable(QStringLiteral("translation off by %1").arg(dt)));
    // Head-on, a square's tilt is weakly determined by its corners; the bound widens there.
    const float dr = RotationDistanceDeg(m.rotation, t.rotation);
    QVERIFY2(dr < (tilt == 0.0f ? 4.0f : 1.5f), qPrintable(QStringLiteral("rotation off by %1 deg").arg(dr)));
}

void TestPose::headOnDistance_data()
{
    QTest::addColumn<float>("a");
    QTest::addColumn<float>("focal");
    QTest::newRow("a 50, f 700") << 50.0f << 700.0f;
    QTest::newRow("a 135, f 500") << 135.0f << 500.0f;
    QTest::newRow("a 12, f 770") << 12.0f << 770.0f;
}

void TestPose::headOnDistance()
{
    // A centred marker seen head-on: t = (0, 0, -f s / (2a)), rotation half a turn about x.
    QFETCH(float, a);
    QFETCH(float, focal);
    CSquareMarker m;
    const SPoint2f corners[4] = {{-a, -a}, {-a, a}, {a, a}, {a, -a}};
    std::copy(corners, corners + 4, m.corners);
    EstimatePose(m, 135.0f, focal, 3);
    const float d = focal * 135.0f / (2.0f * a);
    QVERIFY(std::fabs(m.translation[0]) < 1e-3f * d);
    QVERIFY(std::fabs(m.translation[1]) < 1e-3f * d);
    QVERIFY(std::fabs(m.translation[2] + d) < 1e-4f * d);
    QVERIFY(RotationDistanceDeg(m.rotation, AxisAngle({1, 0, 0}, 3.14159265f)) < 0.01f);
    QVERIFY(ReprojectionError(m, 135.0f, focal) < 1e-6f);
}

void TestPose::quarterTurnTurnsAboutNormal()
{
    SynthOptions o;
    const SynthMarker sm = PoseMarker(0, 600.0f, 10.0f, 25.0f, -15.0f, 30.0f, 20.0f, o.focal);
    const SynthFrame f = SynthesizeFrame({sm}, o);
    CSquareMarker a, b;
    for (int i = 0; i < 4; ++i) {
        const SPoint2f& c = f.truth[0].corners[i];
        a.corners[i] = {c.x - o.width * 0.5f, c.y - o.height * 0.5f};
    }
    for (int i = 0; i < 4; ++i)
        b.corners[i] = a.corners[(i + 1) % 4]; // the same square, read a quarter turn on
    EstimatePose(a, 135.0f, o.focal, 3);
    EstimatePose(b, 135.0f, o.focal, 3);

    QVERIFY((a.translation - b.translation).Length() < 0.01f);
    // b's rotation is a's followed by a quarter turn about the marker's own z axis.
    const CMatrix3 Ra = a.rotation.ToMatrix(), Rb = b.rotation.ToMatrix();
    CMatrix3 rel; // Ra^T Rb
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rel(i, j) = Ra.Column(i).Dot(Rb.Column(j));
    QVERIFY(std::fabs(rel(2, 2) - 1.0f) < 1e-4f);
    QVERIFY(std::fabs(std::fabs(rel(0, 1)) - 1.0f) < 1e-4f);
    QVERIFY(RotationDistanceDeg(a.rotation, b.rotation) > 89.9f);
}

void TestPose::mirroredViewMirrorsPose()
{
    // Clearing bKeepHorizontal mirrors u: the translation's x changes sign, the rest stays.
    SynthOptions o;
    const SynthFrame f = SynthesizeFrame({PoseMarker(3, 650.0f, 20.0f, 30.0f, 10.0f, 90.0f, -30.0f, o.focal)}, o);
    CMarkerDetector plain, mirrored;
    setupView(plain, o.width, o.height, o.focal);
    trk::SetupLikeView(mirrored, o.width, o.height, o.focal);
    plain.ProcessFrame(f.frame.data);
    mirrored.ProcessFrame(f.frame.data);
    QCOMPARE(plain.GetMarkers().size(), size_t(1));
    QCOMPARE(mirrored.GetMarkers().size(), size_t(1));
    const CVector3 tp = plain.GetMarkers()[0].translation, tm = mirrored.GetMarkers()[0].translation;
    // The principal point sits half a pixel off the mirror axis, so x differs by about one pixel's worth.
    QVERIFY(std::fabs(tp[0] + tm[0]) < 0.01f * -tp[2]);
    QVERIFY(std::fabs(tp[1] - tm[1]) < 0.01f);
    QVERIFY(std::fabs(tp[2] - tm[2]) < 0.5f);
}

QTEST_APPLESS_MAIN(TestPose)
#include "tst_pose.moc"
