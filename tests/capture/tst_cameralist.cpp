// The camera list: the file camera first, then the V4L2 devices, in the numbering open uses;
// nodes that cannot capture are left out.
#include "CameraList.h"
#include "CaptureTestUtil.h"
#include "VideoCaptureIM.h"
#include "VideoCaptureOCV.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace captest;

class TestCameraList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void listing_data();
    void listing();
    void listPositionIsOpenNumber();
    void nodesThatCannotCaptureAreLeftOut();

private:
    QTemporaryDir dir;
    QString video;
};

void TestCameraList::initTestCase()
{
    QVERIFY(dir.isValid());
    video = writeVideo(QDir(dir.path()));
    QVERIFY(!video.isEmpty());
}

void TestCameraList::cleanup()
{
    qunsetenv(Vandrel::kFileCameraVariable);
}

void TestCameraList::listing_data()
{
    QTest::addColumn<QString>("file");      // empty: variable unset
    QTest::addColumn<QString>("firstName"); // the file camera's name in the list
    QTest::addColumn<int>("entriesBefore"); // what the caller's list held before
    QTest::newRow("unset, list was longer") << QString() << QString() << 7;
    QTest::newRow("video, list was empty") << QStringLiteral("clip.avi") << QStringLiteral("clip.avi") << 0;
    QTest::newRow("video, list was longer") << QStringLiteral("clip.avi") << QStringLiteral("clip.avi") << 7;
    // A name that does not exist is still camera 0, so the numbering does not depend on the
    // file; opening it fails.
    QTest::newRow("missing file") << QStringLiteral("gone/missing.mp4") << QStringLiteral("missing.mp4") << 2;
}

void TestCameraList::listing()
{
    QFETCH(QString, file);
    QFETCH(QString, firstName);
    QFETCH(int, entriesBefore);
    if (!file.isEmpty())
        qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(QDir(dir.path()).filePath(file)));

    const auto devices = Vandrel::listV4L2CaptureDevices();
    const int expected = (file.isEmpty() ? 0 : 1) + static_cast<int>(devices.size());
    if (QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System).isEmpty())
        QVERIFY(devices.empty());

    Vandrel::VideoCaptureIM lister;
    QStringList names(entriesBefore, QStringLiteral("stale"));
    lister.listDevices(names);
    std::vector<std::string> plain(static_cast<size_t>(entriesBefore), "stale");
    lister.listDevices(plain);
    QCOMPARE(names.size(), expected);
    QCOMPARE(static_cast<int>(plain.size()), expected);
    if (!file.isEmpty()) {
        QCOMPARE(names.first(), firstName);
        QCOMPARE(QString::fromStdString(plain.front()), firstName);
    }
    for (size_t i = 0; i < devices.size(); ++i)
        QCOMPARE(names.at(expected - int(devices.size()) + int(i)), QString::fromStdString(devices[i].name));
}

void TestCameraList::listPositionIsOpenNumber()
{
    // With the file camera set, position 0 opens the file and every device moves up by one.
    qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(video));
    const auto cameras = Vandrel::listCameras();
    QVERIFY(!cameras.empty());
    QVERIFY(cameras.front().isFile());
    QCOMPARE(QString::fromStdString(cameras.front().filePath), video);
    for (size_t i = 1; i < cameras.size(); ++i) {
        QVERIFY(!cameras[i].isFile());
        QVERIFY(cameras[i].v4l2Index > cameras[i - 1].v4l2Index);
    }
    bool isFile = false;
    auto opened = Vandrel::openCamera(0, &isFile);
    QVERIFY(opened);
    QVERIFY(isFile);
    QVERIFY(!Vandrel::openCamera(static_cast<int>(cameras.size()), &isFile));
    QVERIFY(!isFile);
}

void TestCameraList::nodesThatCannotCaptureAreLeftOut()
{
    // A fake device folder: files, folders, character devices that are no camera, and names
    // that only look like camera nodes.
    QTemporaryDir fake;
    QVERIFY(fake.isValid());
    const QDir d(fake.path());
    QFile regular(d.filePath(QStringLiteral("video0")));
    QVERIFY(regular.open(QIODevice::WriteOnly));
    regular.close();
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), d.filePath(QStringLiteral("video1"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), d.filePath(QStringLiteral("video2"))));
    QVERIFY(d.mkpath(QStringLiteral("video3")));
    QVERIFY(QFile::link(QStringLiteral("/nowhere"), d.filePath(QStringLiteral("video4"))));
    QVERIFY(::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("video5"))).constData(), 0600) == 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), d.filePath(QStringLiteral("videoX"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), d.filePath(QStringLiteral("video-1"))));

    QVERIFY(Vandrel::listV4L2CaptureDevices(QFile::encodeName(fake.path()).toStdString()).empty());
    QVERIFY(
        Vandrel::listV4L2CaptureDevices(QFile::encodeName(d.filePath(QStringLiteral("absent"))).toStdString()).empty());
}

QTEST_GUILESS_MAIN(TestCameraList)
#include "tst_cameralist.moc"
