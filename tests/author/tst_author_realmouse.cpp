// Quorvane Author driven by the real pointer and keyboard of the X display (xdotool): library
// entries dragged from the list onto marker buttons stand on their markers in the picture, a
// double-click on content adds a label typed on the keyboard, and Alt+H hides and shows the panels.
// Runs alone: it moves the display's one pointer.
#include "AuthorTestUtil.h"
#include "DialogAnswers.h"
#include "Label3d.h"
#include "MarcaPushButton.h"
#include "MarkerContent.h"
#include "OsgGLWidget.h"
#include "Quorvane.h"
#include "RenderCheck.h"
#include "Resources.h"
#include "ViewerWidget.h"
#include "myListView.h"
#include "myListWidget.h"
#include "ui_Quorvane.h"

#include <QtTest>

#include <QProcess>

using namespace quorvane;

namespace {

// Runs xdotool with these commands and waits for it; false when it is missing or fails.
bool xdotool(const QStringList& commands)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), commands);
    if (!p.waitForStarted(5000))
        return false;
    // The program under test must keep handling events while the pointer moves.
    QElapsedTimer t;
    t.start();
    while (p.state() != QProcess::NotRunning && t.elapsed() < 20000)
        QTest::qWait(10);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QStringList at(QPoint p)
{
    return {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())};
}

QStringList pause(double seconds)
{
    return {QStringLiteral("sleep"), QString::number(seconds)};
}

// A drag as a hand makes it: press on the entry, move off it, travel to the button, let go there.
bool drag(QPoint from, QPoint to)
{
    return xdotool(at(from) + pause(0.2) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1")} + pause(0.2) +
                   at(from + QPoint(6, 4)) + pause(0.2) + at((from + to) / 2) + pause(0.2) + at(to) + pause(0.3) +
                   at(to + QPoint(1, 1)) + pause(0.3) + QStringList{QStringLiteral("mouseup"), QStringLiteral("1")});
}

QPoint centre(QWidget* w)
{
    return w->mapToGlobal(w->rect().center());
}

} // namespace

class TestAuthorRealMouse : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void dragLabelAndHide();

private:
    QTemporaryDir m_tmp;
};

void TestAuthorRealMouse::initTestCase()
{
    initResources();
    testutil::RecordingHooks::install();
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QFAIL("xdotool is missing: scripts/install-deps installs it");
}

void TestAuthorRealMouse::dragLabelAndHide()
{
    const QString lib = m_tmp.filePath(QStringLiteral("library"));
    for (const auto& [name, colour] :
         {std::pair{"amarillo", QColor(255, 255, 0)}, std::pair{"cian", QColor(0, 255, 255)},
          std::pair{"magenta", QColor(255, 0, 255)}})
        QVERIFY(!testutil::pictureModel(lib, QString::fromLatin1(name), colour).isEmpty());
    const QString photo = m_tmp.filePath(QStringLiteral("mesa.png"));
    const trk::SynthFrame truth =
        testutil::markerPhoto(photo, {trk::PoseMarker(0, 900.0f, 10, 15, 0, -220, -120, 700.0f),
                                      trk::PoseMarker(1, 900.0f, -20, 0, 15, 200, -130, 700.0f),
                                      trk::PoseMarker(7, 800.0f, 35, 20, -10, -40, 130, 700.0f)});

    Quorvane w;
    w.resize(1180, 760);
    w.move(0, 0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.setLibraryDirectories({}, lib);
    QTRY_VERIFY(!w.libraryScanRunning());
    QVERIFY(w.showPhoto(photo));
    QTRY_COMPARE_WITH_TIMEOUT(w.viewWidget()->tracker().GetMarkers().size(), size_t(3), 5000);

    myListView* list = w.libraryWidget()->listView();
    auto entryAt = [&](const QString& name) {
        for (int r = 0; r < list->model()->rowCount(); ++r) {
            const QModelIndex i = list->model()->index(r, 0);
            if (i.data().toString() == name)
                return list->viewport()->mapToGlobal(list->visualRect(i).center());
        }
        return QPoint();
    };

    // Through the list's own drag: press on an entry, carry it to the button of marker 7.
    QVERIFY(drag(entryAt(QStringLiteral("magenta")), centre(w.markerButton(7))));
    QTRY_VERIFY_WITH_TIMEOUT(w.markerButton(7)->loaded(), 5000);
    QVERIFY(w.markerButton(7)->isChecked());
    QVERIFY(w.markerButton(7)->toolTip().endsWith(QStringLiteral("/magenta.qmd")));
    QVERIFY(drag(entryAt(QStringLiteral("amarillo")), centre(w.markerButton(0))));
    QTRY_VERIFY_WITH_TIMEOUT(w.markerButton(0)->loaded(), 5000);
    QVERIFY(drag(entryAt(QStringLiteral("cian")), centre(w.markerButton(1))));
    QTRY_VERIFY_WITH_TIMEOUT(w.markerButton(1)->loaded(), 5000);
    QVERIFY(w.markerButton(1)->isChecked() && !w.markerButton(7)->isChecked());
    QCOMPARE(w.markerButton(2)->loaded(), false);

    // Each colour stands on its own marker in the picture (the view is a mirror).
    w.viewWidget()->grabFrame();
    const cv::Mat shot = testutil::rgbMat(w.viewWidget()->grabFrame());
    const double s = double(shot.cols) / truth.frame.cols;
    const double top = (shot.rows - truth.frame.rows * s) / 2.0;
    const std::map<int, std::pair<cv::Scalar, cv::Scalar>> colours = {
        {0, {cv::Scalar(200, 200, 0), cv::Scalar(255, 255, 60)}},
        {1, {cv::Scalar(0, 200, 200), cv::Scalar(60, 255, 255)}},
        {7, {cv::Scalar(200, 0, 200), cv::Scalar(255, 60, 255)}}};
    QPoint marker7;
    for (const trk::SynthTruth& t : truth.truth) {
        std::vector<cv::Point> q;
        cv::Point2d mid(0, 0);
        for (const trk::SPoint2f& c : t.corners) {
            q.emplace_back(int(std::lround(shot.cols - c.x * s)), int(std::lround(c.y * s + top)));
            mid += cv::Point2d(q.back()) / 4.0;
        }
        if (t.marker == 7)
            marker7 = QPoint(int(mid.x), int(mid.y));
        cv::Mat colour;
        cv::inRange(shot, colours.at(t.marker).first, colours.at(t.marker).second, colour);
        const cv::Mat inside = testutil::quadMask(q, shot.cols, shot.rows, -3);
        const double covered = double(cv::countNonZero(colour & inside)) / cv::countNonZero(inside);
        QVERIFY2(covered > 0.95, qPrintable(QStringLiteral("marker %1 covered %2").arg(t.marker).arg(covered)));
    }
    if (qEnvironmentVariableIsSet("QUORVANE_SCREENSHOTS"))
        w.grab().save(qEnvironmentVariable("QUORVANE_SCREENSHOTS") + QStringLiteral("/author-three-markers.png"));

    // A double-click on the content of marker 7 opens a new label; the keyboard writes its text. The
    // editor runs its own modal loop, so the typing starts from within it.
    QString editorTitle;
    QTimer spot;
    spot.setInterval(10);
    connect(&spot, &QTimer::timeout, this, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!editor || !editor->isVisible())
            return;
        spot.stop();
        editorTitle = editor->windowTitle();
        auto* text = editor->findChild<QWidget*>(QStringLiteral("textEdit"));
        // The display's keyboard goes to the editor (no window manager hands it over); the keys wait
        // in the display's queue until this loop reads them.
        auto run = [](const QStringList& commands) {
            QProcess p;
            p.start(QStringLiteral("xdotool"), commands);
            p.waitForFinished(20000);
        };
        const QStringList focus{QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                QString::number(editor->winId())};
        // "type" takes every word after it, so the closing key goes on its own.
        run(focus + at(centre(text)) +
            QStringList{QStringLiteral("click"), QStringLiteral("1"), QStringLiteral("key"), QStringLiteral("ctrl+a"),
                        QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                        QStringLiteral("Mesa roja")});
        run(focus + QStringList{QStringLiteral("key"), QStringLiteral("Escape")});
    });
    spot.start();
    const QPoint onContent = w.viewWidget()->glWidget()->mapToGlobal(marker7);
    QVERIFY(xdotool(at(onContent) + pause(0.2) +
                    QStringList{QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                                QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")}));
    QTRY_COMPARE_WITH_TIMEOUT(editorTitle, QStringLiteral("Editar etiqueta"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 5000);
    spot.stop();
    const std::vector<Label3d*> labels = w.viewWidget()->markerLabels(7);
    QCOMPARE(labels.size(), size_t(1));
    QCOMPARE(QString::fromStdString(labels[0]->textUtf8()), QStringLiteral("Mesa roja"));
    if (qEnvironmentVariableIsSet("QUORVANE_SCREENSHOTS"))
        w.grab().save(qEnvironmentVariable("QUORVANE_SCREENSHOTS") + QStringLiteral("/author-label.png"));

    // Alt+H on the keyboard: the side panels go, and come back.
    const QStringList focusWindow{QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(w.winId())};
    QVERIFY(xdotool(focusWindow + QStringList{QStringLiteral("key"), QStringLiteral("alt+h")}));
    QTRY_VERIFY(!w.form()->frame1->isVisible() && !w.form()->frame2->isVisible());
    QTest::qWait(300); // a tick of the frame loop fits the picture to the wider view
    if (qEnvironmentVariableIsSet("QUORVANE_SCREENSHOTS"))
        w.grab().save(qEnvironmentVariable("QUORVANE_SCREENSHOTS") + QStringLiteral("/author-panels-hidden.png"));
    QVERIFY(xdotool(focusWindow + QStringList{QStringLiteral("key"), QStringLiteral("alt+h")}));
    QTRY_VERIFY(w.form()->frame1->isVisible() && w.form()->frame2->isVisible());

    // Leaving with content on the markers asks first; "No" lets the window go.
    DialogAnswers no({QMessageBox::No});
    QVERIFY(w.close());
    QCOMPARE(no.titles, QStringList{QStringLiteral("Guardar escena")});
}

QTEST_MAIN(TestAuthorRealMouse)
#include "tst_author_realmouse.moc"
