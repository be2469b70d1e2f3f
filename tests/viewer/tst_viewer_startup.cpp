// Quorvane Viewer's start-up dialog as users meet it: the form, the buttons that hide it while their work
// runs (the marker sheet opened with the desktop's handler, the camera choice), F1 and Esc, closing with the
// main window, and "Mostrar al inicio" written at once and honoured by the next start.
#include "FileCamera.h"
#include "DialogAnswers.h"
#include "ViewerTestScenes.h"

#include "../print/PdfPages.h"

#include "PlatformPaths.h"
#include "QuorvaneViewer.h"
#include "Resources.h"
#include "StartupDlg.h"
#include "ViewerEntry.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QtTest>

namespace {

// Stands in for the desktop's document handler: notes what it is asked to open, and whether the start-up
// dialog was on screen at that moment.
class DocumentOpener : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
    QList<bool> dialogVisible;
    QPointer<StartupDlg> dialog;

public slots:
    void open(const QUrl& url)
    {
        urls << url;
        dialogVisible << (dialog && dialog->isVisible());
    }
};

template <typename T>
T* child(QWidget* parent, const char* name)
{
    T* w = parent->findChild<T*>(QLatin1String(name));
    if (!w)
        qWarning() << "no" << name;
    return w;
}

StartupDlg* visibleStartupDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<StartupDlg*>(w); d && d->isVisible())
            return d;
    }
    return nullptr;
}

QuorvaneViewer* visibleViewer()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* v = qobject_cast<QuorvaneViewer*>(w); v && v->isVisible())
            return v;
    }
    return nullptr;
}

bool showOnStartupStored()
{
    return QSettings(QSettings::UserScope, QStringLiteral("Quorvane"), QStringLiteral("Quorvane Viewer"))
        .value(QStringLiteral("MostrarDialogoInicio"), true)
        .toBool();
}

} // namespace

class TestViewerStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void formGreetsTheUser();
    void buttonsHideTheDialogWhileTheirWorkRuns();
    void f1ShowsTheSameDialogAgain();
    void showOnStartupIsWrittenAtOnceAndHonoured();

private:
    // Runs the program's entry; `user` acts once the loop runs, and every window is closed afterwards.
    int runViewerAs(const std::function<void()>& user);

    QTemporaryDir m_dir;
    QString m_archive;
    DocumentOpener m_opener;
};

void TestViewerStartup::initTestCase()
{
    quorvane::initResources();
    const QString clip = m_dir.filePath(QStringLiteral("desk.avi"));
    QVERIFY(testutil::writeClip(clip, 20, {2, 15}));
    qputenv("QUORVANE_CAMERA", clip.toLocal8Bit());

    QVERIFY(testutil::writePicture(m_dir.filePath(QStringLiteral("cartel.png")), Qt::blue));
    const QString picture = testutil::importContent(m_dir.filePath(QStringLiteral("cartel.png")),
                                                    m_dir.filePath(QStringLiteral("library")));
    QVERIFY(!picture.isEmpty());
    quorvane::Scene scene;
    scene.markers[2].modelFile = picture;
    scene.markers[15].modelFile = picture;
    m_archive = m_dir.filePath(QStringLiteral("feria.qvx2"));
    QVERIFY(testutil::exportViewerArchive(scene, m_archive));
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_opener, "open");
}

void TestViewerStartup::formGreetsTheUser()
{
    StartupDlg d;
    QCOMPARE(d.minimumSize(), QSize(512, 385));
    QCOMPARE(d.maximumSize(), QSize(512, 385));
    QVERIFY(d.windowFlags().testFlag(Qt::SplashScreen));
    QVERIFY(d.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(d.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(d.pos(), QPoint(screen.center().x() - 256, screen.center().y() - 192));

    struct Button
    {
        const char* name;
        QString text;
        QSize size;
    };
    for (const Button& b : {Button{"pushButton_printMarkers", QStringLiteral("Imprime\nlas marcas"), {160, 70}},
                            Button{"pushButton_selectCamera", QStringLiteral("Ajusta\nla cámara"), {160, 70}},
                            Button{"pushButton_continue", QStringLiteral("Empezar"), {164, 70}}}) {
        auto* button = child<QPushButton>(&d, b.name);
        QVERIFY(button);
        QCOMPARE(button->text(), b.text);
        QCOMPARE(button->size(), b.size);
        QCOMPARE(button->font().pointSize(), 10);
        QVERIFY(button->font().bold());
    }
    auto* check = child<QCheckBox>(&d, "checkBox_showOnStartup");
    auto* loading = child<QLabel>(&d, "label_loading");
    auto* help = child<QLabel>(&d, "label_f14Help");
    auto* start = child<QPushButton>(&d, "pushButton_continue");
    QVERIFY(check && loading && help && start);
    QCOMPARE(check->text(), QStringLiteral("Mostrar al inicio"));
    QCOMPARE(loading->text(), QStringLiteral("Cargando..."));
    QVERIFY(help->text().contains(QLatin1String("F1")));

    // While the main window opens, only the two commands and "Cargando...".
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QVERIFY(loading->isVisible() && !check->isVisible() && !help->isVisible() && !start->isVisible());
    // Pressing a command before there is a main window does nothing.
    QTest::mouseClick(child<QPushButton>(&d, "pushButton_printMarkers"), Qt::LeftButton);
    QVERIFY(d.isVisible());
    QVERIFY(m_opener.urls.isEmpty());
    QVERIFY(!QFile::exists(QuorvaneViewer::markerSheetPath()));

    d.enableUI();
    QVERIFY(!loading->isVisible() && check->isVisible() && help->isVisible() && start->isVisible());
    if (qEnvironmentVariableIsSet("QUORVANE_SCREENSHOTS"))
        d.grab().save(qEnvironmentVariable("QUORVANE_SCREENSHOTS") + QStringLiteral("/viewer-startup.png"));
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(!d.isVisible());
}

void TestViewerStartup::buttonsHideTheDialogWhileTheirWorkRuns()
{
    StartupDlg d;
    QuorvaneViewer w({m_archive});
    w.setStartupDialog(&d);
    d.setMainWindow(&w);
    d.show();
    QSignalSpy started(&w, &QuorvaneViewer::startupFinished);
    w.show();
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 20000);
    d.enableUI();

    // The marker sheet of the scene (markers 2 and 15), opened with the desktop's handler.
    m_opener.urls.clear();
    m_opener.dialogVisible.clear();
    m_opener.dialog = &d;
    QTest::mouseClick(child<QPushButton>(&d, "pushButton_printMarkers"), Qt::LeftButton);
    QCOMPARE(m_opener.urls, QList<QUrl>{QUrl::fromLocalFile(QuorvaneViewer::markerSheetPath())});
    QCOMPARE(m_opener.dialogVisible, QList<bool>{false});
    QVERIFY(d.isVisible());
    QCOMPARE(QFileInfo(QuorvaneViewer::markerSheetPath()).dir().canonicalPath(),
             quorvane::viewerTempDirectory().canonicalPath());
    QCOMPARE(testutil::pdfPageCount(QuorvaneViewer::markerSheetPath()), 3);

    // The camera choice: the list of cameras, with the dialog out of its way.
    DialogAnswers catcher({}, false);
    bool hiddenMeanwhile = false;
    catcher.onDialog = [&](QDialog*) { hiddenMeanwhile = !d.isVisible(); };
    QTest::mouseClick(child<QPushButton>(&d, "pushButton_selectCamera"), Qt::LeftButton);
    QCOMPARE(catcher.dialogs, 1);
    QVERIFY(hiddenMeanwhile);
    QVERIFY(d.isVisible());
    QCOMPARE(w.trackingMode(), QuorvaneViewer::Video);

    // Closing the main window closes the dialog too.
    w.close();
    QVERIFY(!d.isVisible());
}

void TestViewerStartup::f1ShowsTheSameDialogAgain()
{
    QuorvaneViewer w({m_archive});
    QSignalSpy started(&w, &QuorvaneViewer::startupFinished);
    w.show();
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 20000);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(!w.startupDialogOf());

    QTest::keyClick(&w, Qt::Key_F1);
    StartupDlg* first = w.startupDialogOf();
    QVERIFY(first);
    QTRY_VERIFY(first->isVisible());
    QVERIFY(child<QPushButton>(first, "pushButton_continue")->isVisible());
    QCOMPARE(first->mainWindowOf(), &w);

    QVERIFY(QTest::qWaitForWindowActive(first));
    QTest::keyClick(first, Qt::Key_Escape);
    QTRY_VERIFY(!first->isVisible());

    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F1);
    QCOMPARE(w.startupDialogOf(), first);
    QTRY_VERIFY(first->isVisible());
    int dialogs = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        dialogs += qobject_cast<StartupDlg*>(top) ? 1 : 0;
    QCOMPARE(dialogs, 1);
}

int TestViewerStartup::runViewerAs(const std::function<void()>& user)
{
    // The entry runs events before its window exists: the user acts once the window is on screen.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&poll, &user] {
        if (!visibleViewer())
            return;
        poll.stop();
        user();
        QApplication::closeAllWindows();
    });
    poll.start();
    return quorvane::runViewer({m_archive});
}

void TestViewerStartup::showOnStartupIsWrittenAtOnceAndHonoured()
{
    QSettings(QSettings::UserScope, QStringLiteral("Quorvane"), QStringLiteral("Quorvane Viewer")).clear();

    // First start: the dialog greets the user; once the window is ready it offers its choices.
    bool acted = false;
    QCOMPARE(runViewerAs([&] {
                 StartupDlg* d = nullptr;
                 QTRY_VERIFY((d = visibleStartupDialog()) != nullptr);
                 auto* check = child<QCheckBox>(d, "checkBox_showOnStartup");
                 QTRY_VERIFY_WITH_TIMEOUT(check->isVisible(), 20000);
                 QVERIFY(visibleViewer());
                 QVERIFY(check->isChecked());
                 QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
                 QVERIFY(!check->isChecked());
                 QVERIFY(!showOnStartupStored()); // written at once
                 QTest::mouseClick(child<QPushButton>(d, "pushButton_continue"), Qt::LeftButton);
                 QVERIFY(!d->isVisible());
                 QVERIFY(visibleViewer());
                 acted = true;
             }),
             0);
    QVERIFY(acted);

    // Next start: no dialog, but F1 still brings it, unticked.
    acted = false;
    QCOMPARE(runViewerAs([&] {
                 QuorvaneViewer* w = nullptr;
                 QTRY_VERIFY((w = visibleViewer()) != nullptr);
                 QTRY_VERIFY_WITH_TIMEOUT(w->trackingMode() == QuorvaneViewer::Video, 20000);
                 QVERIFY(!visibleStartupDialog());
                 w->activateWindow();
                 QVERIFY(QTest::qWaitForWindowActive(w));
                 QTest::keyClick(w, Qt::Key_F1);
                 StartupDlg* d = nullptr;
                 QTRY_VERIFY((d = visibleStartupDialog()) != nullptr);
                 QVERIFY(!child<QCheckBox>(d, "checkBox_showOnStartup")->isChecked());
                 acted = true;
             }),
             0);
    QVERIFY(acted);
}

QTEST_MAIN(TestViewerStartup)
#include "tst_viewer_startup.moc"
