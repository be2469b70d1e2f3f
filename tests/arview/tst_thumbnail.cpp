// Off-screen thumbnails: a model centred on pure green, clean failures, and the command that
// users run to refresh them.
#include "Thumbnail.h"

#include <QtTest>

#include <QProcess>

#include <osg/Group>
#include <osgDB/WriteFile>

using namespace quorvane; // the view's classes

class TestThumbnail : public QObject
{
    Q_OBJECT
private slots:
    void modelInTheMiddleOnGreen_data();
    void modelInTheMiddleOnGreen();
    void failuresWriteNothing();
    void commandLine();

private:
    QTemporaryDir m_dir;
};

void TestThumbnail::modelInTheMiddleOnGreen_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("COLLADA") << QStringLiteral("Collada/duck.dae");
    QTest::newRow("OBJ") << QStringLiteral("OBJ/spider.obj");
    QTest::newRow("FBX through assimp") << QStringLiteral("FBX/spider.fbx");
    QTest::newRow("glTF through assimp") << QStringLiteral("glTF2/BoxTextured-glTF/BoxTextured.gltf");
}

void TestThumbnail::modelInTheMiddleOnGreen()
{
    QFETCH(QString, model);
    const QString out = m_dir.filePath(QStringLiteral("thumb.png"));
    QFile::remove(out);
    QCOMPARE(renderModelThumbnail("/usr/share/assimp/models/" + model.toStdString(), out.toStdString()),
             ThumbnailRenderer::Result::Written);
    const QImage img(out);
    QCOMPARE(img.size(), QSize(256, 256));
    const QRgb green = qRgb(0, 255, 0);
    for (const QPoint& p : {QPoint(0, 0), QPoint(255, 0), QPoint(0, 255), QPoint(255, 255)})
        QCOMPARE(img.pixel(p) & 0xFFFFFF, green & 0xFFFFFF);
    // The model fills the middle: most of the central square is not background.
    int model_ = 0;
    for (int y = 96; y < 160; ++y)
        for (int x = 96; x < 160; ++x)
            model_ += (img.pixel(x, y) & 0xFFFFFF) != (green & 0xFFFFFF);
    QVERIFY2(model_ > 64 * 64 / 3, qPrintable(QString::number(model_)));
    // Lit, not a black silhouette: the model's pixels are clearly brighter than black.
    double sum = 0;
    int n = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != (green & 0xFFFFFF)) {
                sum += qGray(img.pixel(x, y));
                ++n;
            }
    QVERIFY2(sum / n > 20, qPrintable(QString::number(sum / n)));
}

void TestThumbnail::failuresWriteNothing()
{
    const QString out = m_dir.filePath(QStringLiteral("none.png"));
    const QString junk = m_dir.filePath(QStringLiteral("junk.3ds"));
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("this is no model");
    f.close();
    const QString empty = m_dir.filePath(QStringLiteral("empty.osgt"));
    QVERIFY(osgDB::writeNodeFile(*new osg::Group, empty.toStdString()));
    for (const QString& model : {junk, empty, m_dir.filePath(QStringLiteral("missing.dae"))}) {
        // None of them holds a model: the renderer says so (it is not a missing display).
        QCOMPARE(renderModelThumbnail(model.toStdString(), out.toStdString()),
                 ThumbnailRenderer::Result::UnreadableModel);
        QVERIFY(!QFile::exists(out));
    }
}

void TestThumbnail::commandLine()
{
    const QString out = m_dir.filePath(QStringLiteral("cli.png"));
    QProcess p;
    p.start(QStringLiteral(QUORVANE_TOOL),
            {QStringLiteral("thumbnail"), QStringLiteral("/usr/share/assimp/models/3DS/fels.3ds"), out});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardOutput(), QByteArray()); // the renderer's own diagnostics stay out of the tool
    QCOMPARE(QImage(out).size(), QSize(256, 256));

    p.start(QStringLiteral(QUORVANE_TOOL),
            {QStringLiteral("thumbnail"), m_dir.filePath(QStringLiteral("missing.obj")), out});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(p.readAllStandardError().count('\n'), 1);
}

QTEST_GUILESS_MAIN(TestThumbnail)
#include "tst_thumbnail.moc"
