// Export archives: scrambling, the viewer and mobile layouts, the viewer's reader and hostile archives.
#include "ModelTestUtil.h"

#include "Archive.h"
#include "Model.h"
#include "Scene.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace testutil;
using quorvane::Label;
using quorvane::Scene;

Q_DECLARE_METATYPE(quorvane::ViewerOpenStatus)
Q_DECLARE_METATYPE(quorvane::ArchiveLayout)

namespace {

QByteArray counting(int n)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(i);
    return b;
}

QByteArray le32(qint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

Label label(const QString& text)
{
    Label l;
    l.text = text;
    l.fontColor = {0.9f, 0.1f, 0.2f, 1.0f};
    l.anchor = {4.0f, -2.0f, 8.5f};
    l.angle = 30.0f;
    return l;
}

// A model file of each useful kind in `dir`, written with the library's writer.
QString pictureModel(const QDir& dir, const QString& name, const QByteArray& content = "PIXELS")
{
    const QString path = dir.filePath(name + ".qmd");
    if (!quorvane::writeModelFile(path, quorvane::Picture, "jpg", qCompress("THUMB"), qCompress(content)))
        return QString();
    return path;
}

QString objModel(const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name + ".qmd");
    const QList<quorvane::ModelSideEntry> entries{{name + "_resdir\\mat0000.mtl", qCompress("newmtl wood")},
                                                  {"Error", "Error"}};
    if (!quorvane::writeModelFile(path, quorvane::ResourceModel, "obj", qCompress("THUMB"), qCompress("v 0 0 0"),
                                  entries))
        return QString();
    return path;
}

// The older payload (".qvx" and archives without magic): 20 records of name, 7 floats and model.
QByteArray format1Payload(int marker, const QByteArray& model)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QDataStream s(&buffer);
    for (int i = 0; i < 20; ++i) {
        const bool has = i == marker;
        s << (has ? QString("/model%1.qmd").arg(i, 5, 10, QChar('0')) : QString());
        s << 10.0f << 20.0f << 30.0f << 1.0f << 2.0f << 3.0f << (has ? 4.0f : 1.0f);
        s << (has ? model : QByteArray());
    }
    return out;
}

QByteArray magic()
{
    return QByteArray(quorvane::kViewerArchiveMagic, quorvane::kViewerArchiveMagicSize);
}

} // namespace

class TestArchive : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        quorvane::emptyDirectory(quorvane::tempDirectory());
        quorvane::emptyDirectory(quorvane::viewerTempDirectory());
    }

    void blockSwapVectors()
    {
        const QByteArray data = counting(34);
        QCOMPARE(quorvane::blockSwap(data, 17), data); // 0 + 34 < 34 is false
        QCOMPARE(quorvane::blockSwap(data, 2).toHex(' '),
                 hex("02 03 00 01 06 07 04 05 0A 0B 08 09 0E 0F 0C 0D 12 13 10 11 16 17 14 15 1A 1B 18 19 1E 1F 1C 1D"
                     " 20 21")
                     .toHex(' '));
    }

    void scrambleVectors_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("5") << 5 << hex("0203000104");
        QTest::newRow("40: 17, 2 and 13 act")
            << 40 << hex("201d1e0102210005060304090a13141112171815161b1c191a1f07080d0e0b0c22230f1024252627");
        QTest::newRow("100: 37 acts too")
            << 100
            << hex("414207080d0e0b0c33340f10373835322f30464744454a4b48494e4f25262324292a27282d201d1e0102210005060304"
                   "090a13141112171815161b1c191a1f363b3c393a3f403d3e43222e2b2c314c4d52535051565754555a5b58595e5f5c5d"
                   "60616263");
        QTest::newRow("256: the third size is 11")
            << 256
            << hex("2e2b3835363b3c393a0304090a070823605d5e63646162454665442f2c31323f403d3e43221112171815161b1c1934"
                   "0f10371a1f201d1e01022100050613140d0e0b0c3324292a27282d8481828766854e4b4c51524f6a67686d6e6b6c75"
                   "7673749b9c999a9fa09d969386699ea3a44142252653547b7c797a7f80494a47484d30575855565b5c595a5f507778"
                   "71726f707d7e83e4e1e2e7e8e5e6ebece9b2afb0b5b6c3c4c1c2c7c8c5c6d9dad7d8eeefdbdcf2f3cdceedeaa1a2a7"
                   "a8a5a6898a8b8c91928f9095caadaeabacb194bbbc9798bfc0bdbea9888d8ecbaac9b3b4b9bab7b8dfe0dddee3d4cc"
                   "d1d2cfd0d5d6d3f0f1f6f7f4f5fafbf8f9fcfdfeff");
    }

    void scrambleVectors()
    {
        QFETCH(int, n);
        QFETCH(QByteArray, expected);
        QCOMPARE(quorvane::scramble(counting(n)).toHex(), expected.toHex());
        QCOMPARE(quorvane::unscramble(expected), counting(n));
    }

    void scrambleRoundTripEveryLength()
    {
        QVERIFY(quorvane::scramble(QByteArray()).isEmpty());
        QRandomGenerator rng(5);
        for (int n = 1; n <= 3000; ++n) {
            QByteArray data(n, Qt::Uninitialized);
            for (char& c : data)
                c = char(rng.bounded(256));
            const QByteArray scrambled = quorvane::scramble(data);
            QCOMPARE(scrambled.size(), n);
            if (quorvane::unscramble(scrambled) != data)
                QFAIL(qPrintable(QString("length %1 does not come back").arg(n)));
        }
    }

    void mobileArchiveOfEmptyScene()
    {
        QByteArray data;
        QVERIFY(quorvane::buildMobileSceneData(Scene(), &data));
        QCOMPARE(data.toHex(' '), hex("01 00 00 00 00 00 00 00").toHex(' '));
        const QByteArray logo = quorvane::buildLogoPng({});
        QTemporaryDir dir;
        QVERIFY(quorvane::writeMobileArchive(dir.filePath("e.qvm2"), data, logo));
        const QByteArray file = readFile(dir.filePath("e.qvm2"));
        QCOMPARE(file.left(8), hex("0100000000000000"));
        QCOMPARE(file.mid(8), logo);
        const QImage image = QImage::fromData(logo, "PNG");
        QCOMPARE(image.size(), QSize(256, 256));
        QCOMPARE(image.pixelColor(128, 128).alpha(), 0);
    }

    // Only marker 7 has content: twenty records, record 7 named after its index.
    void viewerSceneDataRecords()
    {
        QTemporaryDir dir;
        Scene s;
        s.markers[7].modelFile = pictureModel(QDir(dir.path()), "foto");
        s.markers[3].modelFile = dir.filePath("gone.qmd"); // missing: no content
        QByteArray data;
        QVERIFY(quorvane::buildViewerSceneData(s, &data));
        // Version, then marker 0: null name, six zero doubles, scale 1.0, null model, no labels.
        QCOMPARE(
            data.left(4 + 4 + 56 + 4 + 4).toHex(' '),
            (hex("00000001 FFFFFFFF") + hex("0000000000000000").repeated(6) + hex("3FF0000000000000 FFFFFFFF 00000000"))
                .toHex(' '));
        quorvane::ViewerArchiveContents c;
        QCOMPARE(quorvane::parseViewerArchive(magic() + quorvane::scramble(data + "LOGO"), true, &c),
                 quorvane::ArchiveParseStatus::Ok);
        QVERIFY(c.complete);
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(c.scene.markers[i].modelFile, i == 7 ? QString("/model00007.qmd") : QString());
            QCOMPARE(c.models[i], i == 7 ? readFile(s.markers[7].modelFile) : QByteArray());
        }
        QCOMPARE(c.logoPng, QByteArray("LOGO"));
    }

    // Export and reopen in the viewer: models unpacked, labels, transforms and logo back.
    void viewerRoundTrip()
    {
        QTemporaryDir dir;
        Scene s;
        s.markers[2].modelFile = objModel(QDir(dir.path()), "silla");
        s.markers[2].rotation = {0.0f, 90.0f, 180.0f};
        s.markers[2].translation = {5.0f, 0.0f, -5.0f};
        s.markers[2].scale = 67.67f;
        s.markers[2].labels = {label(QStringLiteral("Silla de comedor, roble macizo")),
                               label(QStringLiteral("椅子，橡木"))};
        s.markers[11].modelFile = pictureModel(QDir(dir.path()), "cartel");
        s.markers[16].labels = {label(QStringLiteral("Etiqueta sin modelo: ¿dónde?"))};
        QByteArray data;
        QVERIFY(quorvane::buildViewerSceneData(s, &data));
        const QByteArray logo = quorvane::buildLogoPng({true, QString()});
        const QString archive = dir.filePath("escena.qvx2");
        QVERIFY(quorvane::writeViewerArchive(archive, data, logo));
        QVERIFY(readFile(archive).startsWith("vWBnKbR2/2TYmbSqtvM6eiQce1fQnXi"));

        quorvane::OpenedViewerScene opened;
        QCOMPARE(quorvane::openViewerArchive(archive, &opened), quorvane::ViewerOpenStatus::Opened);
        QCOMPARE(opened.layout, quorvane::ArchiveLayout::ViewerFormat2);
        QVERIFY(opened.hasLogo);
        QCOMPARE(opened.logoPng, logo);
        const QString vt = quorvane::viewerTempDirectory().absolutePath();
        QCOMPARE(opened.scene.markers[2].modelFile, vt + "/model00002.qmd");
        QCOMPARE(readFile(opened.scene.markers[2].modelFile), readFile(s.markers[2].modelFile));
        // Unpacked beside the model files, in the viewer's own folder.
        const QString t = quorvane::viewerTempDirectory().canonicalPath();
        QCOMPARE(opened.contentFiles[2], t + "/model00002.obj");
        QCOMPARE(readFile(opened.contentFiles[2]), QByteArray("v 0 0 0"));
        QCOMPARE(readFile(t + "/silla_resdir/mat0000.mtl"), QByteArray("newmtl wood"));
        QCOMPARE(opened.contentFiles[11], t + "/model00011.jpg");
        QCOMPARE(opened.thumbnailFiles[11], t + "/model00011.png");
        Scene expected = s;
        for (int i = 0; i < 20; ++i) {
            expected.markers[i].modelFile = opened.scene.markers[i].modelFile;
            QCOMPARE(opened.contentFiles[i].isEmpty(), i != 2 && i != 11);
        }
        QVERIFY(opened.scene == expected);
        QCOMPARE(opened.modelMarkers, (QList<int>{2, 11}));
        QVERIFY(opened.complete);
        QVERIFY(!QFileInfo::exists(quorvane::tempDirectory().filePath("model00002.obj")));
    }

    // ".qvx": magic and scrambled records without version or labels, then the logo. Without magic the
    // records stand alone, whatever the suffix, and there is no logo.
    void olderLayouts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("fileWithoutModel"); // %MODEL% replaced below
        QTest::addColumn<quorvane::ArchiveLayout>("layout");
        QTest::addColumn<bool>("hasLogo");
        QTest::newRow("qvx") << "old.qvx" << QByteArray("magic") << quorvane::ArchiveLayout::ViewerFormat1 << true;
        QTest::newRow("qvx2 without magic")
            << "plain.qvx2" << QByteArray("plain") << quorvane::ArchiveLayout::PlainRecords << false;
        QTest::newRow("qvx without magic")
            << "plain.qvx" << QByteArray("plain") << quorvane::ArchiveLayout::PlainRecords << false;
    }

    void olderLayouts()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, fileWithoutModel);
        QFETCH(quorvane::ArchiveLayout, layout);
        QFETCH(bool, hasLogo);
        QTemporaryDir dir;
        const QByteArray model = readFile(pictureModel(QDir(dir.path()), "p"));
        const QByteArray payload = format1Payload(5, model);
        const QByteArray file =
            fileWithoutModel == "magic" ? magic() + quorvane::scramble(payload + "PNGDATA") : payload;
        QVERIFY(writeFile(dir.filePath(name), file));
        quorvane::OpenedViewerScene opened;
        QCOMPARE(quorvane::openViewerArchive(dir.filePath(name), &opened), quorvane::ViewerOpenStatus::Opened);
        QCOMPARE(opened.layout, layout);
        QCOMPARE(opened.hasLogo, hasLogo);
        QCOMPARE(opened.logoPng, hasLogo ? QByteArray("PNGDATA") : QByteArray());
        QCOMPARE(readFile(opened.contentFiles[5]), QByteArray("PIXELS"));
        QCOMPARE(opened.scene.markers[5].scale, 4.0f);
        QCOMPARE(opened.scene.markers[5].rotation[2], 30.0f);
        QCOMPARE(opened.scene.markers[0].scale, 1.0f);
        QVERIFY(opened.scene.markers[5].labels.isEmpty());
    }

    void openOutcomes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file"); // null: do not create
        QTest::addColumn<quorvane::ViewerOpenStatus>("status");
        QTest::newRow("magic alone") << "a.qvx2" << magic() << quorvane::ViewerOpenStatus::ProcessingError;
        QTest::newRow("suffix case matters") << "a.QVX2" << magic() + "x" << quorvane::ViewerOpenStatus::Ignored;
        QTest::newRow("other suffix") << "a.qvm2" << magic() + "x" << quorvane::ViewerOpenStatus::Ignored;
        QTest::newRow("missing") << "b.qvx2" << QByteArray() << quorvane::ViewerOpenStatus::CannotOpen;
        QTest::newRow("empty file") << "c.qvx2" << QByteArray("") << quorvane::ViewerOpenStatus::Opened;
        QTest::newRow("version 2") << "d.qvx2" << magic() + quorvane::scramble(hex("00000002") + "rest")
                                   << quorvane::ViewerOpenStatus::Opened;
    }

    void openOutcomes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        QFETCH(quorvane::ViewerOpenStatus, status);
        QTemporaryDir dir;
        if (!file.isNull())
            QVERIFY(writeFile(dir.filePath(name), file));
        quorvane::OpenedViewerScene opened;
        QCOMPARE(quorvane::openViewerArchive(dir.filePath(name), &opened), status);
        for (const QString& c : opened.contentFiles)
            QVERIFY(c.isEmpty());
    }

    // Record names come from someone else: only "/" and a plain relative name are written.
    void hostileRecordNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent") << "/../escape.qmd";
        QTest::newRow("deeper") << "/../../../escape.qmd";
        QTest::newRow("backslashes") << "/..\\..\\escape.qmd";
        QTest::newRow("no leading slash") << "../escape.qmd";
        QTest::newRow("drive") << "/C:/escape.qmd";
        QTest::newRow("dot") << "/.";
    }

    void hostileRecordNames()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QByteArray model = readFile(pictureModel(QDir(dir.path()), "p"));
        QByteArray payload = format1Payload(0, model);
        QByteArray forged;
        {
            QBuffer b(&forged);
            b.open(QIODevice::WriteOnly);
            QDataStream s(&b);
            s << name;
        }
        QByteArray honestField;
        {
            QBuffer b(&honestField);
            b.open(QIODevice::WriteOnly);
            QDataStream s(&b);
            s << QString("/model00000.qmd");
        }
        QVERIFY(payload.startsWith(honestField));
        payload = forged + payload.mid(honestField.size());
        const QString archive = dir.filePath("h.qvx");
        QVERIFY(writeFile(archive, magic() + quorvane::scramble(payload + "LOGO")));
        const QString home = qEnvironmentVariable("localappdata");
        const QStringList before = filesBelow(home);
        quorvane::OpenedViewerScene opened;
        QCOMPARE(quorvane::openViewerArchive(archive, &opened), quorvane::ViewerOpenStatus::Opened);
        QVERIFY(opened.contentFiles[0].isEmpty());
        QVERIFY(opened.scene.markers[0].modelFile.isEmpty());
        QCOMPARE(opened.scene.markers[0].scale, 4.0f); // the rest of the record still applies
        QCOMPARE(filesBelow(home), before);
        QVERIFY(!QFile::exists(QDir::rootPath() + "escape.qmd"));
    }

    // Every cut of a small archive opens without harm (scrambled prefixes are garbage to the reader).
    void truncationAtEveryOffset()
    {
        QTemporaryDir dir;
        Scene s;
        s.markers[1].modelFile = pictureModel(QDir(dir.path()), "p");
        s.markers[1].labels = {label("corte")};
        QByteArray data;
        QVERIFY(quorvane::buildViewerSceneData(s, &data));
        const QByteArray file = magic() + quorvane::scramble(data + "LOGO");
        const QString path = dir.filePath("t.qvx2");
        for (int n = 0; n < file.size(); ++n) {
            QVERIFY(writeFile(path, file.left(n)));
            quorvane::OpenedViewerScene opened;
            const auto status = quorvane::openViewerArchive(path, &opened);
            QCOMPARE(status,
                     n == 31 ? quorvane::ViewerOpenStatus::ProcessingError : quorvane::ViewerOpenStatus::Opened);
            // Plain (unscrambled) cuts keep the records before the cut.
            quorvane::ViewerArchiveContents plain;
            quorvane::parseViewerArchive(data.left(n), true, &plain);
        }
    }

    void mobileRoundTrip()
    {
        QTemporaryDir dir;
        Scene s;
        s.markers[4].modelFile = objModel(QDir(dir.path()), "mesa");
        s.markers[4].rotation = {1.5f, 2.5f, 3.5f};
        s.markers[4].scale = 0.25f;
        s.markers[4].labels = {label(QStringLiteral("Mesa baja, año 1960")), label(QStringLiteral("桌子 table"))};
        s.markers[9].labels = {label("sin modelo")}; // no model file: no record
        QByteArray data;
        QVERIFY(quorvane::buildMobileSceneData(s, &data));
        const QByteArray logo = quorvane::buildLogoPng({});
        QTemporaryDir out;
        QVERIFY(quorvane::writeMobileArchive(out.filePath("m.qvm2"), data, logo));
        quorvane::MobileArchiveContents c;
        QVERIFY(quorvane::parseMobileArchive(readFile(out.filePath("m.qvm2")), &c));
        QCOMPARE(c.version, 1);
        QCOMPARE(c.declaredCount, 1);
        QCOMPARE(c.markers.size(), 1);
        const quorvane::MobileMarker& m = c.markers[0];
        QCOMPARE(m.index, 4);
        QCOMPARE(m.record.rotation, s.markers[4].rotation);
        QCOMPARE(m.record.scale, 0.25f);
        const QString t = quorvane::tempDirectory().path();
        QCOMPARE(m.pack.size(), 3);
        QCOMPARE(m.pack[0].name, t + "/mesa.obj");
        QCOMPARE(m.pack[0].data, QByteArray("v 0 0 0"));
        QCOMPARE(m.pack[1].name, QString("mesa_resdir\\mat0000.mtl"));
        QCOMPARE(m.pack[1].data, QByteArray("newmtl wood"));
        QCOMPARE(m.pack[2].name, QString("Error"));
        QCOMPARE(m.pack[2].data, QByteArray());
        QCOMPARE(m.record.labels.size(), 2);
        QCOMPARE(m.record.labels[0].text, QStringLiteral("Mesa baja, año 1960"));
        QCOMPARE(m.record.labels[1].text, QStringLiteral("?? table"));
        QCOMPARE(m.record.labels[1].anchor, s.markers[4].labels[1].anchor);
        QCOMPARE(c.logoPng, logo);
        // The label text is counted in Latin-1 bytes, right after the pack.
        const QByteArray text = QStringLiteral("Mesa baja, año 1960").toLatin1();
        QVERIFY(data.contains(le32(2) + le32(text.size()) + text));
    }

    void mobileAcceptsOnlyObj()
    {
        QTemporaryDir dir;
        for (const char* f : {"a.obj", "b.OBJ", "c.png", "d.3ds"})
            QVERIFY(writeFile(dir.filePath(f), "x"));
        Scene s;
        std::array<QString, 20> mains;
        const char* files[] = {"a.obj", "b.OBJ", "c.png", "d.3ds", "missing.png"};
        for (int i = 0; i < 5; ++i) {
            mains[i] = dir.filePath(files[i]);
            s.markers[i].modelFile = QString("/lib/m%1.qmd").arg(i);
        }
        const QStringList refused = quorvane::modelsUnsuitableForMobile(s, mains);
        QCOMPARE(refused, (QStringList{"/lib/m2.qmd", "/lib/m3.qmd"}));
        QCOMPARE(quorvane::mobileRefusalMessage("Intro:\n", refused), QString("Intro:\n\n /lib/m2.qmd\n /lib/m3.qmd"));
    }

    // A custom logo is fitted into 256 x 256 at x = 0, centred vertically; a missing picture falls back
    // to the built-in logo.
    void logoFitting_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QRect>("painted");
        QTest::newRow("wide") << QSize(100, 50) << QRect(0, 64, 256, 128);
        QTest::newRow("tall") << QSize(50, 100) << QRect(0, 0, 128, 256);
        QTest::newRow("small square grows") << QSize(16, 16) << QRect(0, 0, 256, 256);
    }

    void logoFitting()
    {
        QFETCH(QSize, source);
        QFETCH(QRect, painted);
        QTemporaryDir dir;
        QImage red(source, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(dir.filePath("logo.png")));
        const QImage logo = QImage::fromData(quorvane::buildLogoPng({true, dir.filePath("logo.png")}), "PNG");
        QCOMPARE(logo.size(), QSize(256, 256));
        for (int y = 0; y < 256; y += 3) {
            for (int x = 0; x < 256; x += 3) {
                const QColor c = logo.pixelColor(x, y);
                if (painted.contains(x, y))
                    QVERIFY2(c.alpha() == 255 && c.red() == 255, qPrintable(QString("%1,%2").arg(x).arg(y)));
                else
                    QVERIFY2(c.alpha() == 0, qPrintable(QString("%1,%2").arg(x).arg(y)));
            }
        }
    }

    void logoFallsBackToBuiltIn()
    {
        const QImage logo = QImage::fromData(quorvane::buildLogoPng({true, "/no/such/picture.png"}), "PNG");
        QCOMPARE(logo.size(), QSize(256, 256));
        int opaque = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                if (logo.pixelColor(x, y).alpha() > 0) {
                    ++opaque;
                    QVERIFY(y >= 64 && y < 192); // the built-in logo is twice as wide as tall
                }
        QVERIFY(opaque > 2000);
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
