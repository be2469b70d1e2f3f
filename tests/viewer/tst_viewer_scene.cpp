// Quorvane Viewer opening scenes on the file camera, as users do: an archive exported from imported content,
// read back from the screen (the model on its marker, the logo where the view puts it); the scene lookup with
// its warnings and usage events; broken and hostile archives, each said once; and a scene dropped on the
// window replacing the one before.
#include "FrameSynth.h"
#include "RenderCheck.h"
#include "DialogAnswers.h"
#include "ViewerPixels.h"
#include "ViewerTestScenes.h"

#include "Compression.h"
#include "Limits.h"
#include "Model.h"
#include "PlatformPaths.h"
#include "QuorvaneViewer.h"
#include "Resources.h"
#include "SceneLookup.h"
#include "UsageEvents.h"
#include "ViewerWidget.h"

#include <QDataStream>
#include <QDirIterator>
#include <QMimeData>
#include <QSettings>
#include <QtTest>

using namespace quorvane; // the view's classes

namespace {

// Every file below `root` with its size, except those the viewer may write: its own temporary folder, and
// the copy of the logo that the view reads back ("custom.png" in the authoring program's folder).
QStringList filesOutsideViewerFolder(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        if (!f.contains(QLatin1String("/quorvaneviewerziptemp/")) &&
            !f.endsWith(QLatin1String("/QuorvaneTemp/custom.png")))
            files << QStringLiteral("%1 %2").arg(QDir(root).relativeFilePath(f)).arg(QFileInfo(f).size());
    }
    files.sort();
    return files;
}

// A format-2 viewer archive written by hand, for what the export never writes.
struct ForgedRecord
{
    QString name;
    QByteArray model;
};
// The records of format 2 (version, labels) or the plain records of the older layouts.
QByteArray forgedRecords(const QMap<int, ForgedRecord>& records, bool format2, qint32 version = 1)
{
    QByteArray payload;
    QDataStream s(&payload, QIODevice::WriteOnly);
    s.setVersion(12);
    s.setFloatingPointPrecision(QDataStream::DoublePrecision);
    if (format2)
        s << version;
    for (int i = 0; i < kMarkerCount; ++i) {
        const ForgedRecord r = records.value(i);
        s << r.name;
        for (int k = 0; k < 6; ++k)
            s << 0.0f;
        s << 1.0f << r.model;
        if (format2)
            s << qint32(0);
    }
    return payload;
}

QByteArray forgedArchive(const QMap<int, ForgedRecord>& records, qint32 version = 1)
{
    return QByteArray(kViewerArchiveMagic, kViewerArchiveMagicSize) +
           scramble(forgedRecords(records, true, version) + buildLogoPng({}));
}

// The camera: markers 3 and 8 side by side in the upper half of the picture (3 left, at x 170 of 640; 8
// right, at x 470), clear of the logo in the lower right of the view.
constexpr double kMarker3X = 170.0, kMarker8X = 470.0, kMarkersY = 130.0;
bool writeDeskClip(const QString& file)
{
    cv::VideoWriter writer(file.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 30.0, cv::Size(640, 480));
    if (!writer.isOpened())
        return false;
    trk::SynthOptions o;
    for (int i = 0; i < 10; ++i) {
        const std::vector<trk::SynthMarker> poses{
            trk::PoseMarker(3, 900.0f, 10.0f, 15.0f, 5.0f, float(kMarker3X) - 320.0f, float(kMarkersY) - 240.0f,
                            o.focal),
            trk::PoseMarker(8, 900.0f, -5.0f, 10.0f, -5.0f, float(kMarker8X) - 320.0f, float(kMarkersY) - 240.0f,
                            o.focal)};
        writer.write(trk::SynthesizeFrame(poses, o).Picture());
    }
    return true;
}

bool contentShown(QuorvaneViewer& w, int marker)
{
    return !w.viewWidget()->slot(marker)->fileName().isEmpty();
}

} // namespace

class TestViewerScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsExportedSceneOverCamera();
    void sceneLookup_data();
    void sceneLookup();
    void brokenArchivesAreSaidOnce_data();
    void brokenArchivesAreSaidOnce();
    void droppedArchiveReplacesScene();

private:
    // A window on `arguments`, shown and through its first show.
    void startViewer(QuorvaneViewer& w);

    QTemporaryDir m_dir;
    QString m_clip, m_archive, m_secondArchive, m_cube, m_picture, m_logo;
    QStringList m_events;
};

void TestViewerScene::initTestCase()
{
    initResources();
    machineSettings()->remove(QStringLiteral("f"));
    setUsagePageSender([this](const QString& page) { m_events << page; });

    m_clip = m_dir.filePath(QStringLiteral("desk.avi"));
    QVERIFY(writeDeskClip(m_clip));
    qputenv("QUORVANE_CAMERA", m_clip.toLocal8Bit());

    // The content, imported as the authoring program imports it.
    const QString library = m_dir.filePath(QStringLiteral("library"));
    QVERIFY(testutil::writeCube(m_dir.filePath(QStringLiteral("cubo.obj")), QColor(230, 0, 230)));
    QVERIFY(testutil::writePicture(m_dir.filePath(QStringLiteral("cartel.png")), QColor(30, 200, 30)));
    m_cube = testutil::importContent(m_dir.filePath(QStringLiteral("cubo.obj")), library);
    m_picture = testutil::importContent(m_dir.filePath(QStringLiteral("cartel.png")), library);
    QVERIFY(!m_cube.isEmpty() && !m_picture.isEmpty());
    m_logo = m_dir.filePath(QStringLiteral("logo.png"));
    QVERIFY(testutil::writePicture(m_logo, QColor(0, 230, 230), 256, 128));

    // The cube with a label on marker 3, the picture on marker 8, with the logo.
    Scene scene;
    scene.markers[3].modelFile = m_cube;
    scene.markers[3].rotation = {0.0f, 0.0f, 30.0f};
    scene.markers[3].translation = {0.0f, 0.0f, 50.0f};
    Label hola;
    hola.text = QStringLiteral("Hola, ¿qué tal?");
    scene.markers[3].labels = {hola};
    scene.markers[8].modelFile = m_picture;
    m_archive = m_dir.filePath(QStringLiteral("feria.qvx2"));
    QVERIFY(testutil::exportViewerArchive(scene, m_archive, m_logo));

    Scene second;
    second.markers[15].modelFile = m_cube;
    m_secondArchive = m_dir.filePath(QStringLiteral("museo.qvx2"));
    QVERIFY(testutil::exportViewerArchive(second, m_secondArchive, QStringLiteral("none")));
}

void TestViewerScene::init()
{
    m_events.clear();
}

void TestViewerScene::cleanup()
{
    QFile::remove(defaultScenePath());
}

void TestViewerScene::startViewer(QuorvaneViewer& w)
{
    QSignalSpy started(&w, &QuorvaneViewer::startupFinished);
    w.resize(640, 480);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 20000);
}

void TestViewerScene::showsExportedSceneOverCamera()
{
    const QDir temp = viewerTempDirectory();
    {
        DialogAnswers catcher;
        QuorvaneViewer w({m_archive});
        startViewer(w);
        QCOMPARE(catcher.dialogs, 0);
        QCOMPARE(w.trackingMode(), QuorvaneViewer::Video);
        QCOMPARE(w.sceneMarkers(), (QList<int>{3, 8}));
        QCOMPARE(w.windowTitle(), QStringLiteral("Quorvane Viewer"));
        QCOMPARE(m_events, (QStringList{QStringLiteral("start"), QStringLiteral("customScene")}));
        QVERIFY(contentShown(w, 3) && contentShown(w, 8));
        QCOMPARE(w.viewWidget()->markerLabels(3).size(), size_t(1));
        QCOMPARE(w.viewWidget()->slot(3)->rotationAngles()[2], 30.0f);
        QCOMPARE(w.viewWidget()->slot(3)->mtxExtTra()->getMatrix().getTrans(), osg::Vec3d(0, 0, 50));
        // Unpacked in the viewer's own folder.
        QVERIFY(w.viewWidget()->slot(3)->fileName().startsWith(temp.canonicalPath() + QLatin1Char('/')));

        // The cube stands on marker 3, the picture on marker 8. The view is a mirror: marker 3, left in the
        // camera picture, shows on the right.
        QImage frame;
        testutil::ColourSpot cube, picture;
        QTRY_VERIFY_WITH_TIMEOUT(
            (frame = w.viewWidget()->grabFrame(), cube = testutil::findColour(frame, testutil::isMagenta),
             picture = testutil::findColour(frame, testutil::isGreen), cube.count > 300 && picture.count > 300),
            10000);
        const double mirrored3 = frame.width() - 1 - kMarker3X, mirrored8 = frame.width() - 1 - kMarker8X;
        QVERIFY2(std::abs(cube.cx - mirrored3) < 60 && std::abs(cube.cy - kMarkersY) < 80,
                 qPrintable(QStringLiteral("%1, %2").arg(cube.cx).arg(cube.cy)));
        QVERIFY2(std::abs(picture.cx - mirrored8) < 60 && std::abs(picture.cy - kMarkersY) < 80,
                 qPrintable(QStringLiteral("%1, %2").arg(picture.cx).arg(picture.cy)));

        // The logo: the 256 x 128 picture fitted into 256 x 256, centred, on transparency; that square 20
        // pixels from the right edge and 50 from the bottom. Its transparent bands show the camera. After a
        // resize the square lies 276 pixels from the right edge and 20 from the bottom.
        const auto logoAt = [&frame](int right, int bottom) {
            const testutil::ColourSpot logo = testutil::findColour(frame, testutil::isCyan);
            const int W = frame.width(), H = frame.height();
            const QRect expected(QPoint(W - right - 256, H - bottom - 64 - 128), QSize(256, 128));
            const QRect band(QPoint(W - right - 256, H - bottom - 256), QSize(256, 50));
            const double bandLevel = cv::mean(testutil::rgbMat(frame.copy(band)))[0];
            const bool ok = std::abs(logo.bounds.left() - expected.left()) <= 3 &&
                            std::abs(logo.bounds.right() - expected.right()) <= 3 &&
                            std::abs(logo.bounds.top() - expected.top()) <= 3 &&
                            std::abs(logo.bounds.bottom() - expected.bottom()) <= 3 && bandLevel > 150;
            if (!ok)
                qWarning() << "logo at" << logo.bounds << "expected" << expected << "band level" << bandLevel;
            return ok;
        };
        QVERIFY(logoAt(20, 50));
        w.resize(900, 640);
        QTRY_COMPARE(w.viewWidget()->width(), 900);
        QTRY_VERIFY_WITH_TIMEOUT((frame = w.viewWidget()->grabFrame(), frame.width() >= 890 && logoAt(20, 20)), 5000);
        QVERIFY(!QDir(temp).isEmpty());
    }
    // Closing empties the viewer's folder and says goodbye.
    QVERIFY(QDir(temp).isEmpty());
    QCOMPARE(m_events.last(), QStringLiteral("finish"));
}

void TestViewerScene::sceneLookup_data()
{
    QTest::addColumn<QStringList>("arguments"); // %A: the archive, %M: a missing file
    QTest::addColumn<bool>("defaultExists");
    QTest::addColumn<QString>("warning"); // %D: the default scene's path
    QTest::addColumn<QString>("event");
    QTest::addColumn<QList<int>>("markers");
    QTest::newRow("argument") << QStringList{"%A"} << true << QString() << "customScene" << QList<int>{3, 8};
    QTest::newRow("missing argument, never the default")
        << QStringList{"%M"} << true << "No se encontró el fichero indicado por linea de comandos: %M"
        << "ERRORcustomSceneNotFound" << QList<int>{};
    QTest::newRow("default scene") << QStringList{} << true << QString() << "defaultScene" << QList<int>{3, 8};
    QTest::newRow("no default scene") << QStringList{} << false << "No se encontró el fichero de escena por defecto: %D"
                                      << "ERRORdefaultSceneNotFound" << QList<int>{};
}

void TestViewerScene::sceneLookup()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, defaultExists);
    QFETCH(QString, warning);
    QFETCH(QString, event);
    QFETCH(QList<int>, markers);
    const QString missing = m_dir.filePath(QStringLiteral("no-such-scene.qvx2"));
    arguments.replaceInStrings(QStringLiteral("%A"), m_archive).replaceInStrings(QStringLiteral("%M"), missing);
    warning.replace(QStringLiteral("%M"), missing).replace(QStringLiteral("%D"), defaultScenePath());
    if (defaultExists)
        QVERIFY(QFile::copy(m_archive, defaultScenePath()));

    DialogAnswers catcher;
    QuorvaneViewer w(arguments);
    startViewer(w);
    QCOMPARE(catcher.texts, warning.isEmpty() ? QStringList{} : QStringList{warning});
    QCOMPARE(catcher.titles, warning.isEmpty() ? QStringList{} : QStringList{QStringLiteral("Error")});
    QCOMPARE(m_events, (QStringList{QStringLiteral("start"), event}));
    QCOMPARE(w.sceneMarkers(), markers);
    // With or without a scene, the camera runs.
    QCOMPARE(w.trackingMode(), QuorvaneViewer::Video);
}

void TestViewerScene::brokenArchivesAreSaidOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // null: built in the test from the case's name
    QTest::addColumn<QString>("message");  // what the one warning says
    QTest::addColumn<QList<int>>("shown"); // markers that show content
    QTest::addColumn<QList<int>>("used");

    const QByteArray exported = testutil::readFile(m_archive);
    const QByteArray model = testutil::readFile(m_cube);
    // A cut changes how the rest unscrambles: nothing of it reads as a scene.
    QTest::newRow("cut short") << "cut.qvx2" << exported.left(exported.size() * 3 / 5) << "el fichero está dañado"
                               << QList<int>{} << QList<int>{};
    QTest::newRow("name leaving the folder")
        << "escape.qvx2" << forgedArchive({{0, {"/../escape.qmd", model}}, {3, {"/model00003.qmd", model}}})
        << "No se pudo mostrar el contenido de la marca 0." << QList<int>{3} << QList<int>{0, 3};
    QTest::newRow("absolute name") << "absolute.qvx2" << forgedArchive({{4, {"//tmp/quorvane-escape.qmd", model}}})
                                   << "No se pudo mostrar el contenido de la marca 4." << QList<int>{} << QList<int>{4};
    QTest::newRow("model that is no model")
        << "junk.qvx2" << forgedArchive({{2, {"/model00002.qmd", "junk"}}, {7, {"/model00007.qmd", "more junk"}}})
        << "No se pudo mostrar el contenido de las marcas 2, 7." << QList<int>{} << QList<int>{2, 7};
    QTest::newRow("picture that is no picture")
        << "unreadable.qvx2" << QByteArray() << "de la marca 5." << QList<int>{3} << QList<int>{3, 5};
    QTest::newRow("newer version") << "future.qvx2" << forgedArchive({{3, {"/model00003.qmd", model}}}, 2)
                                   << "versión más reciente" << QList<int>{} << QList<int>{};
    // Without the magic the records stand unscrambled: a cut keeps the markers before it.
    const QByteArray plain = forgedRecords({{3, {"/model00003.qmd", model}}, {9, {"/model00009.qmd", model}}}, false);
    const qsizetype emptyRecordsAfter9 = 10 * (4 + 7 * 8 + 4);
    QTest::newRow("records cut short") << "plain.qvx2"
                                       << plain.left(plain.size() - emptyRecordsAfter9 - model.size() / 2)
                                       << "El fichero está incompleto o dañado" << QList<int>{3} << QList<int>{3};
    QTest::newRow("magic alone") << "magic.qvx2" << QByteArray(kViewerArchiveMagic, kViewerArchiveMagicSize)
                                 << "Error procesando archivo" << QList<int>{} << QList<int>{};
    QTest::newRow("larger than an archive may be")
        << "huge.qvx2" << QByteArray() << "Error procesando archivo" << QList<int>{} << QList<int>{};
    QTest::newRow("not an archive") << "notas.txt" << QByteArray("hola") << "no es una escena de Quorvane Viewer"
                                    << QList<int>{} << QList<int>{};
    QTest::newRow("garbage with the right name")
        << "ruido.qvx2" << QByteArray(5000, '\x5a') << "El fichero está incompleto o dañado" << QList<int>{}
        << QList<int>{};
}

void TestViewerScene::brokenArchivesAreSaidOnce()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(QList<int>, shown);
    QFETCH(QList<int>, used);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (name == QLatin1String("unreadable.qvx2")) {
        // A picture model whose picture no reader takes, beside a good cube: exported as users do.
        const QString bad = dir.filePath(QStringLiteral("roto.qmd"));
        QVERIFY(writeModelFile(bad, Picture, QStringLiteral("png"), compressField("thumbnail"),
                               compressField("\x89PNG but nothing more")));
        Scene scene;
        scene.markers[3].modelFile = m_cube;
        scene.markers[5].modelFile = bad;
        QVERIFY(testutil::exportViewerArchive(scene, path));
    } else if (name == QLatin1String("huge.qvx2")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kViewerArchiveMagic, kViewerArchiveMagicSize);
        QVERIFY(f.resize(kMaxArchiveBytes + 1)); // sparse: no disk is used
    } else {
        QVERIFY(testutil::writeFile(path, bytes));
    }
    const QString home = qEnvironmentVariable("localappdata");
    const QStringList before = filesOutsideViewerFolder(home) + filesOutsideViewerFolder(dir.path());

    DialogAnswers catcher;
    QuorvaneViewer w({path});
    startViewer(w);
    QCOMPARE(catcher.dialogs, 1);
    QVERIFY2(catcher.texts.value(0).contains(message), qPrintable(catcher.texts.value(0)));
    QCOMPARE(catcher.titles, QStringList{QStringLiteral("Error")});
    QCOMPARE(w.sceneMarkers(), used);
    for (int i = 0; i < kMarkerCount; ++i)
        QCOMPARE(contentShown(w, i), shown.contains(i));
    QCOMPARE(w.trackingMode(), QuorvaneViewer::Video);
    QCOMPARE(filesOutsideViewerFolder(home) + filesOutsideViewerFolder(dir.path()), before);
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/quorvane-escape.qmd")));
    QVERIFY(!QFile::exists(QDir(viewerTempDirectory().absolutePath() + QStringLiteral("/..")).filePath("escape.qmd")));
}

void TestViewerScene::droppedArchiveReplacesScene()
{
    DialogAnswers catcher;
    QuorvaneViewer w({m_archive});
    startViewer(w);
    QCOMPARE(w.sceneMarkers(), (QList<int>{3, 8}));

    const auto drag = [&w](const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint centre = w.rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        return drop.isAccepted();
    };

    // Only a viewer archive is taken.
    const QString notes = m_dir.filePath(QStringLiteral("notas.txt"));
    QVERIFY(testutil::writeFile(notes, "hola"));
    QVERIFY(!drag(notes));

    QVERIFY(drag(m_secondArchive));
    QTRY_COMPARE(w.sceneMarkers(), QList<int>{15});
    QVERIFY(!contentShown(w, 3) && !contentShown(w, 8) && contentShown(w, 15));
    QVERIFY(w.viewWidget()->markerLabels(3).empty());
    // The first scene's logo went with it; the second brings a transparent one, through which the camera
    // shows.
    QImage frame;
    QTRY_VERIFY((frame = w.viewWidget()->grabFrame(), !frame.isNull()));
    QCOMPARE(testutil::findColour(frame, testutil::isCyan).count, 0);
    const QRect logoSquare(frame.width() - 276, frame.height() - 306, 256, 256);
    QVERIFY(cv::mean(testutil::rgbMat(frame.copy(logoSquare)))[0] > 150);
    QCOMPARE(catcher.dialogs, 0);
    // Only the second scene's files are left in the viewer's folder.
    QVERIFY(!QDir(viewerTempDirectory()).exists(QStringLiteral("model00003.qmd")));
    QVERIFY(QDir(viewerTempDirectory()).exists(QStringLiteral("model00015.qmd")));
}

QTEST_MAIN(TestViewerScene)
#include "tst_viewer_scene.moc"
