// Scenes in Quorvane Author: what is saved comes back, model files that are missing or hostile are
// reported once and never write outside the temporary folder, the readers are chosen by suffix, and
// closing the window with content on the markers asks first.
#include "AuthorTestUtil.h"
#include "DialogAnswers.h"
#include "Label3d.h"
#include "MarcaPushButton.h"
#include "MarkerContent.h"
#include "Model.h"
#include "Quorvane.h"
#include "Resources.h"
#include "Scene.h"
#include "TestFiles.h"
#include "ViewerWidget.h"
#include "WindowScene.h"
#include "ui_Quorvane.h"

#include <QtTest>

#include <QFileDialog>
#include <QLineEdit>

#include <sys/stat.h>

using namespace quorvane;

namespace {

Scene sceneOf(const Quorvane& w)
{
    return sceneFromWindow(*w.viewWidget(), w.markerButtons());
}

void compareScenes(const Scene& actual, const Scene& expected)
{
    for (int i = 0; i < kMarkerCount; ++i)
        QVERIFY2(actual.markers[size_t(i)] == expected.markers[size_t(i)],
                 qPrintable(QStringLiteral("marker %1").arg(i)));
}

// Files in a folder tree, relative to it.
QStringList filesBelow(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestAuthorScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void saveClearOpenGivesTheSameScene();
    void missingModelsAreSaidOnce();
    void hostileSceneWritesOnlyInTheTemporaryFolder();
    void readersAndFailures_data();
    void readersAndFailures();
    void saveAndOpenThroughTheirDialogs();
    void closeQuestion_data();
    void closeQuestion();
    void commandLineScene();

private:
    std::unique_ptr<Quorvane> window(const QStringList& arguments = {});
    // Content on markers 0, 3 and 7 with transforms, and labels on 3 and on empty marker 12.
    void author(Quorvane& w);

    QTemporaryDir m_tmp;
    QString m_red, m_blue, m_duck;
};

void TestAuthorScene::initTestCase()
{
    initResources();
    const QString lib = m_tmp.filePath(QStringLiteral("library"));
    m_red = testutil::pictureModel(lib, QStringLiteral("rojo"), Qt::red);
    m_blue = testutil::pictureModel(lib, QStringLiteral("azul"), Qt::blue);
    QVERIFY(!m_red.isEmpty() && !m_blue.isEmpty());
    // A real 3D model with its texture, imported as the window imports it.
    m_duck = lib + QStringLiteral("/duck.qmd");
    ModelImporter importer;
    QVERIFY(importer.importFile(QStringLiteral("/usr/share/assimp/models/Collada/duck.dae"), m_duck));
}

void TestAuthorScene::init()
{
    testutil::RecordingHooks::install();
}

std::unique_ptr<Quorvane> TestAuthorScene::window(const QStringList& arguments)
{
    auto w = std::make_unique<Quorvane>(nullptr, Qt::WindowFlags(), arguments);
    w->resize(1180, 760);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("window not exposed");
    return w;
}

void TestAuthorScene::author(Quorvane& w)
{
    auto* ui = w.form();
    QVERIFY(testutil::dropModel(w.markerButton(0), m_red));
    ui->dial_1->setValue(30);
    ui->btn_up->click();
    ui->btn_left->click();
    QVERIFY(testutil::dropModel(w.markerButton(3), m_duck));
    ui->dial_3->setValue(275);
    ui->doubleSpinBox_scale->setValue(1.75);
    QVERIFY(testutil::dropModel(w.markerButton(7), m_blue));
    ui->btn_autoTranslate->click();
    ViewerWidget* v = w.viewWidget();
    v->addMarkerLabel(3, "Pato \xc3\xb1", {0, 0, 0, 1}, {1, 1, 0.5f, 1}, {1.5f, -2.0f, 3.25f}, 60.0f, -45.0f, 9.5f);
    v->addMarkerLabel(3, "segundo", {1, 0, 0, 1}, {1, 1, 1, 0.5f}, {0, 0, 0}, 0.0f, 180.0f, 20.0f);
    v->addMarkerLabel(12, "sin modelo", {0, 1, 0, 1}, {0, 0, 0, 1}, {10, 20, 30}, 50.0f, 90.0f, 12.0f);
}

void TestAuthorScene::saveClearOpenGivesTheSameScene()
{
    auto w = window();
    author(*w);
    const Scene before = sceneOf(*w);
    QCOMPARE(before.markers[0].modelFile, m_red);
    QCOMPARE(before.markers[0].rotation, (std::array<float, 3>{30, 0, 0}));
    QCOMPARE(before.markers[0].translation, (std::array<float, 3>{-1, 0, -1}));
    QCOMPARE(before.markers[3].labels.size(), 2);
    QCOMPARE(before.markers[12].labels.first().text, QStringLiteral("sin modelo"));
    QVERIFY(before.markers[5].modelFile.isNull());

    const QString file = m_tmp.filePath(QStringLiteral("escena.qvs2"));
    QVERIFY(w->saveSceneFile(file));
    w->form()->btn_borrarTodas->click();
    compareScenes(sceneOf(*w), Scene());

    DialogAnswers none;
    QVERIFY(w->openSceneFile(file));
    QCOMPARE(none.dialogs, 0);
    compareScenes(sceneOf(*w), before);
    // Buttons and view as after the drops: content files, tooltips, loaded pictures.
    for (int n : {0, 3, 7}) {
        const MarcaPushButton* b = w->markerButton(n);
        QVERIFY(b->loaded());
        QCOMPARE(b->toolTip(), b->modelFile());
        QCOMPARE(b->shown(), MarcaPushButton::Shown::Loaded);
        QCOMPARE(w->viewWidget()->slot(n)->fileName(), b->mainFile());
    }
    QVERIFY(w->viewWidget()->slot(3)->scale() == 1.75f);
    QVERIFY(!w->markerButton(12)->loaded());
    // And once more: the reopened scene saves to the same bytes.
    const QString again = m_tmp.filePath(QStringLiteral("otra.qvs2"));
    QVERIFY(w->saveSceneFile(again));
    QCOMPARE(testutil::readFile(again), testutil::readFile(file));
}

void TestAuthorScene::missingModelsAreSaidOnce()
{
    Scene scene;
    const QString gone = m_tmp.filePath(QStringLiteral("library/borrado.qmd"));
    scene.markers[1].modelFile = m_red;
    scene.markers[2].modelFile = gone;
    scene.markers[2].rotation = {10, 20, 30};
    scene.markers[2].scale = 2.0f;
    scene.markers[2].labels.append(Label{QStringLiteral("aquí"), {}, {}, {1, 2, 3}, 40, 10, 8});
    scene.markers[4].modelFile = gone;                        // named twice, said once
    scene.markers[5].modelFile = m_tmp.path();                // a folder
    scene.markers[6].modelFile = QStringLiteral("/dev/zero"); // a device that never ends
    scene.markers[8].modelFile = QStringLiteral("relativo\\sin\\unidad.qmd");
    const QString file = m_tmp.filePath(QStringLiteral("ajena.qvs2"));
    QVERIFY(writeSceneFile(scene, file));

    auto w = window();
    DialogAnswers catcher;
    QVERIFY(w->openSceneFile(file));
    QCOMPARE(catcher.dialogs, 1);
    QCOMPARE(catcher.titles.first(), QStringLiteral("Error"));
    const QString text = catcher.texts.first();
    QVERIFY(text.startsWith(QStringLiteral("No se pudieron abrir los siguientes modelos de la escena")));
    for (const QString& path :
         {gone, m_tmp.path(), QStringLiteral("/dev/zero"), QStringLiteral("relativo\\sin\\unidad.qmd")})
        QCOMPARE(text.count(path + QLatin1Char('\n')) + (text.endsWith(path) ? 1 : 0), 1);
    QVERIFY(!text.contains(m_red));

    QVERIFY(w->markerButton(1)->loaded());
    for (int n : {2, 4, 5, 6, 8}) {
        QVERIFY(!w->markerButton(n)->loaded());
        QVERIFY(w->viewWidget()->slot(n)->fileName().isEmpty());
    }
    // The missing marker still has its transform and labels, and a new save keeps every reference.
    QCOMPARE(w->viewWidget()->slot(2)->rotationAngles(), (std::array<float, 3>{10, 20, 30}));
    QCOMPARE(w->viewWidget()->markerLabels(2).size(), size_t(1));
    compareScenes(sceneOf(*w), scene);
}

void TestAuthorScene::hostileSceneWritesOnlyInTheTemporaryFolder()
{
    // A model file from someone else whose stored names point out of the temporary folder.
    const QString hostile = m_tmp.filePath(QStringLiteral("ajeno/trampa.qmd"));
    QDir().mkpath(QFileInfo(hostile).path());
    const QByteArray payload = qCompress(QByteArray("escaped"));
    QVERIFY(writeModelFile(hostile, ResourceModel, QStringLiteral("obj"), qCompress(QByteArray()),
                           qCompress(QByteArray("o cube\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")),
                           {{QStringLiteral("../../fuera.txt"), payload},
                            {QStringLiteral("trampa_resdir/../../../fuera2.txt"), payload},
                            {m_tmp.filePath(QStringLiteral("absoluto.txt")), payload},
                            {QStringLiteral("..\\..\\fuera3.txt"), payload}}));
    const QString suffixTrap = m_tmp.filePath(QStringLiteral("ajeno/sufijo.qmd"));
    QVERIFY(writeModelFile(suffixTrap, Picture, QStringLiteral("png/../../../sufijo"), QByteArray(), payload));
    Scene scene;
    scene.markers[0].modelFile = hostile;
    scene.markers[1].modelFile = suffixTrap;
    scene.markers[2].modelFile = QStringLiteral("../../../../etc/passwd");
    const QString file = m_tmp.filePath(QStringLiteral("ajeno/escena.qvs2"));
    QVERIFY(writeSceneFile(scene, file));

    const QString base = QDir(tempDirectory().filePath(QStringLiteral(".."))).canonicalPath();
    const QStringList outsideBefore = filesBelow(m_tmp.path());
    QStringList baseBefore = filesBelow(base);
    baseBefore = baseBefore.filter(QRegularExpression(QStringLiteral("^(?!QuorvaneTemp/)")));

    auto w = window();
    DialogAnswers catcher;
    w->openSceneFile(file);
    QVERIFY(catcher.dialogs <= 1);
    QCOMPARE(filesBelow(m_tmp.path()), outsideBefore);
    QCOMPARE(filesBelow(base).filter(QRegularExpression(QStringLiteral("^(?!QuorvaneTemp/)"))), baseBefore);
    // What could be opened safely was: the model itself, without its escaping side files.
    QVERIFY(w->markerButton(0)->loaded());
    QVERIFY(!w->markerButton(1)->loaded());
}

namespace {

enum class FileKind { Qvs2, Qvs, Version2, CutShort, Missing };

// Marker 9 holds the model file, scale 2 and one label (the older format has no labels).
QByteArray sceneBytes(FileKind kind, const QString& model)
{
    Scene one;
    one.markers[9].modelFile = model;
    one.markers[9].scale = 2.0f;
    one.markers[9].labels.append(Label{QStringLiteral("x"), {}, {}, {}, 1, 2, 3});
    QByteArray bytes = sceneFileBytes(one);
    switch (kind) {
    case FileKind::Qvs2:
        return bytes;
    case FileKind::Version2:
        bytes[3] = 2;
        return bytes;
    case FileKind::CutShort:
        return bytes.left(40);
    case FileKind::Qvs: {
        QByteArray qvs;
        QDataStream out(&qvs, QIODevice::WriteOnly);
        out.setVersion(12);
        out.setFloatingPointPrecision(QDataStream::DoublePrecision);
        for (int i = 0; i < kMarkerCount; ++i)
            out << (i == 9 ? model : QString()) << 0.0f << 0.0f << 0.0f << 0.0f << 0.0f << 0.0f << 2.0f;
        return qvs;
    }
    case FileKind::Missing:
        break;
    }
    return {};
}

} // namespace

void TestAuthorScene::readersAndFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("loadedMarker"); // the one marker with content afterwards, or -1
    QTest::newRow(".qvs2") << "a.qvs2" << FileKind::Qvs2 << true << QString() << 9;
    QTest::newRow(".QVS2 in capitals") << "b.QVS2" << FileKind::Qvs2 << true << QString() << 9;
    QTest::newRow("older .qvs") << "c.qvs" << FileKind::Qvs << true << QString() << 9;
    QTest::newRow("no suffix: the older reader") << "d" << FileKind::Qvs << true << QString() << 9;
    QTest::newRow("version 2: cleared, nothing read") << "e.qvs2" << FileKind::Version2 << true << QString() << -1;
    QTest::newRow("cut short") << "f.qvs2" << FileKind::CutShort << true << QString() << -1;
    QTest::newRow("missing: the scene stays")
        << "nowhere/g.qvs2" << FileKind::Missing << false << "No se pudo abrir en modo lectura el fichero%1" << 0;
}

void TestAuthorScene::readersAndFailures()
{
    QFETCH(QString, name);
    QFETCH(FileKind, kind);
    QFETCH(bool, cleared);
    QFETCH(QString, message);
    QFETCH(int, loadedMarker);
    const QString file = m_tmp.filePath(QStringLiteral("readers/") + name);
    if (kind != FileKind::Missing)
        QVERIFY(testutil::writeFile(file, sceneBytes(kind, m_red)));
    auto w = window();
    QVERIFY(testutil::dropModel(w->markerButton(0), m_blue));
    DialogAnswers catcher;
    w->openSceneFile(file);
    QCOMPARE(catcher.texts, message.isEmpty() ? QStringList() : QStringList{message.arg(file)});
    QCOMPARE(!w->markerButton(0)->loaded(), cleared);
    for (int n = 0; n < kMarkerCount; ++n)
        QCOMPARE(w->markerButton(n)->loaded(), n == loadedMarker);
    if (loadedMarker == 9) {
        QCOMPARE(w->viewWidget()->slot(9)->scale(), 2.0f);
        QCOMPARE(w->viewWidget()->markerLabels(9).size(), size_t(kind == FileKind::Qvs2 ? 1 : 0));
    }
}

void TestAuthorScene::saveAndOpenThroughTheirDialogs()
{
    auto w = window();
    author(*w);
    const Scene before = sceneOf(*w);
    const QString dir = m_tmp.filePath(QStringLiteral("dialogs"));
    QDir().mkpath(dir);
    w->timer()->start(33);
    {
        DialogAnswers catcher;
        catcher.onDialog = [&](QDialog* d) {
            auto* files = qobject_cast<QFileDialog*>(d);
            QVERIFY(files);
            QCOMPARE(files->nameFilters(), QStringList{QStringLiteral("Escenas (*.qvs2)")});
            QVERIFY(!w->timer()->isActive()); // the frame loop waits for the dialog
            files->setDirectory(dir);
            files->findChild<QLineEdit*>()->setText(QStringLiteral("sin_sufijo"));
        };
        w->form()->actionGuardar_escena->trigger();
        QCOMPARE(catcher.titles, QStringList{QStringLiteral("Guardar Escena")});
    }
    QVERIFY(w->timer()->isActive());
    // A name typed without the suffix is saved as a ".qvs2" scene, so it opens with its labels.
    const QString saved = dir + QStringLiteral("/sin_sufijo.qvs2");
    QVERIFY(QFileInfo::exists(saved));
    QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/sin_sufijo")));

    w->form()->btn_borrarTodas->click();
    {
        DialogAnswers catcher;
        catcher.onDialog = [&](QDialog* d) {
            auto* files = qobject_cast<QFileDialog*>(d);
            QVERIFY(files);
            QCOMPARE(files->nameFilters(), QStringList{QStringLiteral("Escenas (*.qvs *.qvs2)")});
            files->selectFile(saved);
        };
        w->form()->actionCargar_escena->trigger();
        QCOMPARE(catcher.titles, QStringList{QStringLiteral("Cargar Escena")});
    }
    compareScenes(sceneOf(*w), before);

    // A file that cannot be written is said as such.
    DialogAnswers catcher;
    QVERIFY(!w->saveSceneFile(QStringLiteral("/proc/escena.qvs2")));
    QCOMPARE(catcher.texts,
             QStringList{QStringLiteral("No se pudo abrir en modo escritura el fichero/proc/escena.qvs2")});
}

void TestAuthorScene::closeQuestion_data()
{
    QTest::addColumn<bool>("content");
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<QString>("saveAs"); // name typed in the save dialog; empty: the dialog is cancelled
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("saved");
    using B = QList<QMessageBox::StandardButton>;
    QTest::newRow("nothing on the markers: closes at once") << false << B{} << QString() << true << false;
    QTest::newRow("Cancel: stays open") << true << B{QMessageBox::Cancel} << QString() << false << false;
    QTest::newRow("No: closes without saving") << true << B{QMessageBox::No} << QString() << true << false;
    QTest::newRow("Yes, then saved: closes") << true << B{QMessageBox::Yes} << "al_salir.qvs2" << true << true;
    QTest::newRow("Yes, then the save cancelled: stays open")
        << true << B{QMessageBox::Yes} << QString() << false << false;
}

void TestAuthorScene::closeQuestion()
{
    QFETCH(bool, content);
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(QString, saveAs);
    QFETCH(bool, closes);
    QFETCH(bool, saved);
    auto w = window();
    if (content)
        QVERIFY(testutil::dropModel(w->markerButton(4), m_red));
    const QString dir = m_tmp.filePath(QStringLiteral("close_") + QTest::currentDataTag());
    QDir().mkpath(dir);
    DialogAnswers catcher(answers, !saveAs.isEmpty());
    catcher.onDialog = [&](QDialog* d) {
        if (auto* files = qobject_cast<QFileDialog*>(d)) {
            files->setDirectory(dir);
            files->findChild<QLineEdit*>()->setText(saveAs);
        }
    };
    QCOMPARE(w->close(), closes);
    if (content) {
        QCOMPARE(catcher.titles.first(), QStringLiteral("Guardar escena"));
        QCOMPARE(catcher.texts.first(),
                 QStringLiteral("Tiene elementos asignados a las marcas, ¿desea guardar la escena?"));
    } else {
        QCOMPARE(catcher.dialogs, 0);
    }
    QCOMPARE(QFileInfo::exists(dir + QLatin1Char('/') + saveAs) && !saveAs.isEmpty(), saved);
}

void TestAuthorScene::commandLineScene()
{
    const QString missing = m_tmp.filePath(QStringLiteral("no/existe.qvs2"));
    {
        DialogAnswers catcher;
        auto w = window({QStringLiteral("quorvane-author"), missing});
        QCOMPARE(catcher.texts,
                 QStringList{QStringLiteral("No se encontró el fichero indicado por linea de comandos: ") + missing});
        for (int n = 0; n < 20; ++n)
            QVERIFY(!w->markerButton(n)->loaded());
    }
    Scene scene;
    scene.markers[11].modelFile = m_blue;
    scene.markers[11].rotation = {0, 90, 0};
    const QString file = m_tmp.filePath(QStringLiteral("linea.qvs2"));
    QVERIFY(writeSceneFile(scene, file));
    DialogAnswers catcher;
    auto w = window({QStringLiteral("quorvane-author"), file});
    QCOMPARE(catcher.dialogs, 0);
    QVERIFY(w->markerButton(11)->loaded());
    QCOMPARE(w->viewWidget()->slot(11)->rotationAngles(), (std::array<float, 3>{0, 90, 0}));
}

QTEST_MAIN(TestAuthorScene)
#include "tst_author_scene.moc"
