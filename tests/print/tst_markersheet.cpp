// The printable marker sheet as a reader sees it, rendered back with poppler: the page count for a scene,
// the index page with the unused markers veiled, and every marker page tracked as its marker. Also written
// headless by `quorvane markers --pdf`.
#include "PdfPages.h"
#include "TestFiles.h"
#include "ToolRun.h"

#include "Archive.h"
#include "MarkerCodes.h"
#include "MarkerSheet.h"
#include "ViewSetup.h"

#include <QPageSize>
#include <QTemporaryDir>
#include <QtTest>

#include <opencv2/imgproc.hpp>

namespace {

// The layout of an A4 sheet, in millimetres: 10 mm margins around a printable 190 x 277 mm.
constexpr double kMargin = 10.0;
constexpr double kCell = 190.0 / 4.5; // min(190 / 4.5, 277 / 6.5)
constexpr double kIndexMargin = 0.25 * kCell;

QList<int> allMarkers()
{
    QList<int> all;
    for (int n = 0; n < trk::kMarkerCount; ++n)
        all << n;
    return all;
}

// The marker numbers the tracker finds on a rendered page.
QList<int> trackedMarkers(const cv::Mat& grey)
{
    cv::Mat bgr, frame;
    cv::cvtColor(grey, bgr, cv::COLOR_GRAY2BGR);
    cv::flip(bgr, frame, 0); // the tracker reads frames bottom row first
    trk::CMarkerDetector detector;
    trk::SetupLikeView(detector, frame.cols, frame.rows, 700.0f);
    detector.SetFlipFlags(true, true); // a page seen as it is, not mirrored
    detector.ProcessFrame(frame.data);
    QList<int> found;
    for (const trk::CMarkerMatrix& m : detector.GetMarkers())
        found << trk::MarkerNumberOfCode(m.code);
    return found;
}

// A viewer archive whose records carry models on the given markers (the bytes need not be a model: the
// sheet only counts the markers that carry one).
QString archiveWithModelsOn(const QTemporaryDir& dir, const QList<int>& markers)
{
    quorvane::Scene scene;
    for (int n : markers) {
        const QString model = dir.filePath(QStringLiteral("m%1.qmd").arg(n));
        testutil::writeFile(model, "not really a model");
        scene.markers[size_t(n)].modelFile = model;
    }
    QByteArray data;
    const QString path = dir.filePath(QStringLiteral("scene.qvx2"));
    if (!quorvane::buildViewerSceneData(scene, &data, quorvane::TempCleanup::Keep) ||
        !quorvane::writeViewerArchive(path, data, quorvane::buildLogoPng({})))
        return QString();
    return path;
}

} // namespace

class TestMarkerSheet : public QObject
{
    Q_OBJECT
private slots:
    void pageCounts_data();
    void pageCounts();
    void indexVeilsUnusedMarkers();
    void everyMarkerPageTracks();
    void tool_data();
    void tool();
    void toolRefusals_data();
    void toolRefusals();

private:
    QTemporaryDir m_dir;
};

void TestMarkerSheet::pageCounts_data()
{
    QTest::addColumn<QList<int>>("used");
    QTest::addColumn<int>("pages");
    QTest::newRow("empty scene") << QList<int>{} << 1;
    QTest::newRow("markers 2 and 15") << QList<int>{2, 15} << 3;
    QTest::newRow("every marker") << allMarkers() << 21;
    QTest::newRow("outside and repeated left out") << QList<int>{4, -1, 20, 4, 7} << 3;
}

void TestMarkerSheet::pageCounts()
{
    QFETCH(QList<int>, used);
    QFETCH(int, pages);
    const QString pdf = m_dir.filePath(QStringLiteral("count.pdf"));
    QVERIFY(quorvane::writeMarkerSheet(pdf, used));
    QCOMPARE(testutil::pdfPageCount(pdf), pages);
}

void TestMarkerSheet::indexVeilsUnusedMarkers()
{
    const QString pdf = m_dir.filePath(QStringLiteral("index.pdf"));
    QVERIFY(quorvane::writeMarkerSheet(pdf, {15, 2}, QPageSize(QPageSize::A4)));
    constexpr int dpi = 50;
    const cv::Mat page = testutil::pdfPageGrey(pdf, 1, dpi);
    QVERIFY(!page.empty());
    const auto px = [](double mm) { return int(mm * dpi / 25.4 + 0.5); };
    QVERIFY(std::abs(page.cols - px(210.0)) <= 1); // a page of A4

    // "INDEX" above the grid.
    const cv::Rect title(px(kMargin + kIndexMargin), px(kMargin + kIndexMargin - 8.0), px(40.0), px(8.0));
    double darkest = 0;
    cv::minMaxLoc(page(title), &darkest);
    QVERIFY2(darkest < 80, "no text where INDEX goes");

    // In each cell, a patch of the marker's black border: black when the scene uses the marker, white at
    // alpha 153 over black (a grey of about 153) when veiled.
    const double black = kCell / 1.25, quiet = black / 8.0, cell = black / 8.0;
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 4; ++column) {
            const int marker = 4 * row + column;
            const double x = kMargin + kIndexMargin + column * kCell + quiet + cell;
            const double y = kMargin + kIndexMargin + kCell + row * kCell + quiet + cell;
            const double level = cv::mean(page(cv::Rect(px(x) - 2, px(y) - 2, 5, 5)))[0];
            if (marker == 2 || marker == 15)
                QVERIFY2(level < 50, qPrintable(QStringLiteral("marker %1 veiled: %2").arg(marker).arg(level)));
            else
                QVERIFY2(level > 120 && level < 190,
                         qPrintable(QStringLiteral("marker %1 not veiled: %2").arg(marker).arg(level)));
        }
    }
}

void TestMarkerSheet::everyMarkerPageTracks()
{
    // The marker pages in an order of the scene's own, Letter paper this time.
    QList<int> used = allMarkers();
    std::rotate(used.begin(), used.begin() + 7, used.end());
    const QString pdf = m_dir.filePath(QStringLiteral("all.pdf"));
    QVERIFY(quorvane::writeMarkerSheet(pdf, used, QPageSize(QPageSize::Letter)));
    QCOMPARE(testutil::pdfPageCount(pdf), 21);
    for (int i = 0; i < used.size(); ++i) {
        const cv::Mat page = testutil::pdfPageGrey(pdf, i + 2, 30);
        QVERIFY(!page.empty());
        QCOMPARE(trackedMarkers(page), QList<int>{used[i]});
    }
}

void TestMarkerSheet::tool_data()
{
    QTest::addColumn<QList<int>>("sceneMarkers"); // empty: no --scene
    QTest::addColumn<bool>("withScene");
    QTest::addColumn<QList<int>>("pages"); // the markers of pages 2, 3, ...
    QTest::newRow("every marker") << QList<int>{} << false << allMarkers();
    QTest::newRow("scene with markers 2 and 15") << QList<int>{2, 15} << true << QList<int>{2, 15};
    QTest::newRow("empty scene") << QList<int>{} << true << QList<int>{};
}

void TestMarkerSheet::tool()
{
    QFETCH(QList<int>, sceneMarkers);
    QFETCH(bool, withScene);
    QFETCH(QList<int>, pages);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("markers.pdf"));
    QStringList args{QStringLiteral("markers"), QStringLiteral("--pdf"), pdf};
    if (withScene) {
        const QString archive = archiveWithModelsOn(dir, sceneMarkers);
        QVERIFY(!archive.isEmpty());
        args << QStringLiteral("--scene") << archive;
    }
    const testutil::ToolRun run = testutil::runTool(args);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    QCOMPARE(testutil::pdfPageCount(pdf), 1 + pages.size());
    // The first and the last marker page carry their markers.
    if (!pages.isEmpty()) {
        QCOMPARE(trackedMarkers(testutil::pdfPageGrey(pdf, 2, 30)), QList<int>{pages.first()});
        QCOMPARE(trackedMarkers(testutil::pdfPageGrey(pdf, 1 + int(pages.size()), 30)), QList<int>{pages.last()});
    }
}

void TestMarkerSheet::toolRefusals_data()
{
    QTest::addColumn<QStringList>("args"); // %D: a fresh folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing to write") << QStringList{} << 2 << "say what to write";
    QTest::newRow("scene without pdf") << QStringList{"--scene", "%D/a.qvx2"} << 2 << "--scene goes with --pdf";
    QTest::newRow("missing scene") << QStringList{"--pdf", "%D/o.pdf", "--scene", "%D/a.qvx2"} << 1
                                   << "cannot open the file";
    QTest::newRow("not an archive") << QStringList{"--pdf", "%D/o.pdf", "--scene", "%D/notes.txt"} << 1
                                    << "not a viewer archive";
    QTest::newRow("magic alone") << QStringList{"--pdf", "%D/o.pdf", "--scene", "%D/magic.qvx2"} << 1
                                 << "holds nothing after its magic";
    QTest::newRow("unwritable") << QStringList{"--pdf", "%D/no/such/folder/o.pdf"} << 1 << "cannot write";
}

void TestMarkerSheet::toolRefusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    QTemporaryDir dir;
    testutil::writeFile(dir.filePath(QStringLiteral("notes.txt")), "hello");
    testutil::writeFile(dir.filePath(QStringLiteral("magic.qvx2")),
                        QByteArray(quorvane::kViewerArchiveMagic, quorvane::kViewerArchiveMagicSize));
    args.replaceInStrings(QStringLiteral("%D"), dir.path());
    const testutil::ToolRun run = testutil::runTool(QStringList{QStringLiteral("markers")} + args);
    QCOMPARE(run.exitCode, code);
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("o.pdf"))));
}

QTEST_MAIN(TestMarkerSheet)
#include "tst_markersheet.moc"
