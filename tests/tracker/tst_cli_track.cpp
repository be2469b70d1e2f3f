// quorvane track, markers and synth, run as a user runs them.
#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out, err;
};

Run quorvane(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(QUORVANE_TOOL), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QList<QJsonObject> jsonLines(const QByteArray& out)
{
    QList<QJsonObject> lines;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError e{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &e);
        if (e.error != QJsonParseError::NoError || !doc.isObject())
            return {};
        lines.append(doc.object());
    }
    return lines;
}

} // namespace

class TestCliTrack : public QObject
{
    Q_OBJECT
private slots:
    void tracksPicturesAndReportsBadFiles();
    void tracksVideo();
    void printedPicturesReadBack();
    void badArguments_data();
    void badArguments();

private:
    QTemporaryDir m_dir;
};

void TestCliTrack::tracksPicturesAndReportsBadFiles()
{
    const QString frame = m_dir.filePath(QStringLiteral("desk frame.png"));
    QCOMPARE(quorvane({QStringLiteral("synth"), QStringLiteral("frame"), frame}).exitCode, 0);
    const QString junk = m_dir.filePath(QStringLiteral("junk.jpg"));
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();

    const Run r =
        quorvane({QStringLiteral("track"), frame, m_dir.filePath(QStringLiteral("missing.png")), junk, frame});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.count('\n'), 2); // one clear line per bad file
    const QList<QJsonObject> lines = jsonLines(r.out);
    QCOMPARE(lines.size(), 2); // both good files tracked
    const QJsonObject first = lines[0];
    QCOMPARE(first[QStringLiteral("file")].toString(), frame);
    QCOMPARE(first[QStringLiteral("frame")].toInt(), 0);
    QVERIFY(first[QStringLiteral("ms")].toDouble() > 0.0);
    const QJsonArray markers = lines[1][QStringLiteral("markers")].toArray();
    QCOMPARE(markers.size(), 3);
    QSet<int> numbers;
    for (const QJsonValue& v : markers) {
        const QJsonObject m = v.toObject();
        numbers.insert(m[QStringLiteral("marker")].toInt());
        QCOMPARE(m[QStringLiteral("corners")].toArray().size(), 4);
        QCOMPARE(m[QStringLiteral("rotation")].toArray().size(), 4);
        QVERIFY(m[QStringLiteral("translation")].toArray()[2].toDouble() < -300.0);
        QVERIFY(m[QStringLiteral("code")].toString().startsWith(QStringLiteral("0x")));
    }
    QCOMPARE(numbers, (QSet<int>{0, 1, 2}));

    // Mirroring changes the pose convention, not where the corners are in the picture.
    const Run mirrored = quorvane({QStringLiteral("track"), QStringLiteral("--mirror"), frame});
    const QList<QJsonObject> ml = jsonLines(mirrored.out);
    QCOMPARE(ml.size(), 1);
    const QJsonArray a = lines[1][QStringLiteral("markers")].toArray(), b = ml[0][QStringLiteral("markers")].toArray();
    QCOMPARE(a.size(), b.size());
    for (int i = 0; i < a.size(); ++i) {
        const QJsonArray ca = a[i].toObject()[QStringLiteral("corners")].toArray();
        const QJsonArray cb = b[i].toObject()[QStringLiteral("corners")].toArray();
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 2; ++j)
                QVERIFY(std::fabs(ca[k].toArray()[j].toDouble() - cb[k].toArray()[j].toDouble()) < 0.05);
    }
}

void TestCliTrack::tracksVideo()
{
    const QString clip = m_dir.filePath(QStringLiteral("clip.avi"));
    QCOMPARE(quorvane({QStringLiteral("synth"), QStringLiteral("video"), QStringLiteral("--seconds"),
                       QStringLiteral("1"), clip})
                 .exitCode,
             0);
    const Run r = quorvane({QStringLiteral("track"), clip});
    QCOMPARE(r.exitCode, 0);
    const QList<QJsonObject> lines = jsonLines(r.out);
    QCOMPARE(lines.size(), 30);
    int seen = 0;
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(lines[i][QStringLiteral("frame")].toInt(), i);
        seen += lines[i][QStringLiteral("markers")].toArray().size();
    }
    // The first frame may go by while the threshold settles; after that all three are followed.
    QVERIFY2(seen >= 3 * 29, qPrintable(QString::number(seen)));
}

void TestCliTrack::printedPicturesReadBack()
{
    const QString dir = m_dir.filePath(QStringLiteral("markers"));
    const Run r = quorvane(
        {QStringLiteral("markers"), QStringLiteral("--png"), dir, QStringLiteral("--size"), QStringLiteral("96")});
    QCOMPARE(r.exitCode, 0);
    // All twenty pictures laid out on one page, as a sheet would be photographed.
    cv::Mat page(520, 680, CV_8UC3, cv::Scalar(255, 255, 255));
    for (int n = 0; n < 20; ++n) {
        const cv::Mat m = cv::imread(QStringLiteral("%1/Marca%2.png").arg(dir).arg(n).toStdString(), cv::IMREAD_COLOR);
        QCOMPARE(m.cols, 96 + 2 * 12);
        m.copyTo(page(cv::Rect(10 + (n % 5) * 130, 10 + (n / 5) * 126, m.cols, m.rows)));
    }
    const QString sheet = m_dir.filePath(QStringLiteral("sheet.bmp"));
    QVERIFY(cv::imwrite(sheet.toStdString(), page));
    const QList<QJsonObject> lines = jsonLines(quorvane({QStringLiteral("track"), sheet}).out);
    QCOMPARE(lines.size(), 1);
    const QJsonArray found = lines[0][QStringLiteral("markers")].toArray();
    QSet<int> numbers;
    for (const QJsonValue& v : found)
        numbers.insert(v.toObject()[QStringLiteral("marker")].toInt());
    QCOMPARE(numbers.size(), 20);
}

void TestCliTrack::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{QStringLiteral("fly")};
    QTest::newRow("track without files") << QStringList{QStringLiteral("track")};
    QTest::newRow("bad focal") << QStringList{QStringLiteral("track"), QStringLiteral("--focal"), QStringLiteral("-3"),
                                              QStringLiteral("x.png")};
    QTest::newRow("markers without folder") << QStringList{QStringLiteral("markers")};
    QTest::newRow("markers bad size") << QStringList{QStringLiteral("markers"), QStringLiteral("--png"),
                                                     QStringLiteral("/tmp"), QStringLiteral("--size"),
                                                     QStringLiteral("4")};
    QTest::newRow("markers too large") << QStringList{
        QStringLiteral("markers"), QStringLiteral("--png"),    QStringLiteral("/tmp"), QStringLiteral("--size"),
        QStringLiteral("16000"),   QStringLiteral("--margin"), QStringLiteral("9000")};
}

void TestCliTrack::badArguments()
{
    QFETCH(QStringList, args);
    const Run r = quorvane(args);
    QVERIFY(r.exitCode != 0);
    QVERIFY(!r.err.trimmed().isEmpty());
    QVERIFY(r.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliTrack)
#include "tst_cli_track.moc"
