// Quorvane Viewer's opening path without a window: which file names open and how, what reaches the view
// marker by marker, the markers the scene uses against those left empty, the one message for each outcome,
// and that nothing lands in the authoring program's folder.
#include "TestFiles.h"

#include "ArchiveOpening.h"
#include "Compression.h"
#include "Model.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;

namespace {

// A view that refuses the markers it is told to, and notes the rest.
class RecordingTarget : public ViewerSceneTarget
{
public:
    QList<int> refuse;
    QStringList steps;
    QMap<int, QString> contents;

    void applyModel(int marker, const MarkerRecord& record) override
    {
        if (record.modelFile.isEmpty())
            return;
        steps << QStringLiteral("model %1").arg(marker);
        if (!refuse.contains(marker))
            contents[marker] = record.modelFile;
    }
    void applyLabel(int marker, const Label& label) override
    {
        steps << QStringLiteral("label %1 %2").arg(marker).arg(label.text);
    }
    void applyTransform(int marker, const MarkerRecord& record) override
    {
        if (record.scale != 1.0f)
            steps << QStringLiteral("transform %1 %2").arg(marker).arg(record.scale);
    }
    bool showsContent(int marker) const override { return contents.contains(marker); }
};

// A picture model file: `pixels` stand for the picture.
QString pictureModel(const QDir& dir, const QString& name, const QByteArray& pixels)
{
    const QString path = dir.filePath(name + QStringLiteral(".qmd"));
    return writeModelFile(path, Picture, QStringLiteral("png"), compressField("thumb"), compressField(pixels))
               ? path
               : QString();
}

} // namespace

class TestViewerOpening : public QObject
{
    Q_OBJECT
private slots:
    void opensUnderEitherLetterCase_data();
    void opensUnderEitherLetterCase();
    void usedAndEmptyMarkers();
    void oneMessagePerOutcome_data();
    void oneMessagePerOutcome();
    void defaultSceneOpensWhole();
};

void TestViewerOpening::opensUnderEitherLetterCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("opens");
    QTest::newRow("qvx2") << "feria.qvx2" << true;
    QTest::newRow("QVX2 from another system") << "FERIA.QVX2" << true;
    QTest::newRow("Qvx2") << "feria.Qvx2" << true;
    QTest::newRow("mobile archive") << "feria.qvm2" << false;
    QTest::newRow("no suffix") << "feria" << false;
    QTest::newRow("suffix of a longer name") << "feria.qvx2.txt" << false;
}

void TestViewerOpening::opensUnderEitherLetterCase()
{
    QFETCH(QString, name);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    Scene scene;
    scene.markers[6].modelFile = pictureModel(QDir(dir.path()), QStringLiteral("cartel"), "PIXELS");
    scene.markers[6].scale = 2.5f;
    scene.markers[6].labels = {Label{}};
    scene.markers[6].labels[0].text = QStringLiteral("Mañana");
    QByteArray data;
    QVERIFY(buildViewerSceneData(scene, &data, TempCleanup::Keep));
    const QString path = dir.filePath(name);
    QVERIFY(writeViewerArchive(path, data, buildLogoPng({true, QString()})));

    RecordingTarget view;
    const ViewerSceneOpening o = openViewerScene(path, view);
    QCOMPARE(isViewerArchiveName(path), opens);
    QCOMPARE(o.status, opens ? ViewerOpenStatus::Opened : ViewerOpenStatus::Ignored);
    if (!opens) {
        QVERIFY(view.steps.isEmpty());
        return;
    }
    // Format 2 whatever the letter case: the label and the logo come along.
    QCOMPARE(o.layout, ArchiveLayout::ViewerFormat2);
    QCOMPARE(view.steps, (QStringList{"model 6", "label 6 Mañana", "transform 6 2.5"}));
    QCOMPARE(testutil::readFile(view.contents[6]), QByteArray("PIXELS"));
    QVERIFY(view.contents[6].startsWith(viewerTempDirectory().canonicalPath() + QLatin1Char('/')));
    QCOMPARE(o.logo.size(), QSize(256, 256));
    QVERIFY(!QFileInfo::exists(tempDirectory().filePath(QStringLiteral("model00006.png"))));
    QCOMPARE(openingProblems(path, o), QString());
}

void TestViewerOpening::usedAndEmptyMarkers()
{
    QTemporaryDir dir;
    Scene scene;
    for (int m : {1, 4, 9, 17})
        scene.markers[size_t(m)].modelFile = pictureModel(QDir(dir.path()), QStringLiteral("p%1").arg(m), "PIXELS");
    // Marker 9 carries bytes that are no model file; marker 17's content the view cannot show.
    QVERIFY(testutil::writeFile(scene.markers[9].modelFile, "no model"));
    QByteArray data;
    QVERIFY(buildViewerSceneData(scene, &data, TempCleanup::Keep));
    const QString path = dir.filePath(QStringLiteral("e.qvx2"));
    QVERIFY(writeViewerArchive(path, data, buildLogoPng({})));

    RecordingTarget view;
    view.refuse = {17};
    const ViewerSceneOpening o = openViewerScene(path, view);
    QCOMPARE(o.usedMarkers, (QList<int>{1, 4, 9, 17}));
    QCOMPARE(o.emptyMarkers, (QList<int>{9, 17}));
    QVERIFY(view.steps.contains(QStringLiteral("model 17")));
    QVERIFY(!view.steps.contains(QStringLiteral("model 9"))); // nothing unpacked to show
    QCOMPARE(
        openingProblems(path, o),
        QStringLiteral("No se pudo abrir toda la escena %1.\n\nNo se pudo mostrar el contenido de las marcas 9, 17.")
            .arg(path));
}

void TestViewerOpening::oneMessagePerOutcome_data()
{
    QTest::addColumn<ViewerOpenStatus>("status");
    QTest::addColumn<bool>("versionOk");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QList<int>>("empty");
    QTest::addColumn<QString>("message"); // %1: the path
    QTest::newRow("whole") << ViewerOpenStatus::Opened << true << true << QList<int>{} << QString();
    QTest::newRow("not a scene") << ViewerOpenStatus::Ignored << true << false << QList<int>{}
                                 << "El fichero %1 no es una escena de Quorvane Viewer (.qvx2).";
    QTest::newRow("unreadable") << ViewerOpenStatus::CannotOpen << true << false << QList<int>{}
                                << "No se pudo abrir en modo lectura el fichero%1";
    QTest::newRow("nothing after the magic")
        << ViewerOpenStatus::ProcessingError << true << false << QList<int>{} << "Error procesando archivo%1";
    QTest::newRow("cut short, one marker empty")
        << ViewerOpenStatus::Opened << true << false << QList<int>{12}
        << "No se pudo abrir toda la escena %1.\n\nEl fichero está incompleto o dañado: se muestra lo que se pudo "
           "leer.\nNo se pudo mostrar el contenido de la marca 12.";
    QTest::newRow("unknown version")
        << ViewerOpenStatus::Opened << false << false << QList<int>{}
        << "No se pudo abrir toda la escena %1.\n\nEsta versión no sabe leer la escena: el "
           "fichero está dañado o se hizo con una versión más reciente de Quorvane.";
}

void TestViewerOpening::oneMessagePerOutcome()
{
    QFETCH(ViewerOpenStatus, status);
    QFETCH(bool, versionOk);
    QFETCH(bool, complete);
    QFETCH(QList<int>, empty);
    QFETCH(QString, message);
    ViewerSceneOpening o;
    o.status = status;
    o.versionOk = versionOk;
    o.complete = complete;
    o.emptyMarkers = empty;
    const QString path = QStringLiteral("/home/ana/Escritorio/feria.qvx2");
    QCOMPARE(openingProblems(path, o), message.isEmpty() ? QString() : message.arg(path));
}

// The scene that comes with the program: the greeting picture on every marker, with the built-in logo.
void TestViewerOpening::defaultSceneOpensWhole()
{
    RecordingTarget view;
    const ViewerSceneOpening o = openViewerScene(QStringLiteral(VIEWER_DEFAULT_SCENE), view);
    QCOMPARE(o.status, ViewerOpenStatus::Opened);
    QCOMPARE(o.usedMarkers.size(), kMarkerCount);
    QVERIFY(o.emptyMarkers.isEmpty());
    QCOMPARE(view.contents.size(), kMarkerCount);
    QVERIFY(!o.logo.isNull());
    QCOMPARE(openingProblems(QStringLiteral(VIEWER_DEFAULT_SCENE), o), QString());
}

QTEST_GUILESS_MAIN(TestViewerOpening)
#include "tst_viewer_opening.moc"
