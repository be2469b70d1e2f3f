// Content on markers as drawn: a picture registered on its marker, the selection outline, video
// that plays while its marker is seen, labels added by double-click, and text in any script.
#include "FrameSynth.h"
#include "Label3d.h"
#include "DialogAnswers.h"
#include "OsgGLWidget.h"
#include "RenderCheck.h"
#include "ViewerWidget.h"

#include <QtTest>

#include <QMouseEvent>

#include <osg/Geode>
#include <osg/ShapeDrawable>
#include <osgDB/WriteFile>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

using namespace quorvane; // the view's classes

using namespace trk;

namespace {

constexpr int W = 640, H = 480;
constexpr float F = 700.0f;

// Pixels of a pure colour (red, green, blue order) within tolerance.
cv::Mat colourMask(const cv::Mat& rgb, cv::Scalar lo, cv::Scalar hi)
{
    cv::Mat m;
    cv::inRange(rgb, lo, hi, m);
    return m;
}

cv::Mat quadMask(const SynthTruth& t, int grow)
{
    std::vector<cv::Point> q;
    for (const SPoint2f& c : t.corners)
        q.emplace_back(int(std::lround(c.x)), int(std::lround(c.y)));
    return testutil::quadMask(q, W, H, grow);
}

struct Stage
{
    ViewerWidget view{false, false};
    std::vector<unsigned char> buffer = std::vector<unsigned char>(W * H * 3);
    SynthFrame frame;

    Stage()
    {
        view.resize(W + 2, H + 2);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qWarning("the view was not exposed");
    }
    // Shows a new camera picture with these markers.
    void show(const std::vector<SynthMarker>& markers)
    {
        SynthOptions o;
        o.focal = F;
        frame = SynthesizeFrame(markers, o);
        std::copy(frame.frame.data, frame.frame.data + buffer.size(), buffer.begin());
        if (!view.backgroundImage()) {
            view.setupBackground(buffer.data(), W, H, F);
            view.setMirrored(false);
        }
    }
    cv::Mat render() { return testutil::rgbMat(view.grabFrame()); }
};

} // namespace

class TestContentView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pictureStandsOnItsMarker();
    void onlySelectedSlotIsOutlined();
    void videoPlaysWhileItsMarkerIsSeen();
    void doubleClickAddsALabel();
    void labelsDrawAnyScript();
    void screenshot();

private:
    QTemporaryDir m_dir;
    QString m_red, m_cube, m_video;
};

void TestContentView::initTestCase()
{
    m_red = m_dir.filePath(QStringLiteral("red.png"));
    QVERIFY(cv::imwrite(m_red.toStdString(), cv::Mat(135, 135, CV_8UC3, cv::Scalar(0, 0, 255))));
    osg::ref_ptr<osg::Geode> cube = new osg::Geode;
    cube->addDrawable(new osg::ShapeDrawable(new osg::Box(osg::Vec3(), 2.0f)));
    m_cube = m_dir.filePath(QStringLiteral("cube.osgt"));
    QVERIFY(osgDB::writeNodeFile(*cube, m_cube.toStdString()));
    // Ten frames, each one grey level brighter than the one before.
    m_video = m_dir.filePath(QStringLiteral("steps.avi"));
    cv::VideoWriter w(m_video.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 10.0, cv::Size(32, 32));
    QVERIFY(w.isOpened());
    for (int i = 0; i < 10; ++i)
        w.write(cv::Mat(32, 32, CV_8UC3, cv::Scalar::all(20 + 20 * i)));
}

void TestContentView::pictureStandsOnItsMarker()
{
    // A picture of the marker's own size covers the printed marker exactly.
    Stage s;
    QVERIFY(s.view.setMarkerContent(6, m_red));
    s.show({PoseMarker(6, 650.0f, 25.0f, 30.0f, -20.0f, -40.0f, 20.0f, F)});
    const cv::Mat img = s.render();
    const cv::Mat red = colourMask(img, cv::Scalar(200, 0, 0), cv::Scalar(255, 60, 60));
    const cv::Mat inside = quadMask(s.frame.truth[0], -2);
    QCOMPARE(cv::countNonZero(inside & ~red), 0);
    const cv::Mat ring = quadMask(s.frame.truth[0], 4) & ~quadMask(s.frame.truth[0], 2);
    QCOMPARE(cv::countNonZero(ring & red), 0);
}

void TestContentView::onlySelectedSlotIsOutlined()
{
    Stage s;
    for (int n : {1, 2}) {
        QVERIFY(s.view.setMarkerContent(n, m_cube));
        s.view.slot(n)->autoScale(60.0f);
    }
    s.view.slot(2)->setSelected(true);
    s.show({PoseMarker(1, 700.0f, 0, 20, 0, -150, 0, F), PoseMarker(2, 700.0f, 0, 20, 0, 150, 0, F)});
    s.render(); // the update traversal turns the outline on
    const cv::Mat img = s.render();
    const cv::Mat red = colourMask(img, cv::Scalar(200, 0, 0), cv::Scalar(255, 50, 50));
    const int left = cv::countNonZero(red(cv::Rect(0, 0, W / 2, H)));
    const int right = cv::countNonZero(red(cv::Rect(W / 2, 0, W / 2, H)));
    QVERIFY2(left == 0 && right > 200, qPrintable(QStringLiteral("left %1 right %2").arg(left).arg(right)));
    // Selection adds the outline and changes nothing inside it: both cubes look the same.
    const cv::Vec3b plain = img.at<cv::Vec3b>(H / 2 - 30, W / 2 - 150),
                    selected = img.at<cv::Vec3b>(H / 2 - 30, W / 2 + 150);
    QVERIFY2(cv::norm(plain, selected, cv::NORM_INF) < 30 && plain[0] > 60,
             qPrintable(QStringLiteral("plain %1 selected %2").arg(plain[0]).arg(selected[0])));
    QVERIFY(s.view.slot(2)->outline()->getEnabled() && !s.view.slot(1)->outline()->getEnabled());
}

void TestContentView::videoPlaysWhileItsMarkerIsSeen()
{
    Stage s;
    QVERIFY(s.view.setMarkerContent(9, m_video));
    auto level = [&] { return int(s.view.slot(9)->videoImage()->data()[0]); };
    QVERIFY(std::abs(level() - 20) < 8); // the first frame is shown at once
    const SynthMarker seen = PoseMarker(9, 650.0f, 0, 10, 0, 0, 0, F);
    s.show({seen});
    std::vector<int> levels;
    for (int i = 0; i < 3; ++i) {
        s.render();
        levels.push_back(level());
    }
    for (size_t i = 0; i < levels.size(); ++i)
        QVERIFY2(std::abs(levels[i] - (40 + 20 * int(i))) < 8, qPrintable(QString::number(levels[i])));

    // Not seen: paused where it was.
    s.show({});
    for (int i = 0; i < 3; ++i)
        s.render();
    QCOMPARE(level(), levels.back());

    // Seen again until the end: the last frame stays.
    s.show({seen});
    for (int i = 0; i < 12; ++i)
        s.render();
    QVERIFY(std::abs(level() - 200) < 8);
}

void TestContentView::doubleClickAddsALabel()
{
    Stage s;
    QVERIFY(s.view.setMarkerContent(6, m_red));
    s.show({PoseMarker(6, 600.0f, 0, 0, 0, 0, 0, F)});
    s.render();

    DialogAnswers catcher;
    auto doubleClick = [&](QPoint p) {
        QTest::mouseDClick(s.view.glWidget(), Qt::LeftButton, Qt::NoModifier, p);
        s.render(); // the click is handled in the next frame's event traversal
        QTest::qWait(100);
    };
    // Ctrl + move over the content shows the 3D cursor on it; moving without Ctrl hides it.
    auto move = [&](QPoint p, Qt::KeyboardModifiers mods) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), s.view.glWidget()->mapToGlobal(QPointF(p)), Qt::NoButton,
                      Qt::NoButton, mods);
        QCoreApplication::sendEvent(s.view.glWidget(), &e);
        s.render();
    };
    move(QPoint(W / 2 + 5, H / 2 + 5), Qt::ControlModifier);
    QCOMPARE(s.view.pickMarker()->getNodeMask(), 2u);
    const osg::Vec3d cursor = s.view.pickMarker()->getPosition();
    QVERIFY(cursor.z() > 300 && cursor.z() < 900); // on the marker, about 600 units in front of the camera
    move(QPoint(W / 2 + 8, H / 2 + 5), Qt::NoModifier);
    QCOMPARE(s.view.pickMarker()->getNodeMask(), 0u);

    doubleClick(QPoint(15, 15)); // the background: nothing
    QCOMPARE(catcher.dialogs, 0);
    QVERIFY(s.view.markerLabels(6).empty());

    doubleClick(QPoint(W / 2 + 10, H / 2 - 5)); // the picture on the marker
    QTRY_COMPARE(catcher.dialogs, 1);
    QCOMPARE(catcher.titles, QStringList{QStringLiteral("Editar etiqueta")});
    const std::vector<Label3d*> labels = s.view.markerLabels(6);
    QCOMPARE(labels.size(), size_t(1));
    QCOMPARE(QString::fromStdString(labels[0]->textUtf8()), QStringLiteral("Escribe aquí..."));
    QCOMPARE(labels[0]->fontColor(), osg::Vec4(0, 0, 0, 1));
    QCOMPARE(labels[0]->backgroundColor(), osg::Vec4(1, 1, 1, 1));
    QVERIFY((labels[0]->textPosition() - labels[0]->anchor() - osg::Vec3(50, 0, 0)).length() < 1e-3);
    // The anchor lies on the picture (its plane, within its square).
    QVERIFY(std::fabs(labels[0]->anchor().z()) < 1e-2 && std::fabs(labels[0]->anchor().x()) < 68);

    // Drawn where it belongs: the label's white box appears to the right of the hit point.
    const cv::Mat img = s.render();
    const cv::Mat white = colourMask(img, cv::Scalar(235, 235, 235), cv::Scalar(255, 255, 255));
    QVERIFY(cv::countNonZero(white(cv::Rect(W / 2 + 40, H / 2 - 40, 120, 70))) > 100);
}

void TestContentView::labelsDrawAnyScript()
{
    // Different characters draw differently: a font without the script would draw every one of
    // them as the same empty box.
    Stage s;
    QVERIFY(s.view.setMarkerContent(6, m_red));
    s.show({PoseMarker(6, 600.0f, 0, 0, 0, 0, 0, F)});
    auto drawn = [&](const char* utf8) {
        for (Label3d* l : s.view.markerLabels(6))
            s.view.slot(6)->removeLabel(l);
        s.view.addMarkerLabel(6, utf8, osg::Vec4(0, 0, 0, 1), osg::Vec4(1, 1, 1, 1), osg::Vec3(), 0, 0, 40);
        cv::Mat grey;
        cv::cvtColor(s.render(), grey, cv::COLOR_RGB2GRAY);
        return grey;
    };
    struct Pair
    {
        const char* a;
        const char* b;
    };
    for (const Pair& p : {Pair{"中", "文"}, Pair{"ñ", "n"}, Pair{"é", "e"}}) {
        const cv::Mat a = drawn(p.a), b = drawn(p.b);
        cv::Mat diff;
        cv::absdiff(a, b, diff);
        QVERIFY2(cv::countNonZero(diff > 60) > 20, p.a);
        // The glyph itself is dark on the white box.
        QVERIFY2(cv::countNonZero(a < 60) > 20, p.a);
    }
}

void TestContentView::screenshot()
{
    // Models, a picture and a video standing on their markers, with a label; saved for people
    // to look at when QUORVANE_SCREENSHOTS names a folder.
    Stage s;
    QVERIFY(s.view.setMarkerContent(0, QStringLiteral("/usr/share/assimp/models/Collada/duck.dae")));
    s.view.slot(0)->autoScale(135.0f);
    s.view.slot(0)->autoTranslate();
    QVERIFY(s.view.setMarkerContent(1, m_red));
    QVERIFY(s.view.setMarkerContent(2, m_video));
    s.view.slot(2)->autoScale(135.0f);
    s.view.addMarkerLabel(0, "Pato de goma · 鸭子", osg::Vec4(1, 1, 1, 1), osg::Vec4(0.1f, 0.3f, 0.6f, 1),
                          osg::Vec3(0, 0, -80), 60, 30, 14);
    s.view.slot(0)->setSelected(true);
    s.show({PoseMarker(0, 800, 10, 35, 10, -150, 60, F), PoseMarker(1, 800, -20, 30, -10, 160, -100, F),
            PoseMarker(2, 850, 0, 20, 0, 170, 120, F)});
    s.render();
    const QImage shot = s.view.grabFrame();
    QCOMPARE(s.view.tracker().GetMarkers().size(), size_t(3));
    if (qEnvironmentVariableIsSet("QUORVANE_SCREENSHOTS"))
        shot.save(qEnvironmentVariable("QUORVANE_SCREENSHOTS") + QStringLiteral("/content-on-markers.png"));
}

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
