// Model files: the byte layout of every kind, unpacking, the pack, and hostile files.
#include "ModelTestUtil.h"

#include "Archive.h"
#include "Compression.h"
#include "Model.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testutil;
using quorvane::Model_v0_0;

namespace {

QByteArray le32(qint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray packEntry(const QString& name, const QByteArray& data)
{
    return le32(qint32(name.size())) + name.toLatin1() + le32(qint32(data.size())) + data;
}

// A model file built by hand: header, kind, suffix, stored-zlib thumbnail and content, then `tail`.
QByteArray handModel(qint32 kind, const QString& suffix, const QByteArray& content, const QByteArray& tail)
{
    return modelHeader() + be32(quint32(kind)) + qstr(suffix) + qbytes(storedField("PNG")) +
           qbytes(storedField(content)) + tail;
}

QByteArray sideEntries(const QList<QPair<QString, QByteArray>>& entries)
{
    QByteArray out = be32(quint32(entries.size()));
    for (const auto& e : entries)
        out += qstr(e.first) + qbytes(e.first == QLatin1String("Error") ? QByteArray("Error") : storedField(e.second));
    return out;
}

} // namespace

class TestModelFile : public QObject
{
    Q_OBJECT

private:
    QString T() const { return quorvane::tempDirectory().path(); }

private slots:
    void init() { quorvane::emptyDirectory(quorvane::tempDirectory()); }

    void writerLayout_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("expected");
        const char* head = "5156524E 4D4F444C 46494C45 00000000 00000000";
        const char* thumbContent = "00000002 5431  00000002 4331";
        auto row = [&](const char* name, int kind, const char* suffix, const char* kindAndSuffix, const char* tail) {
            QTest::newRow(name) << kind << QString::fromLatin1(suffix)
                                << hex(head) + hex(kindAndSuffix) + hex(thumbContent) + hex(tail);
        };
        row("0 resource", 0, "obj", "00000000 00000006 006F 0062 006A",
            "00000002"
            " 0000001C 006D 005F 0072 0065 0073 0064 0069 0072 002F 0061 002E 006D 0074 006C 00000002 4431"
            " 0000000A 0045 0072 0072 006F 0072 00000005 4572726F72");
        row("1 self-contained", 1, "fbx", "00000001 00000006 0066 0062 0078", "");
        row("2 picture", 2, "JPG", "00000002 00000006 004A 0050 0047", "00000000");
        row("3 video", 3, "mp4", "00000003 00000006 006D 0070 0034", "00000000");
        row("4 nested", 4, "3ds", "00000004 00000006 0033 0064 0073",
            "00000001"
            " 0000001C 006D 005F 0072 0065 0073 0064 0069 0072 005C 0074 002E 0070 006E 0067 00000002 4432");
    }

    void writerLayout()
    {
        QFETCH(int, kind);
        QFETCH(QString, suffix);
        QFETCH(QByteArray, expected);
        QList<quorvane::ModelSideEntry> entries;
        if (kind == 0)
            entries = {{"m_resdir/a.mtl", "D1"}, {"Error", "Error"}};
        else if (kind == 4)
            entries = {{"m_resdir\\t.png", "D2"}};
        QTemporaryDir dir;
        const QString path = dir.filePath("m.qmd");
        QVERIFY(quorvane::writeModelFile(path, kind, suffix, "T1", "C1", entries));
        QCOMPARE(readFile(path).toHex(' '), expected.toHex(' '));
    }

    void loadEachKind_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expectedFiles");
        QTest::addColumn<QString>("mainFile");
        const QByteArray content = "CONTENT";
        QTest::newRow("0 with Error entry and backslash name")
            << handModel(0, "obj", content,
                         sideEntries({{"chair_resdir/mat0000.mtl", "newmtl a"},
                                      {"Error", ""},
                                      {"chair_resdir\\tex0000_png.jpg", "JPEG"}}))
            << QStringList{"chair.obj", "chair.png", "chair_resdir/mat0000.mtl", "chair_resdir/tex0000_png.jpg"}
            << "chair.obj";
        QTest::newRow("1 ends after content")
            << handModel(1, "fbx", content, {}) << QStringList{"chair.fbx", "chair.png"} << "chair.fbx";
        QTest::newRow("2 trailing zero count")
            << handModel(2, "JPG", content, be32(0)) << QStringList{"chair.JPG", "chair.png"} << "chair.JPG";
        QTest::newRow("3 video") << handModel(3, "mp4", content, be32(0)) << QStringList{"chair.mp4", "chair.png"}
                                 << "chair.mp4";
        QTest::newRow("4 content moved into resdir")
            << handModel(4, "3ds", content, sideEntries({{"chair_resdir\\wood.png", "WOOD"}}))
            << QStringList{"chair.png", "chair_resdir/chair.3ds", "chair_resdir/wood.png"} << "chair_resdir/chair.3ds";
        QTest::newRow("unknown kind reads nothing more")
            << handModel(9, "xyz", content, sideEntries({{"chair_resdir/x", "X"}}))
            << QStringList{"chair.png", "chair.xyz"} << "chair.xyz";
    }

    void loadEachKind()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expectedFiles);
        QFETCH(QString, mainFile);
        QTemporaryDir dir;
        const QString path = dir.filePath("chair.qmd");
        QVERIFY(writeFile(path, file));
        Model_v0_0 model;
        QVERIFY(model.load(path));
        QVERIFY(model.loaded);
        QCOMPARE(model.modelFile, path);
        QCOMPARE(model.mainFile, T() + "/" + mainFile);
        QCOMPARE(model.thumbnailFile, T() + "/chair.png");
        QCOMPARE(filesBelow(T()), expectedFiles);
        QCOMPARE(readFile(model.mainFile), QByteArray("CONTENT"));
        QCOMPARE(readFile(model.thumbnailFile), QByteArray("PNG"));
    }

    void rejectsForeignFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray body = be32(2) + qstr("png") + qbytes(storedField("P")) + qbytes(storedField("C")) + be32(0);
        QTest::newRow("version 0.1") << hex("5156524E 4D4F444C 46494C45 00000000 00000001") + body;
        QTest::newRow("third signature word") << hex("5156524E 4D4F444C 46494C46 00000000 00000000") + body;
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("suffix climbing out") << modelHeader() + be32(2) + qstr("x/../../../evil") + body.mid(14);
        QTest::newRow("suffix with drive") << modelHeader() + be32(2) + qstr("C:\\evil") + body.mid(14);
    }

    void rejectsForeignFiles()
    {
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.qmd");
        QVERIFY(writeFile(path, file));
        Model_v0_0 model;
        QVERIFY(!model.load(path));
        QVERIFY(!model.loaded);
        QVERIFY(model.mainFile.isEmpty());
        QVERIFY(Model_v0_0().pack(path).isNull());
        QVERIFY(!Model_v0_0().load(dir.filePath("missing.qmd")));
        QCOMPARE(filesBelow(dir.path()), QStringList{"a.qmd"});
        QCOMPARE(filesBelow(T()), QStringList());
    }

    // Loading the same 3DS model file again finds its earlier content in the resource directory:
    // that copy stays, the fresh one is left at the top, and the record still names the nested one.
    void nestedSecondLoadKeepsFirstCopy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("ship.qmd");
        QVERIFY(writeFile(path, handModel(4, "3ds", "first", sideEntries({}))));
        Model_v0_0 first;
        QVERIFY(first.load(path));
        QVERIFY(writeFile(path, handModel(4, "3ds", "second", sideEntries({}))));
        Model_v0_0 second;
        QVERIFY(second.load(path));
        QCOMPARE(second.mainFile, T() + "/ship_resdir/ship.3ds");
        QCOMPARE(readFile(second.mainFile), QByteArray("first"));
        QCOMPARE(readFile(T() + "/ship.3ds"), QByteArray("second"));
    }

    void packLayout_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QStringList>("filesAfter");
        const QString t = T();
        QTest::newRow("0: names as stored, Error with no data")
            << handModel(0, "obj", "OBJ", sideEntries({{"c_resdir\\m.mtl", "MTL"}, {"Error", ""}}))
            << le32(3) + packEntry(t + "/c.obj", "OBJ") + packEntry("c_resdir\\m.mtl", "MTL") + packEntry("Error", "")
            << QStringList();
        QTest::newRow("2: one entry") << handModel(2, "png", "PIC", be32(0)) << le32(1) + packEntry(t + "/c.png", "PIC")
                                      << QStringList();
        QTest::newRow("2: a forged count adds nothing")
            << handModel(2, "png", "PIC", be32(7)) << le32(1) + packEntry(t + "/c.png", "PIC") << QStringList();
        QTest::newRow("4: full paths, unsafe name packed as Error")
            << handModel(4, "3ds", "3DS", sideEntries({{"c_resdir\\w.png", "W"}, {"..\\..\\x", "X"}}))
            << le32(3) + packEntry(t + "/c.3ds", "3DS") + packEntry(t + "/c_resdir/w.png", "W") + packEntry("Error", "")
            << QStringList();
    }

    void packLayout()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("c.qmd");
        QVERIFY(writeFile(path, file));
        QCOMPARE(quorvane::packModelFile(path).toHex(' '), expected.toHex(' '));
        QCOMPARE(filesBelow(T()), QStringList());
    }

    // The pack of a 3DS model moves a content file unpacked at the top into its resource directory.
    void packMovesNestedContent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("c.qmd");
        QVERIFY(writeFile(path, handModel(4, "3ds", "3DS", sideEntries({}))));
        QVERIFY(writeFile(T() + "/c.3ds", "3DS"));
        QVERIFY(!quorvane::packModelFile(path).isNull());
        QCOMPARE(filesBelow(T()), QStringList{"c_resdir/c.3ds"});
    }

    // Names from someone else's file never leave the folder; "\" is only ever a separator inside it.
    void hostileSideNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expectedInside"); // empty: refused
        QTest::newRow("backslash separator") << "m_resdir\\sub\\t.png"
                                             << "m_resdir/sub/t.png";
        QTest::newRow("parent") << "../evil.txt"
                                << "";
        QTest::newRow("parent after resdir") << "m_resdir/../../evil.txt"
                                             << "";
        QTest::newRow("backslash parent") << "m_resdir\\..\\..\\..\\evil.txt"
                                          << "";
        QTest::newRow("absolute") << QDir::tempPath() + "/quorvane-evil.txt"
                                  << "";
        QTest::newRow("UNC") << "\\\\server\\share\\evil.txt"
                             << "";
        QTest::newRow("drive") << "C:\\evil.txt"
                               << "";
        QTest::newRow("drive relative") << "C:evil.txt"
                                        << "";
        QTest::newRow("dot segment") << "m_resdir/./t.png"
                                     << "";
        QTest::newRow("control character") << QString("m_resdir/t\n.png") << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void hostileSideNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, expectedInside);
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath("a/b/target")));
        const QString path = root.filePath("a/b/m.qmd");
        QVERIFY(writeFile(path, handModel(0, "obj", "OBJ", sideEntries({{name, "DATA"}}))));
        Model_v0_0 model;
        QVERIFY(model.loadInto(path, QDir(root.filePath("a/b/target"))));
        QStringList expected{"a/b/m.qmd", "a/b/target/m.obj", "a/b/target/m.png"};
        if (!expectedInside.isEmpty())
            expected << "a/b/target/" + expectedInside;
        expected.sort();
        QCOMPARE(filesBelow(root.path()), expected);
        QVERIFY(!QFile::exists(QDir::tempPath() + "/quorvane-evil.txt"));
    }

    // Forged lengths and compressed fields end in "not written", quickly and without a large allocation.
    void forgedContentFields_data()
    {
        QTest::addColumn<QByteArray>("contentField"); // the stored byte array, length word included
        QByteArray bomb = qCompress(QByteArray(8 * 1024 * 1024, '\0'));
        qToBigEndian<quint32>(16, bomb.data()); // declares 16 bytes, inflates to 8 MiB
        QByteArray overCap = storedField("C");
        qToBigEndian<quint32>(0xFFFFFFF0u, overCap.data());
        QTest::newRow("array longer than the file") << be32(0x7FFFFFF0u) + QByteArray(10, 'x');
        QTest::newRow("declared size over the cap") << qbytes(overCap);
        QTest::newRow("inflates past its declared size") << qbytes(bomb);
        QTest::newRow("the five bytes Error") << qbytes("Error");
        QTest::newRow("cut zlib stream") << qbytes(storedField("CONTENT").left(12));
        QTest::newRow("garbage after length") << qbytes(be32(4) + "garbage");
    }

    void forgedContentFields()
    {
        QFETCH(QByteArray, contentField);
        QTemporaryDir dir;
        const QString path = dir.filePath("f.qmd");
        QVERIFY(writeFile(path, modelHeader() + be32(1) + qstr("fbx") + qbytes(storedField("PNG")) + contentField));
        Model_v0_0 model;
        QVERIFY(model.load(path)); // documented: a broken field still loads, without that file
        QVERIFY(!QFile::exists(model.mainFile));
        QCOMPARE(filesBelow(T()), QStringList{"f.png"});
        const QByteArray pack = quorvane::packModelFile(path);
        QCOMPARE(pack, le32(1) + packEntry(T() + "/f.fbx", ""));
    }

    void truncationAtEveryOffset_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("0") << handModel(
            0, "obj", "OBJ", sideEntries({{"t_resdir/m.mtl", "MTL"}, {"Error", ""}, {"t_resdir\\x.jpg", "J"}}));
        QTest::newRow("4") << handModel(4, "3ds", "3DS", sideEntries({{"t_resdir\\w.png", "W"}}));
    }

    void truncationAtEveryOffset()
    {
        QFETCH(QByteArray, file);
        QTemporaryDir root;
        const QString path = root.filePath("t.qmd");
        for (int n = 0; n < file.size(); ++n) {
            QVERIFY(writeFile(path, file.left(n)));
            const QString target = root.filePath(QString("out%1").arg(n));
            QDir().mkpath(target);
            Model_v0_0 model;
            const bool headerComplete = n >= 20;
            QCOMPARE(model.loadInto(path, QDir(target)), headerComplete);
            QCOMPARE(quorvane::packModelFile(path).isNull(), !headerComplete);
        }
        for (const QString& f : filesBelow(root.path()))
            QVERIFY2(f == "t.qmd" || f.startsWith("out"), qPrintable(f));
    }

    void compressedFileHelpers()
    {
        QTemporaryDir dir;
        QByteArray field;
        QVERIFY(!quorvane::readCompressed(dir.filePath("missing"), field));
        const QByteArray text = QByteArray("line\n").repeated(1000);
        QVERIFY(writeFile(dir.filePath("in"), text));
        QVERIFY(quorvane::readCompressed(dir.filePath("in"), field));
        QCOMPARE(field, qCompress(text));
        QVERIFY(quorvane::writeUncompressed(field, dir.filePath("out")));
        QCOMPARE(readFile(dir.filePath("out")), text);
        QVERIFY(quorvane::writeUncompressed(storedField(""), dir.filePath("empty")));
        QCOMPARE(QFileInfo(dir.filePath("empty")).size(), 0);
        // Invalid data leaves an existing file alone instead of truncating it.
        QVERIFY(!quorvane::writeUncompressed("Error", dir.filePath("out")));
        QCOMPARE(readFile(dir.filePath("out")), text);
    }
};

QTEST_GUILESS_MAIN(TestModelFile)
#include "tst_modelfile.moc"
