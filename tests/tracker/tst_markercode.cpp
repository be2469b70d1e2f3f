// Reading a marker's code from a warped patch: binarisation, border test, the four readings,
// lookup and orientation.
#include "MarkerCodes.h"
#include "MarkerMatrix.h"

#include <QtTest>

#include <opencv2/imgproc.hpp>

#include <set>

using namespace trk;

namespace {

// An 8 x 8 binarised patch with a two-cell black border and the given 16 code cells
// (bit 15 - (4x + y) black at column x, row y of the code area).
cv::Mat patchWithBits(unsigned bits)
{
    cv::Mat p(8, 8, CV_8UC1, cv::Scalar(0));
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y)
            p.at<unsigned char>(2 + y, 2 + x) = ((bits >> (15 - (4 * x + y))) & 1) ? 0 : 255;
    return p;
}

void setCorners(CMarkerMatrix& m)
{
    for (int i = 0; i < 4; ++i)
        m.corners[i] = {10.0f * i, 100.0f + i};
}

} // namespace

class TestMarkerCode : public QObject
{
    Q_OBJECT
private slots:
    void codeTableIsUnambiguous();
    void readingAndOrientation_data();
    void readingAndOrientation();
    void checkBorder_data();
    void checkBorder();
    void patchBinarisation();
    void lookupFindsEachCodeOnce();
    void copyKeepsValueNotScratch();
};

void TestMarkerCode::codeTableIsUnambiguous()
{
    // Each code is the smallest reading of its own grid, and no marker reads as another in any turn.
    std::set<unsigned> all;
    for (int code : kMarkerCodes) {
        int cells[16];
        for (int k = 0; k < 16; ++k)
            cells[k] = (code >> (15 - k)) & 1;
        unsigned r[4];
        CellReadings(cells, r);
        QCOMPARE(r[0], static_cast<unsigned>(code));
        for (unsigned v : r) {
            QVERIFY(v >= static_cast<unsigned>(code));
            all.insert(v);
        }
    }
    QCOMPARE(all.size(), size_t(80));
}

void TestMarkerCode::readingAndOrientation_data()
{
    QTest::addColumn<unsigned>("bits");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("firstCorner"); // index of the detected corner that becomes corner 0

    // 0x00FF turned by quarter turns: the reading that wins decides the corner order.
    QTest::newRow("reading 0") << 0x00FFu << 0x00FF << 0;
    QTest::newRow("reading 1") << 0x3333u << 0x00FF << 1;
    QTest::newRow("reading 2") << 0xFF00u << 0x00FF << 2;
    QTest::newRow("reading 3 (0xCCCC)") << 0xCCCCu << 0x00FF << 3;
    QTest::newRow("asymmetric, reading 0") << 0x0013u << 0x0013 << 0;
    QTest::newRow("all light") << 0x0000u << 0x0000 << 0;
}

void TestMarkerCode::readingAndOrientation()
{
    QFETCH(unsigned, bits);
    QFETCH(int, code);
    QFETCH(int, firstCorner);

    CMarkerMatrix m(4, 1);
    QCOMPARE(m.ReadCode(patchWithBits(bits), 2), code);
    QCOMPARE(m.code, code);
    for (int k = 0; k < 16; ++k)
        QCOMPARE(m.Cells()[static_cast<size_t>(k)], static_cast<int>((bits >> (15 - k)) & 1));

    setCorners(m);
    const CMarkerMatrix before = m;
    m.ComputeOrientation();
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(m.corners[i].x, before.corners[(firstCorner + i) % 4].x);
        QCOMPARE(m.corners[i].y, before.corners[(firstCorner + i) % 4].y);
    }
}

void TestMarkerCode::checkBorder_data()
{
    QTest::addColumn<int>("borderType");
    QTest::addColumn<int>("darkRow");
    QTest::addColumn<int>("darkCol");
    QTest::addColumn<bool>("passes");

    // A light 8 x 8 patch with at most one dark pixel.
    QTest::newRow("all light, border 2") << 2 << -1 << -1 << false;
    QTest::newRow("all light, border 1") << 1 << -1 << -1 << false;
    QTest::newRow("one dark corner pixel") << 2 << 7 << 7 << true;
    QTest::newRow("dark in second ring") << 2 << 3 << 1 << true;
    QTest::newRow("second ring is not border 1") << 1 << 3 << 1 << false;
    QTest::newRow("dark inside only") << 2 << 3 << 3 << false;
    QTest::newRow("unsupported border width") << 3 << 0 << 0 << false;
}

void TestMarkerCode::checkBorder()
{
    QFETCH(int, borderType);
    QFETCH(int, darkRow);
    QFETCH(int, darkCol);
    QFETCH(bool, passes);
    cv::Mat p(8, 8, CV_8UC1, cv::Scalar(255));
    if (darkRow >= 0)
        p.at<unsigned char>(darkRow, darkCol) = 0;
    QCOMPARE(CheckBorder(p, borderType), passes);
}

void TestMarkerCode::patchBinarisation()
{
    // Fixed threshold: strictly brighter than the threshold is light.
    cv::Mat p(1, 4, CV_8UC1);
    p.at<unsigned char>(0, 0) = 119;
    p.at<unsigned char>(0, 1) = 120;
    p.at<unsigned char>(0, 2) = 121;
    p.at<unsigned char>(0, 3) = 250;
    BinarizePatch(p, false, 120, 0, 255);
    QCOMPARE(int(p.at<unsigned char>(0, 1)), 0);
    QCOMPARE(int(p.at<unsigned char>(0, 2)), 255);

    // Adaptive: Otsu splits a dim two-level patch that the fixed threshold would call all dark.
    cv::Mat dim(8, 8, CV_8UC1, cv::Scalar(40));
    dim(cv::Rect(0, 0, 4, 8)).setTo(90);
    cv::Mat fixed = dim.clone();
    BinarizePatch(fixed, false, 120, 0, 255);
    QCOMPARE(cv::countNonZero(fixed), 0);
    BinarizePatch(dim, true, 120, 0, 255);
    QCOMPARE(cv::countNonZero(dim), 32);
}

void TestMarkerCode::lookupFindsEachCodeOnce()
{
    const std::vector<int> codes = {0x00FF, 0x0013, 0x00FF};
    std::vector<char> found(codes.size(), 0);
    QVERIFY(LookupCode(0x00FF, codes, found));
    QVERIFY(LookupCode(0x00FF, codes, found)); // the duplicate entry
    QVERIFY(!LookupCode(0x00FF, codes, found));
    QVERIFY(!LookupCode(0x1234, codes, found));
    QVERIFY(LookupCode(0x0013, codes, found));
    QCOMPARE(found, (std::vector<char>{1, 1, 1}));
}

void TestMarkerCode::copyKeepsValueNotScratch()
{
    CMarkerMatrix m(4, 1);
    m.ReadCode(patchWithBits(0xCCCC), 2);
    setCorners(m);
    m.ComputeOrientation();
    m.rotation = CQuaternion(0.1f, 0.2f, 0.3f, 0.9f);
    m.translation = CVector3(1, 2, -300);
    QVERIFY(m.DetectedCorners()[1].x != 0.0f);

    const CMarkerMatrix copy(m);
    CMarkerMatrix assigned(4, 7);
    assigned = m;
    for (const CMarkerMatrix* c : {&copy, static_cast<const CMarkerMatrix*>(&assigned)}) {
        QCOMPARE(c->Kind(), 1);
        QCOMPARE(c->code, 0x00FF);
        QCOMPARE(c->Cells(), m.Cells());
        QCOMPARE(c->CodeCells(), m.CodeCells());
        QCOMPARE(c->corners[0].x, m.corners[0].x);
        QCOMPARE(c->rotation[2], 0.3f);
        QCOMPARE(c->translation[2], -300.0f);
        QCOMPARE(c->DetectedCorners()[1].x, 0.0f);
    }
}

QTEST_APPLESS_MAIN(TestMarkerCode)
#include "tst_markercode.moc"
