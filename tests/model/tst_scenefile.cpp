// Scene files: ".qvs2" bytes, round trips with labels, the older ".qvs", and damaged files.
#include "ModelTestUtil.h"

#include "Scene.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace testutil;
using quorvane::Label;
using quorvane::Scene;

Q_DECLARE_METATYPE(quorvane::SceneReadStatus)

namespace {

// Empty marker record of ".qvs2": null path, rotation and translation 0, scale 1.0, no labels.
const char* kEmptyRecord = "FFFFFFFF 0000000000000000 0000000000000000 0000000000000000"
                           " 0000000000000000 0000000000000000 0000000000000000 3FF0000000000000 00000000";

Scene sceneWithLabels()
{
    Scene s;
    auto& m0 = s.markers[0];
    m0.modelFile = QStringLiteral("/library/Árbol en flor.qmd");
    m0.rotation = {90.0f, 0.1f, -45.5f};
    m0.translation = {1.25f, -3.0f, 1e-7f};
    m0.scale = 67.67f;
    Label a;
    a.text = QStringLiteral("Ñandú con acentos: àéîõü");
    a.fontColor = {1.0f, 0.5f, 0.25f, 1.0f};
    a.backgroundColor = {0.0f, 0.0f, 1.0f, 0.5f};
    a.anchor = {1.0f, 2.0f, 3.0f};
    a.distance = 80.0f;
    a.angle = 135.0f;
    a.characterSize = 9.5f;
    Label b;
    b.text = QStringLiteral("你好，世界 🌍");
    m0.labels = {a, b};
    // A label on a marker without a model survives too.
    Label c;
    c.text = QStringLiteral("solo");
    s.markers[13].labels = {c};
    s.markers[19].modelFile = QLatin1String(""); // empty, not null: kept apart
    s.markers[19].scale = 2.0f;
    return s;
}

QByteArray bytesOf(const Scene& s)
{
    return quorvane::sceneFileBytes(s);
}

Scene read(QByteArray bytes, quorvane::SceneReadStatus* status = nullptr)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Scene s;
    const auto st = quorvane::readQvs2(&buffer, &s);
    if (status)
        *status = st;
    return s;
}

class Recorder : public quorvane::SceneApplier
{
public:
    QStringList steps;
    void applyModel(int m, const quorvane::MarkerRecord&) override { steps << QString("model %1").arg(m); }
    void applyLabel(int m, const Label& l) override { steps << QString("label %1 %2").arg(m).arg(l.text); }
    void applyTransform(int m, const quorvane::MarkerRecord&) override { steps << QString("transform %1").arg(m); }
};

} // namespace

class TestSceneFile : public QObject
{
    Q_OBJECT

private slots:
    void emptySceneBytes()
    {
        const QByteArray expected = hex("00000001") + hex(kEmptyRecord).repeated(20);
        QCOMPARE(bytesOf(Scene()).toHex(' '), expected.toHex(' '));
    }

    // Field order of a record and a label, with doubles written out by hand.
    void recordAndLabelBytes()
    {
        Scene s;
        auto& r = s.markers[0];
        r.modelFile = "m";
        r.rotation = {90.0f, 0.0f, 0.0f};
        r.translation = {0.0f, 0.5f, 0.0f};
        r.scale = 2.0f;
        Label l;
        l.text = "Hi";
        l.fontColor = {1.0f, 0.0f, 0.0f, 1.0f};
        l.backgroundColor = {0.0f, 0.0f, 1.0f, 0.5f};
        l.anchor = {1.0f, 2.0f, 3.0f};
        l.distance = 50.0f;
        l.angle = 90.0f;
        l.characterSize = 12.0f;
        r.labels = {l};
        const QByteArray record0 = hex("00000002 006D"
                                       " 4056800000000000 0000000000000000 0000000000000000" // rotation 90, 0, 0
                                       " 0000000000000000 3FE0000000000000 0000000000000000" // translation 0, 0.5, 0
                                       " 4000000000000000"                                   // scale 2
                                       " 00000001 00000004 0048 0069"                        // one label "Hi"
                                       " 3FF0000000000000 0000000000000000 0000000000000000 3FF0000000000000"
                                       " 0000000000000000 0000000000000000 3FF0000000000000 3FE0000000000000"
                                       " 3FF0000000000000 4000000000000000 4008000000000000"   // anchor 1, 2, 3
                                       " 4049000000000000 4056800000000000 4028000000000000"); // 50, 90, 12
        QCOMPARE(bytesOf(s).toHex(' '), (hex("00000001") + record0 + hex(kEmptyRecord).repeated(19)).toHex(' '));
    }

    void roundTripThroughFile()
    {
        QTemporaryDir dir;
        const Scene s = sceneWithLabels();
        const QString path = dir.filePath("escena.QVS2"); // suffix compared ignoring case
        QVERIFY(quorvane::writeSceneFile(s, path));
        Scene back;
        QCOMPARE(quorvane::readSceneFile(path, &back), quorvane::SceneReadStatus::Ok);
        QVERIFY(back == s);
        QVERIFY(back.markers[1].modelFile.isNull());
        QVERIFY(!back.markers[19].modelFile.isNull());
        // Saving over an existing scene replaces it.
        QVERIFY(quorvane::writeSceneFile(Scene(), path));
        QCOMPARE(quorvane::readSceneFile(path, &back), quorvane::SceneReadStatus::Ok);
        QVERIFY(back == Scene());
    }

    void unsupportedVersionLeavesSceneEmpty_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("2") << hex("00000002");
        QTest::newRow("0") << hex("00000000");
        QTest::newRow("-1") << hex("FFFFFFFF");
        QTest::newRow("shorter than the version") << hex("0000");
    }

    void unsupportedVersionLeavesSceneEmpty()
    {
        QFETCH(QByteArray, head);
        QByteArray bytes = bytesOf(sceneWithLabels());
        bytes = head + bytes.mid(4);
        quorvane::SceneReadStatus status;
        const Scene s = read(bytes, &status);
        QCOMPARE(status, quorvane::SceneReadStatus::UnsupportedVersion);
        QVERIFY(s == Scene());
    }

    void readsOlderQvs()
    {
        QTemporaryDir dir;
        const QByteArray record0 =
            qstr("/lib/a.qmd") + hex("4056800000000000 0000000000000000 0000000000000000"
                                     " 3FF0000000000000 4000000000000000 4008000000000000 4000000000000000");
        const QByteArray plain = hex("FFFFFFFF") + hex("0000000000000000").repeated(6) + hex("3FF0000000000000");
        QVERIFY(writeFile(dir.filePath("old.qvs"), record0 + plain.repeated(19)));
        Scene s = sceneWithLabels();
        QCOMPARE(quorvane::readSceneFile(dir.filePath("old.qvs"), &s), quorvane::SceneReadStatus::Ok);
        Scene expected;
        expected.markers[0].modelFile = "/lib/a.qmd";
        expected.markers[0].rotation = {90.0f, 0.0f, 0.0f};
        expected.markers[0].translation = {1.0f, 2.0f, 3.0f};
        expected.markers[0].scale = 2.0f;
        QVERIFY(s == expected);
    }

    void readerChosenBySuffix_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("qvs2");
        QTest::newRow("qvs2") << "a.qvs2" << true;
        QTest::newRow("capitals") << "A.QVS2" << true;
        QTest::newRow("qvs") << "a.qvs" << false;
        QTest::newRow("none") << "scene" << false;
        QTest::newRow("last suffix counts") << "a.qvs2.bak" << false;
    }

    void readerChosenBySuffix()
    {
        QFETCH(QString, name);
        QFETCH(bool, qvs2);
        QCOMPARE(quorvane::isQvs2Path("/x/" + name), qvs2);
        // A ".qvs2" file read by the older reader takes the version word as the first string's length.
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(name), bytesOf(sceneWithLabels())));
        Scene s;
        QCOMPARE(quorvane::readSceneFile(dir.filePath(name), &s), quorvane::SceneReadStatus::Ok);
        QCOMPARE(s == sceneWithLabels(), qvs2);
    }

    void unreadableFile()
    {
        QTemporaryDir dir;
        Scene s = sceneWithLabels();
        QCOMPARE(quorvane::readSceneFile(dir.filePath("missing.qvs2"), &s), quorvane::SceneReadStatus::CannotOpen);
        QVERIFY(s == sceneWithLabels()); // the current scene is kept
        QVERIFY(!quorvane::writeSceneFile(Scene(), dir.filePath("no/such/folder/a.qvs2")));
    }

    // Every cut of a valid file reads without harm: the records before the cut are intact, a record
    // cut short keeps what it had, and what follows is empty with zero values.
    void truncationAtEveryOffset()
    {
        const Scene full = sceneWithLabels();
        const QByteArray bytes = bytesOf(full);
        for (int n = 0; n < bytes.size(); ++n) {
            quorvane::SceneReadStatus status;
            const Scene s = read(bytes.left(n), &status);
            QCOMPARE(status, n < 4 ? quorvane::SceneReadStatus::UnsupportedVersion : quorvane::SceneReadStatus::Ok);
            if (n >= 4) {
                // The last record's scale is whole only when just its label count is missing.
                QCOMPARE(s.markers[19].scale, n < bytes.size() - 4 ? 0.0f : 2.0f);
                QVERIFY(s.markers[0].labels.size() <= 2);
            }
        }
        QVERIFY(read(bytes) == full);
    }

    // A forged label count ends with the data instead of reading two thousand million labels.
    void forgedLabelCount()
    {
        QByteArray bytes = bytesOf(sceneWithLabels());
        const int at = bytes.indexOf(hex("00000002") + qstr(sceneWithLabels().markers[0].labels[0].text).left(4));
        QVERIFY(at > 0);
        qToBigEndian<quint32>(0x7FFFFFFF, bytes.data() + at);
        QElapsedTimer timer;
        timer.start();
        const Scene s = read(bytes);
        QVERIFY(timer.elapsed() < 2000);
        // The real labels come first; the records after them are misread as labels until the data ends.
        QVERIFY(s.markers[0].labels.size() >= 2);
        QVERIFY(s.markers[0].labels.mid(0, 2) == sceneWithLabels().markers[0].labels);
        QCOMPARE(s.markers[19].scale, 0.0f);
    }

    void applyOrderModelLabelsTransform()
    {
        Recorder r;
        quorvane::applyScene(sceneWithLabels(), r);
        QCOMPARE(r.steps.size(), 20 * 2 + 3);
        QCOMPARE(r.steps.mid(0, 5),
                 (QStringList{"model 0", "label 0 " + sceneWithLabels().markers[0].labels[0].text,
                              "label 0 " + sceneWithLabels().markers[0].labels[1].text, "transform 0", "model 1"}));
    }
};

QTEST_GUILESS_MAIN(TestSceneFile)
#include "tst_scenefile.moc"
