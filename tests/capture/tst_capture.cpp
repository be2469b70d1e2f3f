// The video sources over the file camera: opening camera 0, frame size, frame layout,
// looping, sizes that disagree with the caller's buffer, and failures.
#include "CameraList.h"
#include "CaptureTestUtil.h"
#include "VideoCaptureIM.h"
#include "VideoCaptureOCV.h"
#include "VideoCaptureOCVVideo.h"

#include <QtTest>

#include <cstring>
#include <memory>
#include <vector>

using namespace captest;

namespace {

constexpr uchar kFill = 0x5A;
constexpr size_t kGuard = 64;

// A caller's buffer with guard bytes after it, all filled with kFill.
struct GuardedBuffer
{
    explicit GuardedBuffer(size_t bytesUsed) : bytes(bytesUsed + kGuard, kFill), size(bytesUsed) {}
    uchar* data() { return bytes.data(); }
    bool guardIntact() const
    {
        for (size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != kFill)
                return false;
        return true;
    }
    bool untouched() const
    {
        for (uchar b : bytes)
            if (b != kFill)
                return false;
        return true;
    }
    std::vector<uchar> bytes;
    size_t size;
};

int deviceCount()
{
    return static_cast<int>(Vandrel::listV4L2CaptureDevices().size());
}

enum class Source { OCV, IM };

std::unique_ptr<Vandrel::VideoCapture> openSource(Source source, int device)
{
    if (source == Source::OCV) {
        auto camera = std::make_unique<Vandrel::VideoCaptureOCV>();
        camera->open(device, 640, 480);
        return camera;
    }
    auto camera = std::make_unique<Vandrel::VideoCaptureIM>();
    camera->open(device);
    return camera;
}

// Every picture pixel of the common rectangle of the pattern and a tw x th bottom-row-first
// target matches exactly, and the rest of the target keeps kFill.
QString checkCommonRectangle(const uchar* data, int tw, int th, int frameIndex)
{
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x) {
            const uchar* p = pixelAt(data, tw, th, x, y);
            const bool inside = x < kWidth && y < kHeight;
            const cv::Vec3b want =
                inside ? expectedColour(x, y, kWidth, kHeight, frameIndex) : cv::Vec3b(kFill, kFill, kFill);
            if (p[0] != want[0] || p[1] != want[1] || p[2] != want[2])
                return QStringLiteral("target pixel (%1, %2) wrong").arg(x).arg(y);
        }
    return QString();
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void opensFileCamera_data();
    void opensFileCamera();
    void grabIntoKeepsCallersMemory_data();
    void grabIntoKeepsCallersMemory();
    void videoLoopsAndPictureRepeats();
    void targetOfAnotherSize_data();
    void targetOfAnotherSize();
    void failuresAreReturnValues_data();
    void failuresAreReturnValues();
    void sizeRequests();
    void videoFileSource();

private:
    QTemporaryDir dir;
    QString video;
    QString picture;
    static constexpr int kPictureFrame = 2;
};

void TestCapture::initTestCase()
{
    QVERIFY(dir.isValid());
    video = writeVideo(QDir(dir.path()));
    picture = writePicture(QDir(dir.path()), kPictureFrame);
    QVERIFY(!video.isEmpty());
    QVERIFY(!picture.isEmpty());
}

void TestCapture::cleanup()
{
    qunsetenv(Vandrel::kFileCameraVariable);
}

void TestCapture::opensFileCamera_data()
{
    QTest::addColumn<bool>("useVideo");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("tolerance");
    // The video is stored as JPEG pictures: colours come back within a few levels.
    QTest::newRow("video, OpenCV camera") << true << int(Source::OCV) << 24;
    QTest::newRow("video, lister camera") << true << int(Source::IM) << 24;
    QTest::newRow("picture, OpenCV camera") << false << int(Source::OCV) << 0;
    QTest::newRow("picture, lister camera") << false << int(Source::IM) << 0;
}

void TestCapture::opensFileCamera()
{
    QFETCH(bool, useVideo);
    QFETCH(int, source);
    QFETCH(int, tolerance);
    qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(useVideo ? video : picture));

    auto camera = openSource(Source(source), 0);
    QVERIFY(camera->isConnected());
    // The file's size wins over the size asked for.
    QCOMPARE(camera->getWidth(), kWidth);
    QCOMPARE(camera->getHeight(), kHeight);

    GuardedBuffer buffer(size_t(kWidth) * kHeight * 3);
    camera->grabFrame(buffer.data());
    // The first frame of the file (no start-up frames are skipped for a file), blue-green-red,
    // bottom row first.
    const QString mismatch = checkPattern(buffer.data(), kWidth, kHeight, useVideo ? 0 : kPictureFrame, tolerance);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QVERIFY(buffer.guardIntact());

    camera->grabFrame(nullptr); // nothing to copy into: nothing happens
}

void TestCapture::grabIntoKeepsCallersMemory_data()
{
    QTest::addColumn<bool>("header");
    QTest::newRow("header over the caller's buffer") << true;
    QTest::newRow("empty matrix") << false;
}

void TestCapture::grabIntoKeepsCallersMemory()
{
    QFETCH(bool, header);
    qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(picture));
    Vandrel::VideoCaptureOCV camera;
    QVERIFY(camera.open(0, 640, 480));

    GuardedBuffer buffer(size_t(kWidth) * kHeight * 3);
    cv::Mat image;
    if (header)
        image = cv::Mat(camera.getHeight(), camera.getWidth(), CV_8UC3, buffer.data());
    camera.grabInto(image);
    QCOMPARE(image.cols, kWidth);
    QCOMPARE(image.rows, kHeight);
    QCOMPARE(image.type(), CV_8UC3);
    QVERIFY(image.isContinuous());
    if (header)
        QCOMPARE(static_cast<void*>(image.data), static_cast<void*>(buffer.data()));
    const QString mismatch = checkPattern(image.data, kWidth, kHeight, kPictureFrame, 0);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QVERIFY(buffer.guardIntact());
}

void TestCapture::videoLoopsAndPictureRepeats()
{
    qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(picture));
    {
        Vandrel::VideoCaptureOCV camera;
        QVERIFY(camera.open(0, 640, 480));
        std::vector<uchar> buffer(size_t(kWidth) * kHeight * 3);
        for (int i = 0; i < 3; ++i) {
            std::fill(buffer.begin(), buffer.end(), kFill);
            camera.grabFrame(buffer.data());
            QCOMPARE(frameIndexOf(buffer.data(), kWidth, kHeight), kPictureFrame);
        }
    }

    // A copy of its own, so that it can vanish without touching the other tests' video.
    const QString own = QDir(dir.path()).filePath(QStringLiteral("vanishing.avi"));
    QVERIFY(QFile::copy(video, own));
    qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(own));
    Vandrel::VideoCaptureOCV camera;
    QVERIFY(camera.open(0, 640, 480));
    std::vector<uchar> buffer(size_t(kWidth) * kHeight * 3);
    for (int i = 0; i < 2 * kFrames + 2; ++i) {
        std::fill(buffer.begin(), buffer.end(), kFill);
        camera.grabFrame(buffer.data());
        QCOMPARE(frameIndexOf(buffer.data(), kWidth, kHeight), i % kFrames);
    }

    // The file disappears: once the frames already open run out there is nothing to loop
    // to, and grabs leave the buffer as it was.
    QVERIFY(QFile::remove(own));
    for (int i = 0; i < kFrames; ++i)
        camera.grabFrame(buffer.data());
    std::fill(buffer.begin(), buffer.end(), kFill);
    camera.grabFrame(buffer.data());
    camera.grabFrame(buffer.data());
    QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](uchar b) { return b == kFill; }));
}

void TestCapture::targetOfAnotherSize_data()
{
    QTest::addColumn<int>("targetWidth");
    QTest::addColumn<int>("targetHeight");
    QTest::newRow("smaller") << kWidth / 2 << kHeight / 2;
    QTest::newRow("larger") << kWidth + 16 << kHeight + 8;
    QTest::newRow("narrower and taller") << kWidth / 2 << kHeight + 8;
    QTest::newRow("one pixel") << 1 << 1;
}

void TestCapture::targetOfAnotherSize()
{
    QFETCH(int, targetWidth);
    QFETCH(int, targetHeight);
    qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(picture));
    const size_t bytes = size_t(targetWidth) * targetHeight * 3;

    // grabInto through a header of another size than the frame.
    {
        Vandrel::VideoCaptureOCV camera;
        QVERIFY(camera.open(0, 640, 480));
        GuardedBuffer buffer(bytes);
        cv::Mat header(targetHeight, targetWidth, CV_8UC3, buffer.data());
        camera.grabInto(header);
        QCOMPARE(static_cast<void*>(header.data), static_cast<void*>(buffer.data()));
        QCOMPARE(header.cols, targetWidth);
        QCOMPARE(header.rows, targetHeight);
        const QString mismatch = checkCommonRectangle(buffer.data(), targetWidth, targetHeight, kPictureFrame);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QVERIFY(buffer.guardIntact());
    }
    // grabFrame with a cached size that differs from the frame's: the lister's camera keeps
    // whatever size it is told, and copies only what both hold.
    {
        Vandrel::VideoCaptureIM camera;
        QVERIFY(camera.open(0));
        QCOMPARE(camera.setWidth(targetWidth), targetWidth);
        QCOMPARE(camera.setHeight(targetHeight), targetHeight);
        GuardedBuffer buffer(bytes);
        camera.grabFrame(buffer.data());
        const QString mismatch = checkCommonRectangle(buffer.data(), targetWidth, targetHeight, kPictureFrame);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QVERIFY(buffer.guardIntact());
    }
}

void TestCapture::failuresAreReturnValues_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("device"); // -2: the first position past the list
    QTest::newRow("missing file") << QStringLiteral("missing.avi") << 0;
    QTest::newRow("undecodable file") << QStringLiteral("garbage.avi") << 0;
    QTest::newRow("undecodable picture") << QStringLiteral("garbage.png") << 0;
    QTest::newRow("empty file") << QStringLiteral("empty.avi") << 0;
    QTest::newRow("folder") << QStringLiteral("folder") << 0;
    QTest::newRow("no such camera") << QStringLiteral("clip.avi") << -2;
    QTest::newRow("negative camera number") << QStringLiteral("clip.avi") << -1;
    QTest::newRow("no file camera, no such camera") << QString() << -2;
}

void TestCapture::failuresAreReturnValues()
{
    QFETCH(QString, file);
    QFETCH(int, device);
    const QDir work(dir.path());
    {
        QFile garbage(work.filePath(QStringLiteral("garbage.avi")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, '\x17'));
    }
    {
        // A PNG signature followed by nonsense.
        QFile garbage(work.filePath(QStringLiteral("garbage.png")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, '\x01'));
    }
    QFile(work.filePath(QStringLiteral("empty.avi"))).open(QIODevice::WriteOnly);
    work.mkpath(QStringLiteral("folder"));

    if (!file.isEmpty())
        qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(work.filePath(file)));
    if (device == -2)
        device = (file.isEmpty() ? 0 : 1) + deviceCount();

    Vandrel::VideoCaptureOCV ocv;
    QVERIFY(!ocv.open(device, 640, 480));
    QVERIFY(!ocv.isConnected());
    QCOMPARE(ocv.getWidth(), 0);
    GuardedBuffer buffer(size_t(kWidth) * kHeight * 3);
    ocv.grabFrame(buffer.data());
    cv::Mat header(kHeight, kWidth, CV_8UC3, buffer.data());
    ocv.grabInto(header);
    QCOMPARE(static_cast<void*>(header.data), static_cast<void*>(buffer.data()));
    QVERIFY(buffer.untouched());

    Vandrel::VideoCaptureIM im;
    QVERIFY(!im.open(device));
    QVERIFY(!im.isConnected());
    im.grabFrame(buffer.data());
    QVERIFY(buffer.untouched());

    if (!file.isEmpty() && device == 0) {
        Vandrel::VideoCaptureOCVVideo clip;
        QVERIFY(!clip.openFile(QFile::encodeName(work.filePath(file)).toStdString()));
        clip.grabFrame(buffer.data());
        QVERIFY(buffer.untouched());
    }
}

void TestCapture::sizeRequests()
{
    // Without a camera the cached size is all there is.
    Vandrel::VideoCaptureOCV closed;
    QCOMPARE(closed.setWidth(-1), 0);
    QCOMPARE(closed.setHeight(480), 0);

    // -1 goes out as 4294967295; the file camera keeps its size and that is what comes back.
    qputenv(Vandrel::kFileCameraVariable, QFile::encodeName(video));
    Vandrel::VideoCaptureOCV camera;
    QVERIFY(camera.open(0));
    QCOMPARE(camera.setWidth(-1), kWidth);
    QCOMPARE(camera.setHeight(-1), kHeight);
    QCOMPARE(camera.setWidth(320), kWidth);
    QCOMPARE(camera.getWidth(), kWidth);

    // A negative size stored on the lister's camera makes grabs copy nothing.
    Vandrel::VideoCaptureIM im;
    QVERIFY(im.open(0));
    QCOMPARE(im.setWidth(-1), -1);
    GuardedBuffer buffer(size_t(kWidth) * kHeight * 3);
    im.grabFrame(buffer.data());
    QVERIFY(buffer.untouched());
}

void TestCapture::videoFileSource()
{
    Vandrel::VideoCaptureOCVVideo clip;
    QVERIFY(clip.openFile(QFile::encodeName(video).toStdString()));
    QVERIFY(clip.open(7));
    QCOMPARE(clip.getWidth(), kWidth);
    QCOMPARE(clip.getHeight(), kHeight);

    // The first frame is skipped on opening; frames come as delivered, top row first.
    std::vector<uchar> buffer(size_t(kWidth) * kHeight * 3, kFill);
    clip.grabFrame(buffer.data());
    QString mismatch = checkPattern(buffer.data(), kWidth, kHeight, 1, 24, false);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    cv::Mat image;
    clip.readInto(image);
    QCOMPARE(image.cols, kWidth);
    QCOMPARE(image.rows, kHeight);
    QVERIFY(image.isContinuous());
    mismatch = checkPattern(image.data, kWidth, kHeight, 2, 24, false);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    // No looping here: past the end the buffer stays as it was.
    for (int i = 3; i < kFrames; ++i)
        clip.grabFrame(buffer.data());
    std::fill(buffer.begin(), buffer.end(), kFill);
    clip.grabFrame(buffer.data());
    QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](uchar b) { return b == kFill; }));
}

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
