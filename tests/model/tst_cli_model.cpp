// The model, scene and archive commands of the quorvane tool: headless export and clear failures.
#include "ModelTestUtil.h"

#include "Archive.h"
#include "Model.h"
#include "Scene.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace testutil;

namespace {

struct Run
{
    int code;
    QByteArray out;
    QByteArray err;
};

Run tool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(QUORVANE_TOOL), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

class TestCliModel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_scene;
    QString m_model;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_model = m_dir.filePath("silla.qmd");
        QVERIFY(quorvane::writeModelFile(m_model, quorvane::ResourceModel, "obj", qCompress("THUMB"),
                                         qCompress("v 1 2 3"),
                                         {{"silla_resdir\\mat0000.mtl", qCompress("newmtl a")}, {"Error", "Error"}}));
        quorvane::Scene scene;
        scene.markers[6].modelFile = m_model;
        scene.markers[6].scale = 3.0f;
        quorvane::Label l;
        l.text = QStringLiteral("Silla núm. 6");
        scene.markers[6].labels = {l};
        m_scene = m_dir.filePath("escena.qvs2");
        QVERIFY(quorvane::writeSceneFile(scene, m_scene));
    }

    void modelInfoAndUnpack()
    {
        Run r = tool({"model", "info", m_model});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("kind: 0 (ResourceModel)"));
        QVERIFY(r.out.contains("silla_resdir\\mat0000.mtl"));
        QVERIFY(r.out.contains("Error: unreadable at import, skipped"));
        const QString out = m_dir.filePath("unpacked");
        r = tool({"model", "unpack", m_model, out});
        QCOMPARE(r.code, 0);
        QCOMPARE(filesBelow(out), (QStringList{"silla.obj", "silla.png", "silla_resdir/mat0000.mtl"}));
    }

    // Export headless, then look into and take apart what was written.
    void exportThenInspect()
    {
        const QString viewer = m_dir.filePath("out.qvx2");
        Run r = tool({"scene", "export", m_scene, "--viewer", viewer, "--no-logo"});
        QCOMPARE(r.code, 0);
        quorvane::OpenedViewerScene opened;
        QCOMPARE(quorvane::openViewerArchive(viewer, &opened), quorvane::ViewerOpenStatus::Opened);
        QCOMPARE(readFile(opened.contentFiles[6]), QByteArray("v 1 2 3"));
        QCOMPARE(opened.scene.markers[6].labels.value(0).text, QStringLiteral("Silla núm. 6"));

        r = tool({"archive", "info", viewer});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("viewer archive, format 2"));
        QVERIFY(r.out.contains("marker 6: /model00006.qmd"));

        const QString dir = m_dir.filePath("extracted");
        r = tool({"archive", "extract", viewer, dir});
        QCOMPARE(r.code, 0);
        QCOMPARE(filesBelow(dir), (QStringList{"logo.png", "model00006.qmd", "scene.qvs2"}));
        QCOMPARE(readFile(dir + "/model00006.qmd"), readFile(m_model));
        quorvane::Scene back;
        QCOMPARE(quorvane::readSceneFile(dir + "/scene.qvs2", &back), quorvane::SceneReadStatus::Ok);
        QCOMPARE(back.markers[6].modelFile, QDir(dir).filePath("model00006.qmd"));
        QCOMPARE(back.markers[6].scale, 3.0f);

        const QString mobile = m_dir.filePath("out.qvm2");
        r = tool({"scene", "export", m_scene, "--mobile", mobile});
        QCOMPARE(r.code, 0);
        r = tool({"archive", "info", mobile});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("marker 6: 3 packed entries"));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("file"); // written to BAD when not null
        QTest::newRow("model: not a model") << QStringList{"model", "info", "BAD"} << QByteArray("garbage");
        QTest::newRow("model: missing") << QStringList{"model", "info", "NONE"} << QByteArray();
        QTest::newRow("model: no action") << QStringList{"model", "explode", "BAD"} << QByteArray("x");
        QTest::newRow("scene: version 2") << QStringList{"scene", "info", "BAD"} << hex("00000002");
        QTest::newRow("scene: two targets")
            << QStringList{"scene", "export", "BAD", "--viewer", "a.qvx2", "--mobile", "b.qvm2"} << QByteArray();
        QTest::newRow("scene: missing logo")
            << QStringList{"scene", "export", "SCENE", "--viewer", "OUT", "--logo", "NONE"} << QByteArray();
        QTest::newRow("archive: magic only")
            << QStringList{"archive", "info", "BAD"} << QByteArray(quorvane::kViewerArchiveMagic, 31);
        QTest::newRow("archive: missing") << QStringList{"archive", "extract", "NONE", "OUT"} << QByteArray();
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        const QString suffix = args[0] == "model" ? "qmd" : args[0] == "scene" ? "qvs2" : "qvx2";
        const QString bad = dir.filePath("bad." + suffix);
        if (!file.isNull())
            QVERIFY(writeFile(bad, file));
        for (QString& a : args) {
            if (a == "BAD")
                a = bad;
            else if (a == "NONE")
                a = dir.filePath("none");
            else if (a == "SCENE")
                a = m_scene;
            else if (a == "OUT")
                a = dir.filePath("out.qvx2");
        }
        const Run r = tool(args);
        QVERIFY(r.code != 0);
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(r.err.startsWith("quorvane " + args[0].toLatin1() + ": "));
        QVERIFY(!QFile::exists(dir.filePath("out.qvx2")));
    }

    void helpForEachCommand()
    {
        for (const char* c : {"model", "scene", "archive"}) {
            const Run r = tool({c, "--help"});
            QCOMPARE(r.code, 0);
            QVERIFY(r.out.startsWith("Usage: quorvane " + QByteArray(c)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliModel)
#include "tst_cli_model.moc"
