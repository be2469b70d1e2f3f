// Quorvane Viewer's start on the file camera: camera 0 at the first show, registration of what
// it draws, a camera that cannot be opened, and resizing.
#include "FileCamera.h"
#include "DialogAnswers.h"

#include "Archive.h"
#include "PlatformPaths.h"
#include "ProgramSetup.h"
#include "QuorvaneViewer.h"
#include "Resources.h"
#include "ViewerWidget.h"

#include <QtTest>

#include <QSettings>

using namespace quorvane; // the view's classes

class TestViewerFrameLoop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startsCameraZeroAtFirstShow();
    void cameraThatCannotOpenWarnsOnce();

private:
    QTemporaryDir m_dir;
    QString m_clip;
    QStringList m_scene; // an empty scene, so that no scene lookup warns
};

void TestViewerFrameLoop::initTestCase()
{
    quorvane::initResources();
    quorvane::machineSettings()->remove(QStringLiteral("f")); // the viewer's own default applies
    m_clip = m_dir.filePath(QStringLiteral("desk.avi"));
    QVERIFY(testutil::writeClip(m_clip, 40, {3, 8}));
    QByteArray data;
    QVERIFY(quorvane::buildViewerSceneData(quorvane::Scene(), &data, quorvane::TempCleanup::Keep));
    m_scene = QStringList{m_dir.filePath(QStringLiteral("empty.qvx2"))};
    QVERIFY(quorvane::writeViewerArchive(m_scene.first(), data, quorvane::buildLogoPng({})));
}

void TestViewerFrameLoop::startsCameraZeroAtFirstShow()
{
    qputenv("QUORVANE_CAMERA", m_clip.toLocal8Bit());
    DialogAnswers catcher;
    QuorvaneViewer w(m_scene);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(w.trackingMode(), QuorvaneViewer::Video);
    QCOMPARE(catcher.dialogs, 0);
    QCOMPARE(w.cameraIndex(), 0);
    QVERIFY(w.timer()->isActive());
    QCOMPARE(w.viewWidget()->frameWidth(), 640);
    QCOMPARE(w.viewWidget()->focalLength(), 700.0f);
    QTRY_COMPARE_WITH_TIMEOUT(w.viewWidget()->tracker().GetMarkers().size(), size_t(2), 5000);

    // The viewer shows the camera as a mirror does, and the tracker follows that convention.
    QVERIFY(w.viewWidget()->isMirrored());
    QVERIFY(!w.viewWidget()->tracker().KeepHorizontal());
    if (qEnvironmentVariableIsSet("QUORVANE_SCREENSHOTS"))
        w.grab().save(qEnvironmentVariable("QUORVANE_SCREENSHOTS") + QStringLiteral("/viewer-video.png"));

    // A resize sets the background up again for the new shape.
    w.resize(900, 500);
    QTRY_VERIFY(w.viewWidget()->width() > 800);
    QTRY_COMPARE_WITH_TIMEOUT(w.viewWidget()->tracker().GetMarkers().size(), size_t(2), 5000);
    qunsetenv("QUORVANE_CAMERA");
}

void TestViewerFrameLoop::cameraThatCannotOpenWarnsOnce()
{
    qputenv("QUORVANE_CAMERA", m_dir.filePath(QStringLiteral("unplugged.avi")).toLocal8Bit());
    DialogAnswers catcher;
    QuorvaneViewer w(m_scene);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(catcher.dialogs, 1);
    QTest::qWait(200);
    QCOMPARE(catcher.texts, QStringList{QStringLiteral("No se pudo inicializar la cámara.")});
    QCOMPARE(w.trackingMode(), QuorvaneViewer::None);
    QVERIFY(!w.hasVideoSource());
    qunsetenv("QUORVANE_CAMERA");
}

QTEST_MAIN(TestViewerFrameLoop)
#include "tst_viewer_frameloop.moc"
