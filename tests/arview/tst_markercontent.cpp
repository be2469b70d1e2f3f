// A marker slot's content without drawing it: loading by extension, real models, the user's
// transforms, automatic scale and centring, animation, and the label dialog's rules.
#include "Label3d.h"
#include "Label3dPropertyDlg.h"
#include "MarkerContent.h"
#include "DialogAnswers.h"
#include "ViewerWidget.h"
#include "ui_Label3dPropertyDlg.h"

#include <QtTest>

#include <osg/ComputeBoundsVisitor>
#include <osg/Geode>
#include <osg/ShapeDrawable>
#include <osgDB/WriteFile>
#include <osgUtil/UpdateVisitor>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <sys/resource.h>

using namespace quorvane; // the view's classes

namespace {

const QString kModels = QStringLiteral("/usr/share/assimp/models");

// Bounds of the slot's content as it sits below "mtxExtSca": the wrapper's half-turn and the
// user's offset applied.
osg::BoundingBox boxUnderScale(const MarkerContent& s)
{
    osg::ComputeBoundsVisitor cbv;
    s.mtxExtTra()->accept(cbv);
    return cbv.getBoundingBox();
}

bool near(double a, double b, double eps = 1e-3)
{
    return std::fabs(a - b) < eps;
}

} // namespace

class TestMarkerContent : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void loadsByLowerCasedExtension_data();
    void loadsByLowerCasedExtension();
    void realModelsLoad_data();
    void realModelsLoad();
    void pictureSpansItsPixels();
    void autoScaleAndAutoTranslate();
    void hostileModelsAreRefused();
    void userTransforms();
    void animatedModelPlays_data();
    void animatedModelPlays();
    void labelGeometryAndDialog();
    void blankTextDeletesTheLabel();
    void resetsFreeTheSlots();

private:
    QTemporaryDir m_dir;
    QString m_picture, m_video, m_cube, m_box;
};

void TestMarkerContent::initTestCase()
{
    m_picture = m_dir.filePath(QStringLiteral("photo.PNG"));
    QVERIFY(cv::imwrite(m_picture.toStdString(), cv::Mat(480, 640, CV_8UC3, cv::Scalar(30, 90, 200))));
    // An MJPG clip under a mixed-case name of another container: the decoder reads the content.
    m_video = m_dir.filePath(QStringLiteral("clip.Mp4"));
    cv::VideoWriter w(m_video.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 10.0, cv::Size(64, 48));
    QVERIFY(w.isOpened());
    for (int i = 0; i < 5; ++i)
        w.write(cv::Mat(48, 64, CV_8UC3, cv::Scalar::all(40 * i)));
    w.release();

    osg::ref_ptr<osg::Geode> cube = new osg::Geode;
    cube->addDrawable(new osg::ShapeDrawable(new osg::Box(osg::Vec3(), 2.0f)));
    m_cube = m_dir.filePath(QStringLiteral("cube.osgt"));
    QVERIFY(osgDB::writeNodeFile(*cube, m_cube.toStdString()));
    osg::ref_ptr<osg::Geode> box = new osg::Geode;
    box->addDrawable(new osg::ShapeDrawable(new osg::Box(osg::Vec3(5.0f, -3.0f, 2.0f), 2.0f, 4.0f, 6.0f)));
    m_box = m_dir.filePath(QStringLiteral("box.osgt"));
    QVERIFY(osgDB::writeNodeFile(*box, m_box.toStdString()));
}

void TestMarkerContent::loadsByLowerCasedExtension_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("video");
    QTest::newRow("upper-case PNG is a picture") << QStringLiteral("photo.PNG") << false;
    QTest::newRow("Mp4 is a video") << QStringLiteral("clip.Mp4") << true;
    QTest::newRow("anything else goes to the model reader") << QStringLiteral("cube.osgt") << false;
}

void TestMarkerContent::loadsByLowerCasedExtension()
{
    QFETCH(QString, file);
    QFETCH(bool, video);
    MarkerContent slot(0x00FF, 135.0f);
    QVERIFY(slot.setContent(m_dir.filePath(file)));
    QCOMPARE(slot.hasVideo(), video);
    QCOMPARE(slot.fileName(), m_dir.filePath(file));
    // The wrapper: half a turn about x, mask 8, the outline (off), then the content.
    auto* wrapper = dynamic_cast<osg::MatrixTransform*>(slot.contentNode());
    QVERIFY(wrapper);
    QCOMPARE(wrapper->getNodeMask(), 8u);
    QVERIFY(wrapper->getMatrix().getRotate().asVec4().x() > 0.999 ||
            wrapper->getMatrix().getRotate().asVec4().x() < -0.999);
    QCOMPARE(wrapper->getChild(0), static_cast<osg::Node*>(slot.outline()));
    QVERIFY(!slot.outline()->getEnabled());
    QCOMPARE(slot.outline()->getWidth(), 8.0f);
    QCOMPARE(slot.mtxExtTra()->getNumChildren(), 1u);

    // Unreadable files leave the slot as it was.
    osg::Node* before = slot.contentNode();
    QVERIFY(!slot.setContent(m_dir.filePath(QStringLiteral("missing.png"))));
    QVERIFY(!slot.setContent(m_dir.filePath(QStringLiteral("missing.avi"))));
    QVERIFY(!slot.setContent(m_dir.filePath(QStringLiteral("missing.3ds"))));
    QCOMPARE(slot.contentNode(), before);
    QCOMPARE(slot.fileName(), m_dir.filePath(file));
}

void TestMarkerContent::realModelsLoad_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("OBJ") << QStringLiteral("OBJ/spider.obj");
    QTest::newRow("3DS") << QStringLiteral("3DS/fels.3ds");
    QTest::newRow("DAE") << QStringLiteral("Collada/duck.dae");
    QTest::newRow("STL") << QStringLiteral("STL/Spider_ascii.stl");
}

void TestMarkerContent::realModelsLoad()
{
    QFETCH(QString, file);
    MarkerContent slot(0x00FF, 135.0f);
    QVERIFY2(slot.setContent(kModels + QLatin1Char('/') + file), qPrintable(file));
    QVERIFY(boxUnderScale(slot).valid());
    slot.autoScale(135.0f);
    QVERIFY(slot.scale() > 0.0f);
}

void TestMarkerContent::pictureSpansItsPixels()
{
    MarkerContent slot(0x00FF, 135.0f);
    QVERIFY(slot.setContent(m_picture));
    osg::ComputeBoundsVisitor cbv;
    cbv.traverse(*slot.contentNode()->asGroup());
    const osg::BoundingBox b = cbv.getBoundingBox();
    QVERIFY(near(b.xMin(), -320) && near(b.xMax(), 320) && near(b.yMin(), -240) && near(b.yMax(), 240));
    QVERIFY(near(b.zMin(), 0) && near(b.zMax(), 0));
}

void TestMarkerContent::autoScaleAndAutoTranslate()
{
    MarkerContent slot(0x00FF, 135.0f);
    QVERIFY(slot.setContent(m_cube));
    slot.autoScale(135.0f);
    QVERIFY2(near(slot.scale(), 135.0 / std::sqrt(3.0) / 1.1518735885620117, 1e-3),
             qPrintable(QString::number(slot.scale())));
    QVERIFY(near(slot.scale(), 67.67, 0.01));

    // An off-centre box comes to rest centred on the marker, its lowest side on the plane and
    // the rest towards -z (the side the camera sees once the slot is posed).
    QVERIFY(slot.setContent(m_box));
    slot.translate(7, 7, 7);
    slot.autoTranslate();
    const osg::BoundingBox b = boxUnderScale(slot);
    QVERIFY(near(b.center().x(), 0) && near(b.center().y(), 0));
    QVERIFY(near(b.zMax(), 0) && near(b.zMin(), -6));

    // Content without extent keeps its scale instead of growing without bound.
    const QString empty = m_dir.filePath(QStringLiteral("empty.osgt"));
    QVERIFY(osgDB::writeNodeFile(*new osg::Group, empty.toStdString()));
    QVERIFY(slot.setContent(empty));
    slot.setScale(2, 2, 2);
    slot.autoScale(135.0f);
    QCOMPARE(slot.scale(), 2.0f);
}

// A 309-byte file that makes a reader ask for 15 GB, and a file no reader takes, never reach this process's
// readers: the guarded check refuses them. The process itself runs under a limit the first would break.
void TestMarkerContent::hostileModelsAreRefused()
{
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    const rlimit limit{rlim_t(6) << 30, saved.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_AS, &limit), 0);
    MarkerContent slot(0x00FF, 135.0f);
    QVERIFY(!slot.setContent(QStringLiteral("/usr/share/assimp/models/invalid/OutOfMemory.off")));
    const QString junk = m_dir.filePath(QStringLiteral("junk.fbx"));
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("no model at all");
    f.close();
    QVERIFY(!slot.setContent(junk));
    QVERIFY(slot.setContent(m_box)); // a sound model still loads
    setrlimit(RLIMIT_AS, &saved);
}

void TestMarkerContent::userTransforms()
{
    MarkerContent slot(0x00FF, 135.0f);
    slot.resetPosition();
    slot.translate(1, 0, 0);
    slot.translate(1, 0, 0);
    QCOMPARE(slot.mtxExtTra()->getMatrix().getTrans(), osg::Vec3d(2, 0, 0));
    slot.setRotation(90, 0, 0);
    QCOMPARE(slot.rotationAngles(), (std::array<float, 3>{90, 0, 0}));
    QVERIFY(!slot.mtxExtRot()->getMatrix().isIdentity());
    slot.resetRotation();
    QVERIFY(slot.mtxExtRot()->getMatrix().isIdentity());
    QCOMPARE(slot.rotationAngles(), (std::array<float, 3>{0, 0, 0}));
    slot.setScale(3, 3, 4);
    QCOMPARE(slot.scale(), 4.0f);
    slot.resetScale();
    QVERIFY(slot.mtxExtSca()->getMatrix().isIdentity());

    // The user's transforms survive a later load into the same slot.
    slot.setRotation(10, 20, 30);
    QVERIFY(slot.setContent(m_cube));
    QCOMPARE(slot.rotationAngles(), (std::array<float, 3>{10, 20, 30}));
    QCOMPARE(slot.mtxExtTra()->getMatrix().getTrans(), osg::Vec3d(2, 0, 0));
}

void TestMarkerContent::animatedModelPlays_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("COLLADA, OSG's reader") << QStringLiteral("Collada/box_nested_animation.dae");
    QTest::newRow("glTF skin, through assimp") << QStringLiteral("glTF2/simple_skin/simple_skin.gltf");
}

void TestMarkerContent::animatedModelPlays()
{
    QFETCH(QString, file);
    MarkerContent slot(0x00FF, 135.0f);
    QVERIFY(slot.setContent(kModels + QLatin1Char('/') + file));
    QVERIFY(slot.animationCount() > 0);
    QVERIFY(!slot.playAnimation(slot.animationCount()));
    QVERIFY(!slot.stopAnimation(0)); // always false

    // Run update traversals as the view's frames do: playing moves some transform (a bone).
    struct Matrices : osg::NodeVisitor
    {
        Matrices() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
        void apply(osg::MatrixTransform& t) override
        {
            all.push_back(t.getMatrix());
            traverse(t);
        }
        std::vector<osg::Matrix> all;
    };
    auto snapshot = [&] {
        Matrices m;
        slot.contentNode()->accept(m);
        return m.all;
    };
    osg::ref_ptr<osgUtil::UpdateVisitor> update = new osgUtil::UpdateVisitor;
    osg::ref_ptr<osg::FrameStamp> stamp = new osg::FrameStamp;
    update->setFrameStamp(stamp);
    auto tick = [&](double t) {
        stamp->setReferenceTime(t);
        stamp->setSimulationTime(t);
        stamp->setFrameNumber(stamp->getFrameNumber() + 1);
        slot.draggerRoot()->accept(*update);
    };
    tick(0.0);
    QVERIFY(slot.playAnimation(0));
    tick(0.01);
    const std::vector<osg::Matrix> start = snapshot();
    bool moved = false;
    for (double t = 0.1; t < 3.0 && !moved; t += 0.1) {
        tick(t);
        moved = snapshot() != start;
    }
    QVERIFY(moved);
}

void TestMarkerContent::labelGeometryAndDialog()
{
    MarkerContent slot(0x00FF, 135.0f);
    QVERIFY(slot.setContent(m_cube));
    Label3d* l = slot.addLabel("Hola", osg::Vec4(0, 0, 0, 1), osg::Vec4(1, 1, 1, 1), osg::Vec3d(1, 2, 3), 50, 0, 12);
    QCOMPARE(slot.labels().size(), size_t(1));
    QCOMPARE(l->node()->getName(), std::string("cartelTexto"));
    QCOMPARE(l->node()->getNodeMask(), 4u);
    unsigned int id = 0;
    QVERIFY(l->node()->getUserValue("objetoCartelTexto", id));
    QCOMPARE(slot.findLabel(id), l);
    QCOMPARE(l->anchor(), osg::Vec3(1, 2, 3)); // identity transforms: the world point as it is
    QCOMPARE(l->textPosition(), osg::Vec3(51, 2, 3));
    QCOMPARE(l->text()->getBoundingBoxMargin(), 0.2f * 12);

    Label3dPropertyDlg dialog(l);
    auto* ui = dialog.form();
    QCOMPARE(ui->textEdit->toPlainText(), QStringLiteral("Hola"));
    QCOMPARE(ui->horizontalSlider->value(), 360);
    QCOMPARE(ui->textEdit->styleSheet(), QStringLiteral("color: rgb(0,0,0);\nbackground-color: rgb(255,255,255);"));

    struct Case
    {
        int slider;
        int distance;
        osg::Vec3 expected;
    };
    const Case cases[] = {{180, 50, {-49, 2, 3}},
                          {540, 50, {-49, 2, 3}},
                          {360, 50, {51, 2, 3}},
                          {450, 20, {1, 2, 23}},
                          {360, 0, {1, 2, 3}}};
    for (const Case& c : cases) {
        ui->horizontalSlider->setValue(c.slider);
        ui->sb_distancia->setValue(c.distance);
        QVERIFY2((l->textPosition() - c.expected).length() < 1e-3,
                 qPrintable(QStringLiteral("slider %1 distance %2").arg(c.slider).arg(c.distance)));
        // The leader line runs from the text to the anchor (zero length at distance 0).
        const auto* v = static_cast<const osg::Vec3Array*>(l->line()->getDrawable(0)->asGeometry()->getVertexArray());
        QCOMPARE((*v)[0], l->textPosition());
        QCOMPARE((*v)[1], l->anchor());
    }
    QCOMPARE(l->node()->getNumChildren(), 2u); // the line is rebuilt, never stacked

    ui->doubleSpinBox_fontSize->setValue(20.0);
    QCOMPARE(l->text()->getCharacterHeight(), 20.0f);
    QCOMPARE(l->text()->getBoundingBoxMargin(), 4.0f);

    dialog.onBotonDesplazamientoArriba();
    QCOMPARE(l->distance(), 5.0f);
    dialog.onBotonDesplazamientoAbajo();
    dialog.onBotonDesplazamientoAbajo();
    QCOMPARE(l->distance(), 0.0f);
    const float x = l->textPosition().x();
    dialog.onBotonDesplazamientoDerecha();
    QCOMPARE(l->textPosition().x(), x + 5.0f);

    ui->textEdit->setPlainText(QStringLiteral("Ñandú 中文"));
    QCOMPARE(QString::fromStdString(l->textUtf8()), QStringLiteral("Ñandú 中文"));
}

void TestMarkerContent::blankTextDeletesTheLabel()
{
    ViewerWidget view(false, false);
    QVERIFY(view.setMarkerContent(4, m_cube));
    struct Case
    {
        const char* name;
        std::function<void(Label3dPropertyDlg*)> act;
        bool kept;
    };
    const Case cases[] = {
        {"closed as it is", [](Label3dPropertyDlg*) {}, true},
        {"spaces only", [](Label3dPropertyDlg* d) { d->form()->textEdit->setPlainText(QStringLiteral("   \n ")); },
         false},
        {"delete button", [](Label3dPropertyDlg* d) { d->form()->btn_eliminar->click(); }, false},
    };
    for (const Case& c : cases) {
        Label3d* l =
            view.addMarkerLabel(4, "Etiqueta", osg::Vec4(0, 0, 0, 1), osg::Vec4(1, 1, 1, 1), osg::Vec3(), 30, 10, 8);
        QCOMPARE(l->distance(), 30.0f);
        QCOMPARE(l->angle(), 10.0f);
        QCOMPARE(l->size(), 8.0f);
        osg::ref_ptr<osg::Node> node = l->node();
        DialogAnswers catcher;
        catcher.onDialog = [&](QDialog* d) { c.act(static_cast<Label3dPropertyDlg*>(d)); };
        QCOMPARE(view.editLabel(l), c.kept);
        QCOMPARE(view.markerLabels(4).size(), size_t(c.kept ? 1 : 0));
        QCOMPARE(view.slot(4)->mtxExtTra()->containsNode(node.get()), c.kept);
        if (c.kept)
            view.slot(4)->removeLabel(l);
    }
}

void TestMarkerContent::resetsFreeTheSlots()
{
    ViewerWidget view(false, false);
    QVERIFY(view.setMarkerContent(2, m_video));
    QVERIFY(view.slot(2)->hasVideo());
    view.setMarkerScale(2, 3.0f);
    view.resetMarker(2);
    QVERIFY(!view.slot(2)->hasVideo());
    QCOMPARE(view.slot(2)->scale(), 1.0f);
    QCOMPARE(view.slot(2)->contentNode()->getName(), std::string("myQuad"));
    QVERIFY(view.setMarkerContent(5, m_cube));
    view.resetAllMarkers();
    QCOMPARE(view.slotCount(), 20);
    int draggers = 0;
    for (unsigned i = 0; i < view.rootGroup()->getNumChildren(); ++i)
        draggers += view.rootGroup()->getChild(i)->getName() == "draggerRoot";
    QCOMPARE(draggers, 20);
    QCOMPARE(view.slot(5)->contentNode()->getName(), std::string("myQuad"));
    // Numbers outside the slots do nothing.
    QVERIFY(!view.setMarkerContent(20, m_cube));
    view.setMarkerScale(-1, 2.0f);
    QVERIFY(view.markerLabels(99).empty());
}

QTEST_MAIN(TestMarkerContent)
#include "tst_markercontent.moc"
