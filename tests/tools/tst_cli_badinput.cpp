// Bad input to the command-line tool, as files from other people come: every case answers with its exit
// code and one line on standard error, within a memory limit it must not hit, and writes nothing outside
// the folder it was given.
#include "ModelTestUtil.h"

#include "Archive.h"
#include "Model.h"
#include "Scene.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace testutil;

namespace {

const QString kModels = QStringLiteral("/usr/share/assimp/models");

struct Run
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// The tool under a 4 GiB address-space limit: a reader that allocates without bound would hit it and
// abort instead of answering.
Run tool(const QStringList& args)
{
    QProcess p;
    p.setChildProcessModifier([] {
        const rlimit limit{rlim_t(4) << 30, rlim_t(4) << 30};
        setrlimit(RLIMIT_AS, &limit);
    });
    p.start(QStringLiteral(QUORVANE_TOOL), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray noise(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 2654435761u >> 13) & 0xff);
    return b;
}

// A PNG whose header claims `w` x `h` gray pixels and holds one white row: the size is all a reader that
// checks before decoding needs to see.
QByteArray pngClaiming(quint32 w, quint32 h)
{
    auto crc32 = [](const QByteArray& bytes) { // PNG's checksum
        quint32 crc = 0xffffffffu;
        for (const char c : bytes) {
            crc ^= quint8(c);
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
        return ~crc;
    };
    auto chunk = [&](const QByteArray& type, const QByteArray& data) {
        return be32(quint32(data.size())) + type + data + be32(crc32(type + data));
    };
    const QByteArray ihdr = be32(w) + be32(h) + QByteArray("\x08\x00\x00\x00\x00", 5); // 8-bit gray
    const QByteArray row = QByteArray(1, '\0') + QByteArray(int(w), '\xff');
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", qCompress(row, 9).mid(4)) +
           chunk("IEND", QByteArray());
}

} // namespace

class TestCliBadInput : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_scene;
    QString m_model;
    QString m_archive;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_model = path("silla.qmd");
        QVERIFY(quorvane::writeModelFile(m_model, quorvane::ResourceModel, "obj", qCompress("THUMB"),
                                         qCompress("v 1 2 3"), {{"silla_resdir\\mat0000.mtl", qCompress("newmtl a")}}));
        quorvane::Scene scene;
        scene.markers[4].modelFile = m_model;
        m_scene = path("escena.qvs2");
        QVERIFY(quorvane::writeSceneFile(scene, m_scene));
        m_archive = path("escena.qvx2");
        QCOMPARE(tool({"scene", "export", m_scene, "--viewer", m_archive}).code, 0);

        // Inputs of the table below.
        QDir().mkpath(path("in"));
        QDir().mkpath(path("outside"));
        QVERIFY(writeFile(path("in/empty.qvx2"), QByteArray()));
        QVERIFY(writeFile(path("in/random.qvx2"), noise(5000)));
        QVERIFY(writeFile(path("in/text.qvx"), "This is a letter, not an archive.\n"));
        QVERIFY(writeFile(path("in/truncated.qvx2"), readFile(m_archive).left(readFile(m_archive).size() / 2)));
        QVERIFY(writeFile(path("in/random.qvs"), noise(3000)));
        QVERIFY(writeFile(path("in/text.qvs2"), "escena\n"));
        QVERIFY(writeFile(path("in/empty.obj"), QByteArray()));
        QVERIFY(writeFile(path("in/random.dae"), noise(4000)));
        QVERIFY(writeFile(path("in/text.stl"), "solid nothing here\nat all\n"));
        QVERIFY(writeFile(path("in/empty.png"), QByteArray()));
        QVERIFY(writeFile(path("in/random.png"), noise(2000)));
        QVERIFY(writeFile(path("in/text.png"), "not a picture\n"));
        QVERIFY(writeFile(path("in/huge.png"), pngClaiming(20000, 20000)));
        // A model file whose content declares 2 GB, one with no content, one whose size word lies.
        const QByteArray head = modelHeader() + be32(2) + qstr("png") + storedField("T");
        QVERIFY(writeFile(path("in/huge.qmd"), head + be32(8) + hex("7FFFFFF0 789C0300") + be32(0)));
        QVERIFY(writeFile(path("in/null.qmd"), head + be32(0xFFFFFFFF) + be32(0)));
        QByteArray lying = storedField("abc");
        lying[3] = 9; // declares 9 bytes, holds 3
        QVERIFY(writeFile(path("in/lying.qmd"), head + qbytes(lying) + be32(0)));
    }

    void answersEachCase_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason"); // part of the one line on standard error
        const QString in = path("in");
        const QString oom = kModels + "/invalid/OutOfMemory.off";
        QTest::newRow("thumbnail: 309-byte OFF that asks for 15 GB")
            << QStringList{"thumbnail", oom, path("oom.png")} << 1 << "not a readable model";
        QTest::newRow("import: the same OFF")
            << QStringList{"import", "--to", path("lib"), oom} << 1 << "not a readable model";
        for (const char* name : {"empty.obj", "random.dae", "text.stl"})
            QTest::newRow(qPrintable(QStringLiteral("import: %1").arg(name)))
                << QStringList{"import", "--to", path("lib"), in + "/" + name} << 1 << "not a readable model";
        QTest::newRow("import: the test set's empty OBJ")
            << QStringList{"import", "--to", path("lib"), kModels + "/invalid/empty.obj"} << 1
            << "not a readable model";
        QTest::newRow("scene export: output is the scene")
            << QStringList{"scene", "export", m_scene, "--viewer", m_scene} << 1 << "would replace";
        QTest::newRow("scene export: output is a model")
            << QStringList{"scene", "export", m_scene, "--viewer", m_model} << 1 << "would replace";
        for (const char* logo : {"empty.png", "random.png", "text.png"})
            QTest::newRow(qPrintable(QStringLiteral("scene export: logo %1").arg(logo)))
                << QStringList{"scene", "export", m_scene, "--viewer", path("x.qvx2"), "--logo", in + "/" + logo} << 1
                << QStringLiteral("%1/%2: not a readable picture").arg(in, logo);
        QTest::newRow("scene export: logo of 20000 x 20000")
            << QStringList{"scene", "export", m_scene, "--viewer", path("x.qvx2"), "--logo", in + "/huge.png"} << 1
            << "huge.png: too large a picture";
        QTest::newRow("archive: empty") << QStringList{"archive", "info", in + "/empty.qvx2"} << 1 << "not an archive";
        QTest::newRow("archive: random") << QStringList{"archive", "extract", in + "/random.qvx2", path("x")} << 1
                                         << "not an archive";
        QTest::newRow("archive: text .qvx")
            << QStringList{"archive", "info", in + "/text.qvx"} << 1 << "not an archive";
        QTest::newRow("archive: truncated")
            << QStringList{"archive", "info", in + "/truncated.qvx2"} << 1 << "truncated";
        QTest::newRow("scene: random .qvs")
            << QStringList{"scene", "info", in + "/random.qvs"} << 1 << "not a scene file";
        QTest::newRow("scene: text .qvs2")
            << QStringList{"scene", "info", in + "/text.qvs2"} << 1 << "not a scene file";
        for (const char* model : {"huge.qmd", "null.qmd", "lying.qmd"})
            QTest::newRow(qPrintable(QStringLiteral("model unpack: %1").arg(model)))
                << QStringList{"model", "unpack", in + "/" + model, path(QStringLiteral("u-%1").arg(model))} << 1
                << "not written";
    }

    void answersEachCase()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, reason);
        const Run r = tool(args);
        QCOMPARE(r.code, code);
        const QList<QByteArray> lines = r.err.trimmed().split('\n');
        QVERIFY2(lines.size() == 1, r.err.constData());
        QVERIFY2(QString::fromUtf8(lines[0]).contains(reason), r.err.constData());
    }

    // Links already in the target folder (a file, the logo, a marker folder) are replaced, not followed.
    void neverWritesThroughALink()
    {
        const QString outside = path("outside");
        QVERIFY(writeFile(outside + "/victim.txt", "keep me"));
        const QString target = path("linked");
        QDir().mkpath(target);
        for (const char* name : {"model00004.qmd", "logo.png", "scene.qvs2"})
            QVERIFY(QFile::link(outside + "/victim.txt", target + "/" + QLatin1String(name)));
        QCOMPARE(tool({"archive", "extract", m_archive, target}).code, 0);
        QCOMPARE(readFile(outside + "/victim.txt"), QByteArray("keep me"));
        QVERIFY(!QFileInfo(target + "/logo.png").isSymLink());
        QCOMPARE(readFile(target + "/model00004.qmd"), readFile(m_model));

        const QString mobile = path("escena.qvm2");
        QCOMPARE(tool({"scene", "export", m_scene, "--mobile", mobile}).code, 0);
        const QString mobileTarget = path("linked-mobile");
        QDir().mkpath(mobileTarget);
        QVERIFY(QFile::link(outside, mobileTarget + "/marker04"));
        QCOMPARE(tool({"archive", "extract", mobile, mobileTarget}).code, 0);
        QCOMPARE(filesBelow(outside), QStringList{"victim.txt"});
        QVERIFY(QFileInfo(mobileTarget + "/marker04").isDir() && !QFileInfo(mobileTarget + "/marker04").isSymLink());

        const QString unpacked = path("linked-model");
        QDir().mkpath(unpacked);
        QVERIFY(QFile::link(outside + "/victim.txt", unpacked + "/silla.obj"));
        QVERIFY(QFile::link(outside, unpacked + "/silla_resdir"));
        QCOMPARE(tool({"model", "unpack", m_model, unpacked}).code, 0);
        QCOMPARE(readFile(outside + "/victim.txt"), QByteArray("keep me"));
        QCOMPARE(filesBelow(outside), QStringList{"victim.txt"});
        QCOMPARE(readFile(unpacked + "/silla.obj"), QByteArray("v 1 2 3"));
    }

    // The tool's own lines on standard output, nothing of the readers'; the import's work files go.
    void outputAndLeftovers()
    {
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(path("in/red.png")));
        const QString temp = QString::fromLocal8Bit(qgetenv("localappdata")) + "/QuorvaneTemp";
        const QStringList before = QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        Run r = tool({"import", "--to", path("lib"), path("in/red.png")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.count('\n'), 1);
        QVERIFY(r.out.contains("red.qmd"));
        QCOMPARE(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

        r = tool({"thumbnail", kModels + "/OBJ/spider.obj", path("spider.png")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(QImage(path("spider.png")).size(), QSize(256, 256));
    }

    void usageLinesNameTheCommand_data()
    {
        QTest::addColumn<QString>("command");
        for (const char* c : {"import", "thumbnail", "markers"})
            QTest::newRow(c) << QString::fromLatin1(c);
    }

    void usageLinesNameTheCommand()
    {
        QFETCH(QString, command);
        const Run r = tool({command, "--help"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith("Usage: quorvane " + command.toLatin1() + " [options]"), r.out.constData());
    }
};

QTEST_GUILESS_MAIN(TestCliBadInput)
#include "tst_cli_badinput.moc"
