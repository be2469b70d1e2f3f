// The main window of Quorvane Author: its first start, its menus and the order of its commands,
// hiding the panels and full screen around the frame loop, the language and manual commands, the
// offer of a new version, and the usage pages of a run.
#include "AuthorTestUtil.h"
#include "DialogAnswers.h"
#include "OpenedUrls.h"
#include "PlatformPaths.h"
#include "Quorvane.h"
#include "Resources.h"
#include "TestFiles.h"
#include "ui_Quorvane.h"

#include <QtTest>

#include <QMenuBar>
#include <QMetaMethod>
#include <QSettings>

using namespace quorvane;

namespace {

std::unique_ptr<Quorvane> shownWindow()
{
    auto w = std::make_unique<Quorvane>();
    w->resize(1180, 760);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("window not exposed");
    // Shortcuts reach the active window.
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get()))
        qWarning("window not active");
    return w;
}

QSettings userSettings()
{
    return QSettings(QSettings::UserScope, QStringLiteral("Quorvane"), QStringLiteral("Quorvane Author"));
}

} // namespace

class TestAuthorWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void firstStartAndItsSettings(); // first: the test's home starts without settings
    void menusInTheirOrder();
    void commandsInTheirOrder();
    void hidingThePanelsTwice();
    void fullScreenAndBack();
    void languageBoxes_data();
    void languageBoxes();
    void manualOfTheLanguage_data();
    void manualOfTheLanguage();
    void newVersionOffer();

private:
    std::shared_ptr<testutil::RecordingHooks::Log> m_log;
};

void TestAuthorWindow::initTestCase()
{
    initResources();
    m_log = testutil::RecordingHooks::install();
}

void TestAuthorWindow::firstStartAndItsSettings()
{
    const QString library = documentsDirectory() + QStringLiteral("/Mis modelos Quorvane");
    QVERIFY(!QFileInfo::exists(library));
    QVERIFY(!userSettings().contains(QStringLiteral("importDir")));
    {
        auto w = shownWindow();
        QVERIFY(QFileInfo(library).isDir());
        QCOMPARE(w->importDirectory(), QDir(library).canonicalPath());
        QCOMPARE(w->scanDirectories(), QStringList{QCoreApplication::applicationDirPath() + QStringLiteral("/models")});
        QCOMPARE(w->focal(), 500.0f);
        QCOMPARE(m_log->pages, QStringList{QStringLiteral("start")});
        QCOMPARE(m_log->versionChecks, 1);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
    QCOMPARE(m_log->pages, (QStringList{QStringLiteral("start"), QStringLiteral("finish")}));
    // Written at shut-down, and read at the next start.
    QSettings settings = userSettings();
    QCOMPARE(settings.value(QStringLiteral("importDir")).toString(), QDir(library).canonicalPath());
    QCOMPARE(settings.value(QStringLiteral("scanDirs")).toStringList(),
             QStringList{QCoreApplication::applicationDirPath() + QStringLiteral("/models")});
    QCOMPARE(machineSettings()->value(QStringLiteral("f")).toFloat(), 500.0f);
    settings.setValue(QStringLiteral("scanDirs"), QStringList{QStringLiteral("/uno"), QStringLiteral("/dos")});
    settings.setValue(QStringLiteral("importDir"), QStringLiteral("/tres"));
    settings.sync();
    machineSettings()->setValue(QStringLiteral("f"), 640.0f);
    {
        auto w = shownWindow();
        QCOMPARE(w->scanDirectories(), (QStringList{QStringLiteral("/uno"), QStringLiteral("/dos")}));
        QCOMPARE(w->importDirectory(), QStringLiteral("/tres"));
        QCOMPARE(w->focal(), 640.0f);
        w->setLibraryDirectories({}, QDir(library).canonicalPath());
    }
}

void TestAuthorWindow::menusInTheirOrder()
{
    auto w = shownWindow();
    struct Entry
    {
        const char* menu;
        QStringList items; // action object names, "-" a separator, "menu:" a submenu
    };
    const std::vector<Entry> expected = {
        {"menuFichero",
         {"actionCargar_escena", "actionGuardar_escena", "menu:menuExportar", "-", "actionBiblioteca_de_modelos",
          "actionImportar_modelo", "-", "actionSalir"}},
        {"menuExportar", {"actionExportar_escena", "actionExportar_para_movil"}},
        {"menuVer", {"actionOcultar_paneles", "actionPantalla_completa"}},
        {"menuIdioma", {"actionEspanol", "actionIngles", "actionChino"}},
        {"menuSobre", {"actionEtiquetas", "actionAcerca_de_Quorvane", "-", "actionManual_de_referencia"}},
    };
    for (const Entry& e : expected) {
        auto* menu = w->findChild<QMenu*>(QString::fromLatin1(e.menu));
        QVERIFY2(menu, e.menu);
        QStringList items;
        for (QAction* a : menu->actions())
            items << (a->isSeparator() ? QStringLiteral("-")
                      : a->menu()      ? QStringLiteral("menu:") + a->menu()->objectName()
                                       : a->objectName());
        QCOMPARE(items, e.items);
    }
    QStringList bar;
    for (QAction* a : w->menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar.mid(0, 1), QStringList{QStringLiteral("Fichero")});
    QVERIFY(bar.contains(QStringLiteral("Cámara")) && bar.contains(QStringLiteral("Ver")) &&
            bar.contains(QStringLiteral("Idioma")) && bar.last() == QStringLiteral("Ayuda"));
    auto* ui = w->form();
    QCOMPARE(ui->actionOcultar_paneles->shortcut(), QKeySequence(QStringLiteral("Alt+H")));
    QCOMPARE(ui->actionPantalla_completa->shortcut(), QKeySequence(QStringLiteral("Alt+Return")));
    QVERIFY(ui->actionOcultar_paneles->isCheckable() && ui->actionInvertir->isChecked());
    QCOMPARE(ui->actionBiblioteca_de_modelos->toolTip(), QStringLiteral("Gestionar la biblioteca de modelos"));
    QCOMPARE(ui->actionImportar_modelo->toolTip(), QStringLiteral("Importar modelo a la biblioteca"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Quorvane Author"));
}

void TestAuthorWindow::commandsInTheirOrder()
{
    // A reflective call numbers the window's own signal and slots in this order.
    const QStringList expected = {"NuevaVersionDisponible()",
                                  "updateDistanciaFocal(int)",
                                  "borrarMarcaSeleccionada()",
                                  "borrarMarcaTodas()",
                                  "borrarMarcaIndice(int)",
                                  "photoTrackingButtonClicked()",
                                  "videoTrackingButtonClicked()",
                                  "InvertirCamaraToggle(bool)",
                                  "camaraSeleccionarSLOT()",
                                  "newFrame()",
                                  "nuevaAsociacionMarcaModeloSLOT(MarcaPushButton*)",
                                  "updateControlesMarcaSeleccionada()",
                                  "escalaModelo(int)",
                                  "escalaModelo(double)",
                                  "rotaModelo1(int)",
                                  "rotaModelo2(int)",
                                  "rotaModelo3(int)",
                                  "posicionModelo1_up()",
                                  "posicionModelo1_down()",
                                  "posicionModelo1_front()",
                                  "posicionModelo1_back()",
                                  "posicionModelo1_left()",
                                  "posicionModelo1_right()",
                                  "resetPosicion()",
                                  "autoTrasladarModeloSeleccionado()",
                                  "resetEscala()",
                                  "autoEscalarModeloSeleccionado()",
                                  "resetRotacion()",
                                  "guardarEscenaSLOT()",
                                  "cargarEscena()",
                                  "exportarEscena()",
                                  "exportarEscenaMovil()",
                                  "about()",
                                  "bibliotecaDeModelos()",
                                  "importarModelo()",
                                  "eliminarModelo()",
                                  "imprimirMarcaSeleccionada()",
                                  "ocultarPaneles(bool)",
                                  "goFullscreen()",
                                  "salirAplicacion()",
                                  "onCompartirEscena()",
                                  "idiomaEspanol()",
                                  "idiomaIngles()",
                                  "idiomaChino()",
                                  "onManualDeReferencia()",
                                  "onAnimacionPlay()",
                                  "onAnimacionStop()",
                                  "onNuevaVersionDisponible()",
                                  "onMostrarEtiquetasInfoDlg()"};
    const QMetaObject& mo = Quorvane::staticMetaObject;
    QStringList actual;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
        actual << QString::fromLatin1(mo.method(i).methodSignature());
    // Later commands may follow; these come first, in this order.
    QCOMPARE(actual.mid(0, expected.size()), expected);
}

void TestAuthorWindow::hidingThePanelsTwice()
{
    auto w = shownWindow();
    auto* ui = w->form();
    for (bool running : {true, false}) {
        if (running)
            w->timer()->start(33);
        else
            w->timer()->stop();
        QTest::keySequence(w.get(), QKeySequence(QStringLiteral("Alt+H")));
        QVERIFY(!ui->frame1->isVisible() && !ui->frame2->isVisible());
        QVERIFY(ui->actionOcultar_paneles->isChecked());
        QCOMPARE(w->timer()->isActive(), running);
        QTest::keySequence(w.get(), QKeySequence(QStringLiteral("Alt+H")));
        QVERIFY(ui->frame1->isVisible() && ui->frame2->isVisible());
        QCOMPARE(w->timer()->isActive(), running);
    }
}

void TestAuthorWindow::fullScreenAndBack()
{
    auto w = shownWindow();
    w->timer()->start(33);
    QTest::keySequence(w.get(), QKeySequence(QStringLiteral("Alt+Return")));
    QTRY_VERIFY(w->isFullScreen());
    QVERIFY(w->timer()->isActive());
    w->form()->actionPantalla_completa->trigger();
    QTRY_VERIFY(!w->isFullScreen());
    QVERIFY(w->timer()->isActive());
}

void TestAuthorWindow::languageBoxes_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("Español") << "actionEspanol"
                             << "quorvane_es"
                             << "Idioma"
                             << "Idioma cambiado a español.\nReinicie la aplicación para hacer efectivo el cambio.";
    QTest::newRow("English") << "actionIngles"
                             << "quorvane_en"
                             << "Language"
                             << "Language changed to English.\nRestart the application to apply changes.";
    QTest::newRow("中文") << "actionChino"
                          << "quorvane_zh"
                          << "Language"
                          << "Language changed to Chinese.\nRestart the application to apply changes.";
}

void TestAuthorWindow::languageBoxes()
{
    QFETCH(QString, action);
    QFETCH(QString, value);
    QFETCH(QString, title);
    QFETCH(QString, text);
    auto w = shownWindow();
    userSettings().setValue(QStringLiteral("language"), QStringLiteral("quorvane_xx"));
    DialogAnswers catcher;
    w->findChild<QAction*>(action)->trigger();
    QCOMPARE(catcher.titles, QStringList{title});
    QCOMPARE(catcher.texts, QStringList{text});
    QCOMPARE(userSettings().value(QStringLiteral("language")).toString(), value);
}

void TestAuthorWindow::manualOfTheLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("manual");
    QTest::newRow("Spanish") << "quorvane_es"
                             << "manual_es.pdf";
    QTest::newRow("English") << "quorvane_en"
                             << "manual_en.pdf";
    QTest::newRow("Chinese opens the English one") << "quorvane_zh"
                                                   << "manual_en.pdf";
    QTest::newRow("upper case") << "quorvane_ES"
                                << "manual_es.pdf";
    QTest::newRow("nothing set") << QString() << "manual_en.pdf";
}

void TestAuthorWindow::manualOfTheLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, manual);
    const QString path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + manual;
    testutil::OpenedUrls opened;
    auto w = shownWindow();
    QSettings settings = userSettings();
    if (language.isEmpty())
        settings.remove(QStringLiteral("language"));
    else
        settings.setValue(QStringLiteral("language"), language);
    settings.sync();

    // Not there: nothing opens and nothing is said.
    DialogAnswers catcher;
    w->form()->actionManual_de_referencia->trigger();
    QVERIFY(opened.urls.isEmpty());
    QCOMPARE(catcher.dialogs, 0);

    QVERIFY(testutil::writeFile(path, "%PDF-1.4\n"));
    w->form()->actionManual_de_referencia->trigger();
    QFile::remove(path);
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(path)});
}

void TestAuthorWindow::newVersionOffer()
{
    testutil::OpenedUrls opened;
    {
        auto w = shownWindow();
        QVERIFY(m_log->newVersion);
        DialogAnswers no({QMessageBox::No});
        m_log->newVersion(); // from the check's thread, queued to the window
        QTRY_COMPARE(no.dialogs, 1);
        QCOMPARE(no.titles, QStringList{QStringLiteral("Nueva versión")});
        QCOMPARE(no.texts, QStringList{QStringLiteral("Existe una nueva versión de Quorvane Author, ¿quieres ir a la "
                                                      "página a descargarla? Se cerrará Quorvane Author.")});
        QVERIFY(w->isVisible());
        QVERIFY(opened.urls.isEmpty());
    }
    auto w = shownWindow();
    DialogAnswers yes({QMessageBox::Yes});
    m_log->newVersion();
    QTRY_VERIFY(!w->isVisible());
    QCOMPARE(opened.urls, QList<QUrl>{QUrl(QStringLiteral("https://downloads.invalid/quorvane"))});
}

QTEST_MAIN(TestAuthorWindow)
#include "tst_author_window.moc"
