// The marker panel of Quorvane Author: library content dropped on a marker button stands on the
// printed marker in the picture; the controls turn, scale and move the selected marker's content and
// nothing else; removing, printing and the payload a drop carries.
#include "AuthorTestUtil.h"
#include "LibraryScanner.h"
#include "MarcaPushButton.h"
#include "MarkerCodes.h"
#include "MarkerContent.h"
#include "DialogAnswers.h"
#include "ModelDragPayload.h"
#include "OpenedUrls.h"
#include "Quorvane.h"
#include "RenderCheck.h"
#include "Resources.h"
#include "ViewerWidget.h"
#include "ui_Quorvane.h"

#include <QtTest>

#include <QMimeData>

#include <functional>

using namespace quorvane;

using Angles = std::array<float, 3>;

namespace {

using testutil::dropOn;

// The payload the library list writes for an entry.
QMimeData* entryPayload(const LibraryEntry& e, const QPixmap& picture)
{
    return testutil::entryPayload(e.modelFile, picture);
}

struct Transform
{
    std::array<float, 3> rotation;
    osg::Vec3d translation;
    float scale;
    bool operator==(const Transform& o) const
    {
        return rotation == o.rotation && translation == o.translation && scale == o.scale;
    }
};

Transform transformOf(const MarkerContent* s)
{
    return {s->rotationAngles(), s->mtxExtTra()->getMatrix().getTrans(), s->scale()};
}

std::vector<Transform> allTransforms(const ViewerWidget* v)
{
    std::vector<Transform> all;
    for (int i = 0; i < v->slotCount(); ++i)
        all.push_back(transformOf(v->slot(i)));
    return all;
}

} // namespace

class TestAuthorMarkerPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void markerButtonsAsBuilt();
    void controlsAsBuilt_data();
    void controlsAsBuilt();
    void dropStandsContentOnMarker7();
    void refusedDrops_data();
    void refusedDrops();
    void controlsDoNothingWithoutSelection();
    void controlsActOnTheSelectedContent_data();
    void controlsActOnTheSelectedContent();
    void selectionShowsTheContentsValues();
    void removingAssociations();
    void printOpensTheSheet();

private:
    void setUpWindow(Quorvane& w);
    LibraryEntry entry(const QString& model);

    QTemporaryDir m_dir;
    std::unique_ptr<Quorvane> m_built;
    QString m_magenta, m_green;
    trk::SynthFrame m_photo;
    QString m_photoFile;
};

void TestAuthorMarkerPanel::initTestCase()
{
    initResources();
    m_magenta =
        testutil::pictureModel(m_dir.filePath(QStringLiteral("lib")), QStringLiteral("magenta"), QColor(255, 0, 255));
    m_green = testutil::pictureModel(m_dir.filePath(QStringLiteral("lib")), QStringLiteral("green"), QColor(0, 255, 0));
    QVERIFY(!m_magenta.isEmpty() && !m_green.isEmpty());
    m_photoFile = m_dir.filePath(QStringLiteral("desk.png"));
    m_photo = testutil::markerPhoto(m_photoFile, {trk::PoseMarker(7, 700.0f, 20, 15, -10, -150, 0, 700.0f),
                                                  trk::PoseMarker(2, 700.0f, -10, 0, 20, 180, 20, 700.0f)});
}

void TestAuthorMarkerPanel::init()
{
    testutil::RecordingHooks::install();
}

void TestAuthorMarkerPanel::setUpWindow(Quorvane& w)
{
    w.resize(1180, 760);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.libraryWidget(); // the list exists from the start
}

LibraryEntry TestAuthorMarkerPanel::entry(const QString& model)
{
    LibraryEntry e;
    if (!openLibraryEntry(model, &e))
        qWarning("cannot open %s", qPrintable(model));
    return e;
}

void TestAuthorMarkerPanel::markerButtonsAsBuilt()
{
    Quorvane w;
    setUpWindow(w);
    auto* grid = w.form()->gridLayout_marcas;
    for (int n = 0; n < 20; ++n) {
        MarcaPushButton* b = w.markerButton(n);
        QVERIFY(b);
        QCOMPARE(b->objectName(), QStringLiteral("btn_marca%1").arg(n));
        int row = -1, col = -1, rs = 0, cs = 0;
        grid->getItemPosition(grid->indexOf(b), &row, &col, &rs, &cs);
        QCOMPARE(row, n / 4);
        QCOMPARE(col, n % 4);
        QCOMPARE(b->size(), QSize(40, 40));
        QVERIFY(b->isCheckable() && b->autoExclusive() && b->acceptDrops() && !b->isChecked());
        QVERIFY(b->text().isEmpty());
        // The marker's own picture, as the tracker prints it.
        QCOMPARE(
            b->icon().pixmap(64).toImage().convertToFormat(QImage::Format_ARGB32),
            QPixmap(QStringLiteral(":/Quorvane/Marca%1.png").arg(n)).toImage().convertToFormat(QImage::Format_ARGB32));
    }
    QCOMPARE(w.markerButton(-1), nullptr);
    QCOMPARE(w.markerButton(20), nullptr);
    QCOMPARE(w.selectedMarker(), -1);
    QVERIFY(!QPixmap(QStringLiteral(":/Quorvane/Resources/markers/Marca19.png")).isNull());
}

void TestAuthorMarkerPanel::controlsAsBuilt_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");
    auto row = [](const char* w, const char* p, const QVariant& v) {
        QTest::addRow("%s %s", w, p) << QString::fromLatin1(w) << QString::fromLatin1(p) << v;
    };
    for (const char* dial : {"dial_1", "dial_2", "dial_3"}) {
        row(dial, "minimum", 0);
        row(dial, "maximum", 360);
        row(dial, "singleStep", 5);
        row(dial, "pageStep", 15);
        row(dial, "wrapping", true);
        row(dial, "notchesVisible", true);
        row(dial, "value", 0);
        row(dial, "toolTip", QStringLiteral("Rotar modelo"));
    }
    row("dial_1", "notchTarget", 3.6);
    row("dial_2", "notchTarget", 3.6);
    row("doubleSpinBox_scale", "decimals", 6);
    row("doubleSpinBox_scale", "minimum", 0.000001);
    row("doubleSpinBox_scale", "maximum", 1000000.0);
    row("doubleSpinBox_scale", "singleStep", 0.1);
    row("doubleSpinBox_scale", "value", 1.0);
    row("doubleSpinBox_scale", "toolTip",
        QStringLiteral("Escribe, usa los botones o la rueda del ratón \n para establecer el escalado del modelo"));
    for (const char* arrow : {"btn_up", "btn_down", "btn_front", "btn_back", "btn_left", "btn_right"}) {
        row(arrow, "autoRepeat", true);
        row(arrow, "autoRepeatDelay", 100);
        row(arrow, "autoRepeatInterval", 10);
    }
    row("btn_center", "autoRepeat", false);
    row("btn_up", "toolTip", QStringLiteral("Subir"));
    row("btn_down", "toolTip", QStringLiteral("Bajar"));
    for (const char* move : {"btn_front", "btn_back", "btn_left", "btn_right"})
        row(move, "toolTip", QStringLiteral("Trasladar modelo"));
    row("btn_center", "toolTip", QStringLiteral("Deshacer traslación"));
    row("btn_resetAngles", "toolTip", QStringLiteral("Deshacer rotaciones"));
    row("btn_resetScale", "toolTip", QStringLiteral("Deshacer escalado"));
    row("btn_autoScale", "text", QStringLiteral("Auto"));
    row("btn_autoScale", "toolTip",
        QStringLiteral("Escala el modelo al tamaño de la marca.\nPara modelos muy grandes o pequeños."));
    row("btn_autoTranslate", "text", QStringLiteral("Auto"));
    row("btn_autoTranslate", "toolTip",
        QStringLiteral("Posiciona el modelo centrado y descansando sobre la marca.\nPara modelos desplazados y para "
                       "asegurarse de que el modelo descansa sobre la marca, ya que manualmente es difícil hacerlo."));
    row("btn_Play", "toolTip", QStringLiteral("Iniciar la animación desde el principio"));
    row("btn_Stop", "toolTip", QStringLiteral("Parar la animación"));
    row("btn_borrarSeleccionada", "text", QStringLiteral("Borrar"));
    row("btn_borrarSeleccionada", "toolTip", QStringLiteral("Borrar asociación de la marca seleccionada"));
    row("btn_borrarTodas", "text", QStringLiteral("Borrar todo"));
    row("btn_borrarTodas", "toolTip", QStringLiteral("Borrar las asociaciones de todas las marcas"));
    row("btn_ImprimirMarcaSeleccionada", "text", QStringLiteral("Imprimir"));
    row("groupBox", "title", QStringLiteral(" Marcas RA "));
    row("groupBox_7", "title", QStringLiteral("Animación"));
    row("groupBox_4", "title", QStringLiteral(" Rotación "));
    row("groupBox_3", "title", QStringLiteral(" Escalado "));
    row("groupBox_5", "title", QStringLiteral(" Traslación "));
    row("spinBox_distanciaFocal", "minimum", 100);
    row("spinBox_distanciaFocal", "maximum", 2000);
    row("spinBox_distanciaFocal", "singleStep", 10);
}

void TestAuthorMarkerPanel::controlsAsBuilt()
{
    QFETCH(QString, widget);
    QFETCH(QString, property);
    QFETCH(QVariant, value);
    if (!m_built) { // one window for all the rows
        m_built = std::make_unique<Quorvane>();
        setUpWindow(*m_built);
    }
    QObject* o = m_built->findChild<QObject*>(widget);
    QVERIFY(o);
    const QVariant actual = o->property(qPrintable(property));
    QVERIFY2(actual.isValid(), qPrintable(property));
    if (value.typeId() == QMetaType::Double)
        QVERIFY(qFuzzyCompare(actual.toDouble(), value.toDouble()));
    else
        QCOMPARE(actual, value);
}

void TestAuthorMarkerPanel::dropStandsContentOnMarker7()
{
    m_built.reset();
    Quorvane w;
    setUpWindow(w);
    QVERIFY(w.showPhoto(m_photoFile));
    QVERIFY(w.form()->actionInvertir->isChecked()); // the view shows the picture as a mirror does

    const LibraryEntry e = entry(m_magenta);
    QPixmap picture(64, 64);
    picture.fill(Qt::magenta);
    std::unique_ptr<QMimeData> mime(entryPayload(e, picture));
    MarcaPushButton* b7 = w.markerButton(7);
    QVERIFY(dropOn(b7, mime.get()));

    QVERIFY(b7->isChecked());
    QCOMPARE(w.selectedMarker(), 7);
    QVERIFY(b7->loaded());
    QCOMPARE(b7->toolTip(), m_magenta);
    QCOMPARE(b7->modelFile(), m_magenta);
    QCOMPARE(b7->shown(), MarcaPushButton::Shown::Loaded);
    QCOMPARE(b7->icon().pixmap(64).toImage().convertToFormat(QImage::Format_ARGB32),
             QPixmap(QStringLiteral(":/Quorvane/Marca7_loaded.png")).toImage().convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(w.viewWidget()->slot(7)->fileName(), b7->mainFile());
    QVERIFY(w.viewWidget()->slot(7)->isSelected());
    // Scaled to the marker at once: the same scale the "Auto" button gives, shown in the scale box.
    const float scale = w.viewWidget()->slot(7)->scale();
    QVERIFY(scale > 1.0f);
    QCOMPARE(float(w.form()->doubleSpinBox_scale->value()), float(std::round(scale * 1e6) / 1e6));

    // The pointer over the button shows the entry's own picture; away, the loaded one.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), b7->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(b7, &enter);
    QCOMPARE(b7->shown(), MarcaPushButton::Shown::Preview);
    QCOMPARE(b7->previewPicture().size(), QSize(64, 64));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b7, &leave);
    QCOMPARE(b7->shown(), MarcaPushButton::Shown::Loaded);

    // The picture: the magenta content covers marker 7 where the tracker sees it, and only there.
    QTRY_VERIFY_WITH_TIMEOUT(w.viewWidget()->tracker().GetMarkers().size() == 2, 5000);
    // The selection outline sets itself up in the first frame after a selection and draws nothing then.
    w.viewWidget()->grabFrame();
    const cv::Mat shot = testutil::rgbMat(w.viewWidget()->grabFrame());
    const double s = double(shot.cols) / m_photo.frame.cols;
    const double top = (shot.rows - m_photo.frame.rows * s) / 2.0;
    auto quad = [&](const trk::SynthTruth& t) {
        std::vector<cv::Point> q;
        for (const trk::SPoint2f& c : t.corners)
            q.emplace_back(int(std::lround(shot.cols - c.x * s)), int(std::lround(c.y * s + top)));
        return q;
    };
    cv::Mat magenta;
    cv::inRange(shot, cv::Scalar(200, 0, 200), cv::Scalar(255, 60, 255), magenta);
    for (const trk::SynthTruth& t : m_photo.truth) {
        const cv::Mat inside = testutil::quadMask(quad(t), shot.cols, shot.rows, -3);
        const double covered = double(cv::countNonZero(magenta & inside)) / cv::countNonZero(inside);
        if (t.marker == 7)
            QVERIFY2(covered > 0.98, qPrintable(QStringLiteral("marker 7 covered %1").arg(covered)));
        else
            QVERIFY2(covered < 0.01, qPrintable(QStringLiteral("marker %1 covered %2").arg(t.marker).arg(covered)));
    }

    // A second drop on the same button replaces the content.
    std::unique_ptr<QMimeData> green(entryPayload(entry(m_green), picture));
    QVERIFY(dropOn(b7, green.get()));
    QCOMPARE(b7->modelFile(), m_green);
    QVERIFY(w.viewWidget()->slot(7)->fileName().endsWith(QStringLiteral("green.png")));
}

void TestAuthorMarkerPanel::refusedDrops_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("plain text") << QStringLiteral("text/plain") << QByteArray("/tmp/x.qmd");
    QTest::newRow("a file list") << QStringLiteral("text/uri-list") << QByteArray("file:///tmp/x.qmd\r\n");
    QTest::newRow("model data cut short") << QString::fromLatin1(kModelDataMime) << QByteArray("\x00\x00\x00", 3);
    QTest::newRow("model data of noise") << QString::fromLatin1(kModelDataMime)
                                         << QByteArray("\xff\xff\xff\xf0garbage that is not a stream", 32);
}

void TestAuthorMarkerPanel::refusedDrops()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, data);
    Quorvane w;
    setUpWindow(w);
    QSignalSpy accepted(w.markerButton(3), &MarcaPushButton::dropAccepted);
    QMimeData mime;
    mime.setData(type, data);
    QVERIFY(!dropOn(w.markerButton(3), &mime));
    QCOMPARE(accepted.count(), 0);
    QVERIFY(!w.markerButton(3)->loaded());
    QVERIFY(!w.markerButton(3)->isChecked());
    QVERIFY(w.markerButton(3)->modelFile().isEmpty());
    QVERIFY(w.viewWidget()->slot(3)->fileName().isEmpty());
}

void TestAuthorMarkerPanel::controlsDoNothingWithoutSelection()
{
    Quorvane w;
    setUpWindow(w);
    const std::vector<Transform> before = allTransforms(w.viewWidget());
    auto* ui = w.form();
    ui->dial_1->setValue(40);
    ui->dial_2->setValue(50);
    ui->dial_3->setValue(60);
    ui->doubleSpinBox_scale->setValue(3.0);
    for (QPushButton* b : {ui->btn_up, ui->btn_down, ui->btn_front, ui->btn_back, ui->btn_left, ui->btn_right,
                           ui->btn_center, ui->btn_autoTranslate, ui->btn_autoScale, ui->btn_resetScale,
                           ui->btn_resetAngles, ui->btn_borrarSeleccionada, ui->btn_Play, ui->btn_Stop})
        b->click();
    w.escalaModelo(500);
    QVERIFY(allTransforms(w.viewWidget()) == before);
    QCOMPARE(w.selectedMarker(), -1);
}

using Action = std::function<void(Ui::QuorvaneClass*, Quorvane&)>;
Q_DECLARE_METATYPE(Action)

void TestAuthorMarkerPanel::controlsActOnTheSelectedContent_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<Angles>("rotation");
    QTest::addColumn<osg::Vec3d>("translation");
    QTest::addColumn<float>("scale");
    using A = std::array<float, 3>;
    const osg::Vec3d zero(0, 0, 0);
    auto click = [](QPushButton* (*pick)(Ui::QuorvaneClass*)) {
        return Action([pick](Ui::QuorvaneClass* ui, Quorvane&) { pick(ui)->click(); });
    };
    QTest::newRow("dial 1") << Action([](Ui::QuorvaneClass* ui, Quorvane&) { ui->dial_1->setValue(30); }) << A{30, 0, 0}
                            << zero << 2.0f;
    QTest::newRow("dial 2") << Action([](Ui::QuorvaneClass* ui, Quorvane&) { ui->dial_2->setValue(45); }) << A{0, 45, 0}
                            << zero << 2.0f;
    QTest::newRow("dial 3") << Action([](Ui::QuorvaneClass* ui, Quorvane&) { ui->dial_3->setValue(350); })
                            << A{0, 0, 350} << zero << 2.0f;
    QTest::newRow("scale box") << Action([](Ui::QuorvaneClass* ui, Quorvane&) {
        ui->doubleSpinBox_scale->setValue(2.5);
    }) << A{0, 0, 0} << zero << 2.5f;
    QTest::newRow("scale in thousandths")
        << Action([](Ui::QuorvaneClass*, Quorvane& w) { w.escalaModelo(500); }) << A{0, 0, 0} << zero << 0.5f;
    QTest::newRow("up") << click([](Ui::QuorvaneClass* u) { return u->btn_up; }) << A{0, 0, 0} << osg::Vec3d(0, 0, -1)
                        << 2.0f;
    QTest::newRow("down") << click([](Ui::QuorvaneClass* u) { return u->btn_down; }) << A{0, 0, 0}
                          << osg::Vec3d(0, 0, 1) << 2.0f;
    QTest::newRow("front") << click([](Ui::QuorvaneClass* u) { return u->btn_front; }) << A{0, 0, 0}
                           << osg::Vec3d(0, -1, 0) << 2.0f;
    QTest::newRow("back") << click([](Ui::QuorvaneClass* u) { return u->btn_back; }) << A{0, 0, 0}
                          << osg::Vec3d(0, 1, 0) << 2.0f;
    QTest::newRow("left") << click([](Ui::QuorvaneClass* u) { return u->btn_left; }) << A{0, 0, 0}
                          << osg::Vec3d(-1, 0, 0) << 2.0f;
    QTest::newRow("right") << click([](Ui::QuorvaneClass* u) { return u->btn_right; }) << A{0, 0, 0}
                           << osg::Vec3d(1, 0, 0) << 2.0f;
    QTest::newRow("right, then back to the centre") << Action([](Ui::QuorvaneClass* ui, Quorvane&) {
        ui->btn_right->click();
        ui->btn_right->click();
        ui->btn_center->click();
    }) << A{0, 0, 0} << zero << 2.0f;
    QTest::newRow("turned, then undone") << Action([](Ui::QuorvaneClass* ui, Quorvane&) {
        ui->dial_1->setValue(90);
        ui->dial_3->setValue(10);
        ui->btn_resetAngles->click();
    }) << A{0, 0, 0} << zero << 2.0f;
    QTest::newRow("scale undone") << click([](Ui::QuorvaneClass* u) { return u->btn_resetScale; }) << A{0, 0, 0} << zero
                                  << 1.0f;
}

void TestAuthorMarkerPanel::controlsActOnTheSelectedContent()
{
    QFETCH(Action, action);
    QFETCH(Angles, rotation);
    QFETCH(osg::Vec3d, translation);
    QFETCH(float, scale);
    Quorvane w;
    setUpWindow(w);
    ViewerWidget* v = w.viewWidget();
    QVERIFY(v->setMarkerContent(5, testutil::contentFile(m_magenta)));
    v->setMarkerScale(5, 2.0f);
    w.markerButton(5)->click();
    QCOMPARE(w.selectedMarker(), 5);
    QCOMPARE(w.form()->doubleSpinBox_scale->value(), 2.0);
    std::vector<Transform> others = allTransforms(v);

    action(w.form(), w);

    const Transform t = transformOf(v->slot(5));
    QCOMPARE(t.rotation, rotation);
    QCOMPARE(t.translation, translation);
    QCOMPARE(t.scale, scale);
    // No other marker moved.
    std::vector<Transform> after = allTransforms(v);
    others.erase(others.begin() + 5);
    after.erase(after.begin() + 5);
    QVERIFY(after == others);
    QVERIFY(v->slot(5)->mtxExtRot()->getMatrix().isIdentity() == (rotation == std::array<float, 3>{0, 0, 0}));
}

void TestAuthorMarkerPanel::selectionShowsTheContentsValues()
{
    Quorvane w;
    setUpWindow(w);
    ViewerWidget* v = w.viewWidget();
    auto* ui = w.form();
    // An animated model enables the animation buttons; a picture does not.
    QVERIFY(v->setMarkerContent(1, QStringLiteral("/usr/share/assimp/models/Collada/box_nested_animation.dae")));
    QVERIFY(v->setMarkerContent(2, testutil::contentFile(m_green)));
    v->setMarkerRotation(1, 10.7f, 20.2f, 300.9f);
    v->setMarkerScale(1, 0.0000004f); // below what the box can show
    v->setMarkerScale(2, 3.25f);

    w.markerButton(2)->click();
    QVERIFY(!ui->btn_Play->isEnabled() && !ui->btn_Stop->isEnabled());
    QCOMPARE(ui->doubleSpinBox_scale->value(), 3.25);
    QVERIFY(v->slot(2)->isSelected() && !v->slot(1)->isSelected());

    w.markerButton(1)->click();
    QVERIFY(ui->btn_Play->isEnabled() && ui->btn_Stop->isEnabled());
    QCOMPARE(ui->dial_1->value(), 10);
    QCOMPARE(ui->dial_2->value(), 20);
    QCOMPARE(ui->dial_3->value(), 300);
    // Showing the values leaves the content as it was: fractions of a degree and a scale the box
    // cannot hold are not rounded into it.
    QCOMPARE(v->slot(1)->rotationAngles(), (std::array<float, 3>{10.7f, 20.2f, 300.9f}));
    QCOMPARE(v->slot(1)->scale(), 0.0000004f);
    QVERIFY(v->slot(1)->isSelected() && !v->slot(2)->isSelected());
    ui->btn_Play->click(); // plays without complaint
    ui->btn_Stop->click();

    // A content of scale 0 leaves the controls where they were.
    v->setMarkerRotation(3, 45, 45, 45);
    v->setMarkerScale(3, 0.0f);
    w.markerButton(3)->click();
    QCOMPARE(ui->dial_1->value(), 10);
    QCOMPARE(ui->dial_3->value(), 300);
    QVERIFY(v->slot(3)->isSelected());
}

void TestAuthorMarkerPanel::removingAssociations()
{
    Quorvane w;
    setUpWindow(w);
    ViewerWidget* v = w.viewWidget();
    const LibraryEntry e = entry(m_magenta);
    for (int n : {0, 5, 9, 19}) {
        std::unique_ptr<QMimeData> mime(entryPayload(e, QPixmap(64, 64)));
        QVERIFY(dropOn(w.markerButton(n), mime.get()));
    }
    QCOMPARE(w.selectedMarker(), 19);

    w.form()->btn_borrarSeleccionada->click();
    QVERIFY(!w.markerButton(19)->loaded());
    QVERIFY(w.markerButton(19)->toolTip().isEmpty());
    QCOMPARE(w.markerButton(19)->shown(), MarcaPushButton::Shown::Normal);
    QVERIFY(v->slot(19)->fileName().isEmpty());
    QVERIFY(w.markerButton(19)->isChecked()); // still the selected marker, now empty

    // Out of range (a negative number taken as unsigned) changes nothing.
    w.borrarMarcaIndice(-1);
    w.borrarMarcaIndice(20);
    QVERIFY(w.markerButton(0)->loaded() && w.markerButton(5)->loaded() && w.markerButton(9)->loaded());
    w.borrarMarcaIndice(5);
    QVERIFY(!w.markerButton(5)->loaded());
    QVERIFY(v->slot(5)->fileName().isEmpty());
    QVERIFY(w.markerButton(0)->loaded());

    w.form()->btn_borrarTodas->click();
    for (int n = 0; n < 20; ++n) {
        QVERIFY(!w.markerButton(n)->loaded());
        QVERIFY(v->slot(n)->fileName().isEmpty());
    }
}

void TestAuthorMarkerPanel::printOpensTheSheet()
{
    testutil::OpenedUrls opened;
    Quorvane w;
    setUpWindow(w);
    // The sheets beside the program, named by the marker's code.
    for (int n = 0; n < 20; ++n)
        QCOMPARE(QFileInfo(w.markerButton(n)->sheetPath()).fileName(),
                 QStringLiteral("%1.pdf").arg(trk::kMarkerCodes[size_t(n)], 4, 16, QLatin1Char('0')));
    w.form()->btn_ImprimirMarcaSeleccionada->click(); // nothing selected
    QVERIFY(opened.urls.isEmpty());
    w.markerButton(7)->click();
    w.form()->btn_ImprimirMarcaSeleccionada->click();
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(w.markerButton(7)->sheetPath())});
    QVERIFY(w.markerButton(7)->sheetPath().endsWith(QStringLiteral("/pdf/0777.pdf")));

    // A sheet that went missing: nothing happens, nothing is said.
    const QString copy = m_dir.filePath(QStringLiteral("0777.pdf"));
    QVERIFY(QFile::copy(w.markerButton(7)->sheetPath(), copy));
    QVERIFY(w.markerButton(7)->setSheetFile(copy));
    QVERIFY(!w.markerButton(7)->setSheetFile(m_dir.filePath(QStringLiteral("none.pdf"))));
    QCOMPARE(w.markerButton(7)->sheetPath(), copy);
    QFile::remove(copy);
    DialogAnswers catcher;
    w.form()->btn_ImprimirMarcaSeleccionada->click();
    QCOMPARE(opened.urls.size(), 1);
    QCOMPARE(catcher.dialogs, 0);
}

QTEST_MAIN(TestAuthorMarkerPanel)
#include "tst_author_markerpanel.moc"
