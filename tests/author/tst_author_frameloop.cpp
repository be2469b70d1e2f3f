// Quorvane Author's frame loop on the file camera: the tracking modes as a user switches
// between camera and photograph, camera choice and failures, and buffers that follow the view.
#include "FileCamera.h"
#include "DialogAnswers.h"
#include "Quorvane.h"
#include "Resources.h"
#include "ViewerWidget.h"
#include "ui_Quorvane.h"

#include <QFileDialog>
#include <QtTest>

#include <opencv2/imgcodecs.hpp>

using namespace quorvane; // the view's classes

class TestAuthorFrameLoop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cameraAndPhotoModes();
    void noCameraListed();
    void cameraThatFailsToOpen();
    void selectDialogEvenForOneCamera();
    void resizeReallocatesTheBuffer();
    void cancelledOrUnreadablePhotoChangesNothing();

private:
    QTemporaryDir m_dir;
    QString m_clip, m_photo;
};

void TestAuthorFrameLoop::initTestCase()
{
    quorvane::initResources();
    m_clip = m_dir.filePath(QStringLiteral("desk.avi"));
    QVERIFY(testutil::writeClip(m_clip, 40, {0, 5}));
    m_photo = m_dir.filePath(QStringLiteral("photo.png"));
    trk::SynthOptions o;
    o.width = 800;
    o.height = 600;
    QVERIFY(cv::imwrite(m_photo.toStdString(),
                        trk::SynthesizeFrame({trk::PoseMarker(7, 600.0f, 0, 10, 0, 0, 0, o.focal)}, o).Picture()));
}

void TestAuthorFrameLoop::cameraAndPhotoModes()
{
    qputenv("QUORVANE_CAMERA", m_clip.toLocal8Bit());
    Quorvane w;
    w.resize(1100, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.trackingMode(), Quorvane::None);

    // One camera: the first click opens it without asking.
    DialogAnswers none;
    w.form()->btn_webcam->click();
    QCOMPARE(w.trackingMode(), Quorvane::Video);
    QCOMPARE(none.dialogs, 0);
    QCOMPARE(w.cameraIndex(), 0);
    QVERIFY(w.form()->btn_webcam->isChecked());
    QVERIFY(w.timer()->isActive());
    QCOMPARE(w.frameWidthPx(), 640);
    const void* camera = w.videoSourcePtr();

    // The view tracks the clip: both markers are found within a few frames.
    QTRY_COMPARE_WITH_TIMEOUT(w.viewWidget()->tracker().GetMarkers().size(), size_t(2), 5000);
    if (qEnvironmentVariableIsSet("QUORVANE_SCREENSHOTS"))
        w.grab().save(qEnvironmentVariable("QUORVANE_SCREENSHOTS") + QStringLiteral("/author-video.png"));

    // Second click: frames stop, the camera stays open and the loop keeps running.
    w.form()->btn_webcam->click();
    QCOMPARE(w.trackingMode(), Quorvane::None);
    QVERIFY(w.hasVideoSource());
    QVERIFY(w.timer()->isActive());
    // Third: resumes on the same camera.
    w.form()->btn_webcam->click();
    QCOMPARE(w.trackingMode(), Quorvane::Video);
    QCOMPARE(w.videoSourcePtr(), camera);

    // A photograph while the camera runs: the video button goes off, the camera stays open.
    QVERIFY(w.showPhoto(m_photo));
    QCOMPARE(w.trackingMode(), Quorvane::Photo);
    QVERIFY(!w.form()->btn_webcam->isChecked());
    QVERIFY(w.hasVideoSource());
    QCOMPARE(w.viewWidget()->frameWidth(), 800);
    QTRY_COMPARE_WITH_TIMEOUT(w.viewWidget()->tracker().GetMarkers().size(), size_t(1), 5000);
    QCOMPARE(w.viewWidget()->tracker().GetMarkers()[0].code, 0x0777);

    // Back to video reuses the open camera.
    w.form()->btn_webcam->click();
    QCOMPARE(w.trackingMode(), Quorvane::Video);
    QCOMPARE(w.videoSourcePtr(), camera);
    QCOMPARE(w.viewWidget()->frameWidth(), 640);
    qunsetenv("QUORVANE_CAMERA");
}

void TestAuthorFrameLoop::noCameraListed()
{
    if (QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System).size() > 0)
        QSKIP("this machine has a camera device");
    qunsetenv("QUORVANE_CAMERA");
    Quorvane w;
    w.show();
    DialogAnswers catcher;
    w.form()->btn_webcam->click();
    QCOMPARE(catcher.texts, QStringList{QStringLiteral("No se detectaron cámaras.")});
    QCOMPARE(catcher.titles, QStringList{QStringLiteral("Error")});
    QCOMPARE(w.trackingMode(), Quorvane::None);
    QCOMPARE(w.cameraIndex(), -1);
    QVERIFY(!w.form()->btn_webcam->isChecked());
}

void TestAuthorFrameLoop::cameraThatFailsToOpen()
{
    qputenv("QUORVANE_CAMERA", m_dir.filePath(QStringLiteral("unplugged.avi")).toLocal8Bit());
    Quorvane w;
    w.show();
    DialogAnswers catcher;
    w.form()->btn_webcam->click();
    QCOMPARE(catcher.texts, QStringList{QStringLiteral("No se pudo inicializar la cámara.")});
    QCOMPARE(w.trackingMode(), Quorvane::None);
    QVERIFY(!w.hasVideoSource());
    QVERIFY(!w.form()->btn_webcam->isChecked());
    qunsetenv("QUORVANE_CAMERA");
}

void TestAuthorFrameLoop::selectDialogEvenForOneCamera()
{
    qputenv("QUORVANE_CAMERA", m_clip.toLocal8Bit());
    Quorvane w;
    w.show();
    DialogAnswers catcher;
    w.form()->actionCamara_seleccionar->trigger();
    QCOMPARE(catcher.dialogs, 1);
    QCOMPARE(catcher.titles, QStringList{QStringLiteral("Selección")});
    QCOMPARE(w.cameraIndex(), 0);
    // Not in video mode: the camera opens at the next switch to video, without a dialog.
    QVERIFY(!w.hasVideoSource());
    w.form()->btn_webcam->click();
    QCOMPARE(catcher.dialogs, 1);
    QCOMPARE(w.trackingMode(), Quorvane::Video);
    qunsetenv("QUORVANE_CAMERA");
}

void TestAuthorFrameLoop::resizeReallocatesTheBuffer()
{
    qputenv("QUORVANE_CAMERA", m_clip.toLocal8Bit());
    Quorvane w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.form()->btn_webcam->click();
    QTRY_VERIFY(w.frameBufferData() != nullptr);
    QTest::qWait(100); // a tick notes the view's size
    const unsigned char* before = w.frameBufferData();
    w.resize(1200, 800);
    QTRY_VERIFY_WITH_TIMEOUT(w.frameBufferData() != before, 3000);
    QCOMPARE(w.viewWidget()->frameWidth(), 640);
    QTRY_COMPARE_WITH_TIMEOUT(w.viewWidget()->tracker().GetMarkers().size(), size_t(2), 5000);
    qunsetenv("QUORVANE_CAMERA");
}

void TestAuthorFrameLoop::cancelledOrUnreadablePhotoChangesNothing()
{
    Quorvane w;
    w.show();
    const QString junk = m_dir.filePath(QStringLiteral("junk.png"));
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("no picture here");
    f.close();
    QVERIFY(!w.showPhoto(junk));
    QVERIFY(!w.showPhoto(m_dir.filePath(QStringLiteral("missing.png"))));
    QCOMPARE(w.trackingMode(), Quorvane::None);

    // The photo dialog, cancelled.
    {
        DialogAnswers cancel({}, false);
        w.form()->btn_photocam->click();
        QCOMPARE(cancel.dialogs, 1);
        QCOMPARE(w.trackingMode(), Quorvane::None);
    }

    // A text file named as a picture, chosen in the dialog: the user is told, nothing changes.
    DialogAnswers choose;
    choose.onDialog = [&junk](QDialog* d) {
        if (auto* files = qobject_cast<QFileDialog*>(d))
            files->selectFile(junk);
    };
    w.form()->btn_photocam->click();
    QTRY_COMPARE(choose.dialogs, 2);
    QCOMPARE(choose.titles.value(1), QStringLiteral("Error"));
    QCOMPARE(choose.texts.value(0), QStringLiteral("El fichero %1 no es una imagen que se pueda abrir.").arg(junk));
    QCOMPARE(w.trackingMode(), Quorvane::None);
}

QTEST_MAIN(TestAuthorFrameLoop)
#include "tst_author_frameloop.moc"
