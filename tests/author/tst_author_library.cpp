// The model library of Quorvane Author: the scan of its folders (models that cannot be opened are
// left out), the case-sensitive filter, importing with its questions, messages, progress and usage
// pages, deleting, and the folders dialog with its checks.
#include "AuthorTestUtil.h"
#include "DialogAnswers.h"
#include "LibraryScanner.h"
#include "Model.h"
#include "Quorvane.h"
#include "Resources.h"
#include "TestFiles.h"
#include "bibliotecaDlg.h"
#include "myListView.h"
#include "myListWidget.h"
#include "ui_Quorvane.h"
#include "ui_bibliotecaDlg.h"
#include "ui_myListWidget.h"

#include <QtTest>

#include <QFileDialog>
#include <QProgressDialog>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

using namespace quorvane;

namespace {

QStringList listedNames(Quorvane& w)
{
    QStringList names;
    QAbstractItemModel* shown = w.libraryWidget()->listView()->model();
    for (int r = 0; r < shown->rowCount(); ++r)
        names << shown->index(r, 0).data().toString();
    return names;
}

// Files in a folder tree with their sizes and times: what changes when anything is written there.
QStringList filesIn(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f(it.next());
        files << QStringLiteral("%1 %2 %3").arg(f.filePath()).arg(f.size()).arg(f.lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}

void waitForScan(Quorvane& w)
{
    QTRY_VERIFY_WITH_TIMEOUT(!w.libraryScanRunning(), 20000);
}

// A picture file to import (no display needed for pictures).
QString picture(const QString& dir, const QString& name, const QColor& colour)
{
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(name);
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(colour);
    img.save(path);
    return path;
}

} // namespace

class TestAuthorLibrary : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void scanListsWhatOpens();
    void listedExactlyWhenTheModelOpens();
    void rescanWhileScanning();
    void filterIsCaseSensitiveAndBroomClears();
    void importAnswersAndPages_data();
    void importAnswersAndPages();
    void importFailureEndsTheBatch();
    void importRunsTheReadersApart();
    void importShowsProgressAndStopsBetweenFiles();
    void importThroughTheFileDialog();
    void deleteAsksForFilesThatExist();
    void foldersDialogChecks();
    void foldersDialogThroughTheWindow();

private:
    std::unique_ptr<Quorvane> window();

    QTemporaryDir m_tmp;
    QString m_scan, m_import;
    std::shared_ptr<testutil::RecordingHooks::Log> m_log;
};

void TestAuthorLibrary::initTestCase()
{
    initResources();
}

void TestAuthorLibrary::init()
{
    m_log = testutil::RecordingHooks::install();
    static int round = 0;
    ++round;
    m_scan = m_tmp.filePath(QStringLiteral("scan%1").arg(round));
    m_import = m_tmp.filePath(QStringLiteral("import%1").arg(round));
    QDir().mkpath(m_scan);
    QDir().mkpath(m_import);
}

void TestAuthorLibrary::cleanup()
{
    chmod(QFile::encodeName(m_tmp.path()).constData(), 0755);
}

std::unique_ptr<Quorvane> TestAuthorLibrary::window()
{
    auto w = std::make_unique<Quorvane>();
    w->resize(1180, 760);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("window not exposed");
    w->setLibraryDirectories({m_scan}, m_import);
    return w;
}

void TestAuthorLibrary::scanListsWhatOpens()
{
    const QString good = testutil::pictureModel(m_scan, QStringLiteral("roja"), Qt::red);
    QVERIFY(!good.isEmpty());
    QVERIFY(QFile::copy(good, m_scan + QStringLiteral("/casa.de.campo.qmd")));
    QVERIFY(QFile::copy(good, m_scan + QStringLiteral("/MAYUSCULAS.QMD")));
    QVERIFY(QFile::copy(good, m_import + QStringLiteral("/roja.qmd"))); // the same name in two folders
    // What cannot be opened is left out, without a word and without blocking.
    QVERIFY(testutil::writeFile(m_scan + QStringLiteral("/basura.qmd"), QByteArray(5000, 'x')));
    QVERIFY(testutil::writeFile(m_scan + QStringLiteral("/cortado.qmd"), testutil::readFile(good).left(10)));
    QVERIFY(testutil::writeFile(m_scan + QStringLiteral("/vacio.qmd"), QByteArray()));
    QVERIFY(writeModelFile(m_scan + QStringLiteral("/escapa.qmd"), Picture, QStringLiteral("png/../../../fuera"),
                           QByteArray(), QByteArray()));
    QVERIFY(mkfifo(QFile::encodeName(m_scan + QStringLiteral("/tuberia.qmd")).constData(), 0600) == 0);
    QVERIFY(QDir().mkpath(m_scan + QStringLiteral("/carpeta.qmd")));
    QVERIFY(testutil::writeFile(m_scan + QStringLiteral("/nota.txt"), "no model"));

    const QStringList tempBefore = filesIn(tempDirectory().path());
    DialogAnswers answers;
    auto w = window();
    waitForScan(*w);
    QCOMPARE(answers.dialogs, 0);
    QStringList names = listedNames(*w);
    // The scan folders first, then the import folder; each folder in its own order.
    QCOMPARE(names.size(), 4);
    QCOMPARE(names.last(), QStringLiteral("roja"));
    names.removeLast();
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("MAYUSCULAS"), QStringLiteral("casa"), QStringLiteral("roja")}));

    // Each entry: the model file as tooltip and first element of its user data, its own thumbnail.
    QStandardItemModel* source = w->libraryWidget()->listView()->sourceModel();
    const QImage thumbnail = w->libraryWidget()->listView()->sourceModel()->item(0)->icon().pixmap(25).toImage();
    for (int r = 0; r < source->rowCount(); ++r) {
        const QStandardItem* item = source->item(r);
        const QStringList data = item->data(Qt::UserRole).toStringList();
        QCOMPARE(data.size(), 3);
        QCOMPARE(item->toolTip(), data[0]);
        QVERIFY(QFileInfo(data[0]).isAbsolute() && QFileInfo::exists(data[0]));
        QCOMPARE(item->icon().pixmap(25).toImage(), thumbnail); // all are the red picture
    }
    QVERIFY(thumbnail.pixelColor(12, 12).red() > 200 && thumbnail.pixelColor(12, 12).green() < 50);
    // Listing unpacks nothing: the temporary folder stays as it was, and nothing is written beside it.
    QCOMPARE(filesIn(tempDirectory().path()), tempBefore);
    QCOMPARE(QDir(tempDirectory().filePath(QStringLiteral(".."))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("QuorvaneTemp")});

    // The import folder listed among the scan folders is scanned once.
    w->setLibraryDirectories({m_scan, m_import}, m_import);
    waitForScan(*w);
    QCOMPARE(listedNames(*w).size(), 4);
    QCOMPARE(libraryDirectories({m_scan, m_import}, m_import), (QStringList{m_scan, m_import}));
    QCOMPARE(libraryDirectories({m_scan}, m_import), (QStringList{m_scan, m_import}));
}

void TestAuthorLibrary::listedExactlyWhenTheModelOpens()
{
    // The list reads only a model's thumbnail, but takes exactly the files the model record opens.
    const QString good = testutil::pictureModel(m_scan, QStringLiteral("bueno"), Qt::red);
    const QByteArray bytes = testutil::readFile(good);
    QList<QPair<QString, QByteArray>> cases = {{QStringLiteral("bueno"), bytes},
                                               {QStringLiteral("vacio"), QByteArray()},
                                               {QStringLiteral("ruido"), QByteArray(300, '\x5a')}};
    for (int cut : {4, 12, 20, 23, 30, 60, 200})
        cases.append({QStringLiteral("cortado%1").arg(cut), bytes.left(cut)});
    QByteArray otherVersion = bytes;
    otherVersion[15] = 1;
    cases.append({QStringLiteral("version"), otherVersion});
    for (const char* corpus : {"kind0", "kind1", "kind2", "kind4"})
        cases.append({QString::fromLatin1(corpus),
                      testutil::readFile(QStringLiteral(QUORVANE_SOURCE_DIR "/tests/model/fuzz/corpus/model/") +
                                         QString::fromLatin1(corpus) + QStringLiteral(".qmd"))});
    QVERIFY(writeModelFile(m_scan + QStringLiteral("/sufijo.qmd"), Picture, QStringLiteral("x/../../y"), QByteArray(),
                           QByteArray()));
    cases.append({QStringLiteral("sufijo"), testutil::readFile(m_scan + QStringLiteral("/sufijo.qmd"))});
    QTemporaryDir scratch;
    for (const auto& [name, data] : cases) {
        const QString file = m_scan + QLatin1Char('/') + name + QStringLiteral(".qmd");
        QVERIFY(testutil::writeFile(file, data));
        QByteArray png;
        Model_v0_0 model;
        QCOMPARE(readModelThumbnail(file, &png), model.loadInto(file, QDir(scratch.path())));
    }
    QByteArray png;
    QVERIFY(readModelThumbnail(good, &png));
    QImage picture;
    QVERIFY(picture.loadFromData(png, "PNG"));
    QVERIFY(!readModelThumbnail(m_scan + QStringLiteral("/no_existe.qmd"), &png));
}

void TestAuthorLibrary::rescanWhileScanning()
{
    const QString model = testutil::pictureModel(m_scan, QStringLiteral("m000"), Qt::blue);
    for (int i = 1; i < 150; ++i)
        QVERIFY(QFile::copy(model, m_scan + QStringLiteral("/m%1.qmd").arg(i, 3, 10, QLatin1Char('0'))));
    auto w = window();
    w->rescanLibrary(); // abandons the scan under way and starts again
    w->rescanLibrary();
    waitForScan(*w);
    QStringList names = listedNames(*w);
    QCOMPARE(names.size(), 150);
    names.removeDuplicates();
    QCOMPARE(names.size(), 150);
}

void TestAuthorLibrary::filterIsCaseSensitiveAndBroomClears()
{
    for (const char* name : {"casa", "Casa_roja", "CASA", "una_casa", "arbol"})
        QVERIFY(!testutil::pictureModel(m_scan, QString::fromLatin1(name), Qt::gray).isEmpty());
    auto w = window();
    waitForScan(*w);
    QLineEdit* filter = w->libraryWidget()->form()->lineEdit_filtro;
    QTest::keyClicks(filter, QStringLiteral("casa"));
    QStringList shown = listedNames(*w);
    shown.sort();
    QCOMPARE(shown, (QStringList{QStringLiteral("casa"), QStringLiteral("una_casa")}));

    // The filter stays through a rescan.
    w->rescanLibrary();
    waitForScan(*w);
    QCOMPARE(listedNames(*w).size(), 2);

    w->libraryWidget()->form()->toolButton->click();
    QVERIFY(filter->text().isEmpty());
    QCOMPARE(listedNames(*w).size(), 5);
}

void TestAuthorLibrary::importAnswersAndPages_data()
{
    QTest::addColumn<QStringList>("files"); // names of the chosen files; "!" marks one already in the library
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<QStringList>("imported"); // model files written by this import
    QTest::addColumn<QStringList>("pages");
    using B = QList<QMessageBox::StandardButton>;
    QTest::newRow("one file") << QStringList{"sol.png"} << B{} << QStringList{"sol"} << QStringList{"importarModelo"};
    QTest::newRow("two files") << QStringList{"sol.png", "luna.jpg"} << B{} << QStringList{"sol", "luna"}
                               << QStringList{"importarMultiplesModelos"};
    QTest::newRow("the second exists, kept: only the first")
        << QStringList{"sol.png", "!luna.png", "mar.png"} << B{QMessageBox::No} << QStringList{"sol"} << QStringList{};
    QTest::newRow("the second exists, replaced")
        << QStringList{"sol.png", "!luna.png", "mar.png"} << B{QMessageBox::Yes} << QStringList{"sol", "luna", "mar"}
        << QStringList{"importarMultiplesModelos"};
    QTest::newRow("a chosen file that went away is skipped")
        << QStringList{"-nube.png", "sol.png"} << B{} << QStringList{"sol"} << QStringList{"importarMultiplesModelos"};
}

void TestAuthorLibrary::importAnswersAndPages()
{
    QFETCH(QStringList, files);
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(QStringList, imported);
    QFETCH(QStringList, pages);
    const QString sources = m_tmp.filePath(QStringLiteral("sources_") + QTest::currentDataTag());
    QStringList chosen;
    QMap<QString, QByteArray> before;
    for (QString f : files) {
        const bool exists = f.startsWith(QLatin1Char('!'));
        const bool gone = f.startsWith(QLatin1Char('-'));
        if (exists || gone)
            f.remove(0, 1);
        const QString path = gone ? QDir(sources).filePath(f) : picture(sources, f, Qt::yellow);
        chosen << path;
        if (exists) {
            const QString model = testutil::pictureModel(m_import, QFileInfo(f).baseName(), Qt::black, 8);
            before.insert(QFileInfo(f).baseName(), testutil::readFile(model));
        }
    }
    auto w = window();
    waitForScan(*w);
    DialogAnswers catcher(answers);
    w->form()->btn_importarModelo->setEnabled(true);
    w->importChosenFiles(chosen);
    waitForScan(*w);

    for (const QString& f : files) {
        const QString name =
            QFileInfo(f.mid(f.startsWith(QLatin1Char('!')) || f.startsWith(QLatin1Char('-')) ? 1 : 0)).baseName();
        const QString model = m_import + QLatin1Char('/') + name + QStringLiteral(".qmd");
        const bool written = QFileInfo::exists(model) && testutil::readFile(model) != before.value(name);
        QVERIFY2(written == imported.contains(name), qPrintable(name));
    }
    QCOMPARE(catcher.texts.size(), before.size() && !answers.isEmpty() ? 1 : 0);
    if (!catcher.texts.isEmpty()) {
        QCOMPARE(catcher.titles.first(), QStringLiteral("Alerta"));
        QCOMPARE(catcher.texts.first(), QStringLiteral("El archivo que está intentando importar ya existe en la "
                                                       "carpeta de destino. ¿Desea sobreescribirlo?"));
    }
    QStringList sent = m_log->pages;
    sent.removeAll(QStringLiteral("start"));
    QCOMPARE(sent, pages);
    // The list shows what the import folder now holds.
    QStringList listed = listedNames(*w);
    QStringList expected = QDir(m_import).entryList({QStringLiteral("*.qmd")});
    for (QString& e : expected)
        e.chop(4);
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
    QVERIFY(!w->timer()->isActive());
}

void TestAuthorLibrary::importFailureEndsTheBatch()
{
    auto w = window();
    // A folder nothing can be written to, even by the administrator.
    w->setLibraryDirectories({m_scan}, QStringLiteral("/proc/quorvane-library"));
    const QString sources = m_tmp.filePath(QStringLiteral("fail"));
    DialogAnswers catcher;
    w->importChosenFiles(
        {picture(sources, QStringLiteral("a.png"), Qt::red), picture(sources, QStringLiteral("b.png"), Qt::red)});
    QCOMPARE(catcher.texts,
             QStringList{QStringLiteral("No se pudo importar el modelo.\n\nAsegúrese de tener permiso de "
                                        "escritura en el directorio de importación.")});
    QVERIFY(!m_log->pages.contains(QStringLiteral("importarMultiplesModelos")));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

// The window's import runs the readers in the guarded process: what the import says comes back into
// the window's message boxes word for word, and a file that makes a reader ask for 15 GB fails alone.
void TestAuthorLibrary::importRunsTheReadersApart()
{
    auto w = window();
    const QString sources = m_tmp.filePath(QStringLiteral("apart"));
    QVERIFY(testutil::writeFile(sources + "/a.obj", "mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    QVERIFY(testutil::writeFile(sources + "/a.mtl", "newmtl skin\nmap_Kd missing.png\n"));
    {
        DialogAnswers catcher;
        w->importChosenFiles({sources + "/a.obj"});
        QCOMPARE(catcher.texts, QStringList{QStringLiteral("Error importando material %1\n\nNo se encontró el "
                                                           "archivo de textura referenciado %2")
                                                .arg(sources + "/a.mtl", sources + "/missing.png")});
    }
    QVERIFY(QFileInfo::exists(m_import + "/a.qmd"));

    DialogAnswers catcher;
    w->importChosenFiles({QStringLiteral("/usr/share/assimp/models/invalid/OutOfMemory.off")});
    QCOMPARE(catcher.texts.size(), 1);
    QVERIFY(!QFileInfo::exists(m_import + "/OutOfMemory.qmd"));
    QVERIFY(w->isVisible());
}

void TestAuthorLibrary::importShowsProgressAndStopsBetweenFiles()
{
    const QString sources = m_tmp.filePath(QStringLiteral("progress"));
    QStringList chosen;
    for (const char* n : {"uno.png", "dos.png", "tres.png"})
        chosen << picture(sources, QString::fromLatin1(n), Qt::cyan);
    auto w = window();
    w->timer()->start(33); // a running frame loop pauses for the import and runs again afterwards
    QStringList labels;
    QTimer watcher;
    watcher.setInterval(0);
    connect(&watcher, &QTimer::timeout, this, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!progress)
            return;
        QVERIFY(!w->timer()->isActive());
        if (labels.isEmpty() || labels.last() != progress->labelText())
            labels << progress->labelText();
        if (progress->labelText().startsWith(QStringLiteral("Importando archivo 2 de 3")))
            progress->cancel(); // the user stops: the file under way is not started
    });
    watcher.start();
    w->importChosenFiles(chosen);
    watcher.stop();
    QCOMPARE(labels.size(), 2);
    QCOMPARE(labels[0], QStringLiteral("Importando archivo 1 de 3:\nuno.png"));
    QCOMPARE(labels[1], QStringLiteral("Importando archivo 2 de 3:\ndos.png"));
    QVERIFY(QFileInfo::exists(m_import + QStringLiteral("/uno.qmd")));
    QVERIFY(!QFileInfo::exists(m_import + QStringLiteral("/dos.qmd")));
    QVERIFY(!m_log->pages.contains(QStringLiteral("importarMultiplesModelos")));
    QVERIFY(w->timer()->isActive());
    waitForScan(*w);
    QCOMPARE(listedNames(*w), QStringList{QStringLiteral("uno")});
}

void TestAuthorLibrary::importThroughTheFileDialog()
{
    const QString source = picture(m_tmp.filePath(QStringLiteral("dialog")), QStringLiteral("flor.bmp"), Qt::magenta);
    auto w = window();
    DialogAnswers catcher;
    catcher.onDialog = [&](QDialog* d) {
        if (auto* files = qobject_cast<QFileDialog*>(d)) {
            QCOMPARE(files->fileMode(), QFileDialog::ExistingFiles);
            QVERIFY(files->nameFilters().first().startsWith(QStringLiteral("Todo (*.3ds *.fbx *.obj *.dae *.bmp")));
            files->selectFile(source);
        }
    };
    w->form()->actionImportar_modelo->trigger();
    QCOMPARE(catcher.titles, QStringList{QStringLiteral("Seleccione el modelo a importar")});
    QVERIFY(QFileInfo::exists(m_import + QStringLiteral("/flor.qmd")));
    QVERIFY(m_log->pages.contains(QStringLiteral("importarModelo")));
    waitForScan(*w);
    QCOMPARE(listedNames(*w), QStringList{QStringLiteral("flor")});
}

void TestAuthorLibrary::deleteAsksForFilesThatExist()
{
    for (const char* n : {"uno", "dos", "tres"})
        QVERIFY(!testutil::pictureModel(m_scan, QString::fromLatin1(n), Qt::green).isEmpty());
    auto w = window();
    waitForScan(*w);
    myListView* list = w->libraryWidget()->listView();
    auto select = [&](const QStringList& names) {
        list->clearSelection();
        for (int r = 0; r < list->model()->rowCount(); ++r)
            if (names.contains(list->model()->index(r, 0).data().toString()))
                list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select);
    };

    // A model file that vanished meanwhile: nothing to ask, nothing to do.
    QVERIFY(QFile::remove(m_scan + QStringLiteral("/uno.qmd")));
    select({QStringLiteral("uno")});
    {
        DialogAnswers none;
        w->form()->btn_eliminarModelo->click();
        QCOMPARE(none.dialogs, 0);
    }
    QCOMPARE(listedNames(*w).size(), 3); // not rescanned

    // No keeps the file; Yes removes it (its unpacked content stays) and the list is scanned again.
    select({QStringLiteral("dos"), QStringLiteral("tres")});
    const QString tresContent = testutil::contentFile(m_scan + QStringLiteral("/tres.qmd"));
    QVERIFY(!tresContent.isEmpty());
    DialogAnswers answers({QMessageBox::No, QMessageBox::Yes});
    w->form()->btn_eliminarModelo->click();
    QCOMPARE(answers.titles, (QStringList{QStringLiteral("Precaución"), QStringLiteral("Precaución")}));
    QCOMPARE(answers.texts.first(),
             QStringLiteral("El modelo elegido se eliminará de la biblioteca y del disco duro. ¿Desea continuar?"));
    QVERIFY(QFileInfo::exists(m_scan + QStringLiteral("/dos.qmd")));
    QVERIFY(!QFileInfo::exists(m_scan + QStringLiteral("/tres.qmd")));
    QVERIFY(QFileInfo::exists(tresContent));
    waitForScan(*w);
    QCOMPARE(listedNames(*w), QStringList{QStringLiteral("dos")});
}

void TestAuthorLibrary::foldersDialogChecks()
{
    const QString a = m_tmp.filePath(QStringLiteral("Modelos"));
    const QString b = m_tmp.filePath(QStringLiteral("otros"));
    for (const QString& dir :
         {a, b, m_tmp.filePath(QStringLiteral("MODELOS")), m_tmp.filePath(QStringLiteral("modelos"))})
        QDir().mkpath(dir);
    bibliotecaDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Biblioteca de modelos"));
    QVERIFY(dialog.form()->lineEdit_importDir->isReadOnly());
    // Folders that are gone, and the same folder twice, are not shown.
    dialog.setData({a, m_tmp.filePath(QStringLiteral("gone")), a}, m_import);
    QCOMPARE(dialog.form()->treeWidget->topLevelItemCount(), 1);
    QCOMPARE(dialog.form()->lineEdit_importDir->text(), m_import);

    DialogAnswers catcher;
    // The same folder in other letters is refused, as the library has always compared them.
    QVERIFY(!dialog.addDirectory(m_tmp.filePath(QStringLiteral("MODELOS"))));
    QVERIFY(!dialog.addDirectory(m_tmp.filePath(QStringLiteral("modelos"))));
    QVERIFY(!dialog.addDirectory(m_tmp.filePath(QStringLiteral("nowhere"))));
    QCOMPARE(catcher.texts, (QStringList(2, QStringLiteral("El directorio elegido ya pertenece a la biblioteca."))));
    QVERIFY(dialog.addDirectory(b));
    QCOMPARE(dialog.form()->treeWidget->topLevelItemCount(), 2);

    // An import folder must take a file and let it go again.
    catcher.texts.clear();
    QVERIFY(!dialog.setImportDirectory(QStringLiteral("/proc")));
    QCOMPARE(catcher.texts, QStringList{QStringLiteral("No se pudo completar la prueba de escritura en el directorio "
                                                       "de importación elegido: /proc ")});
    if (geteuid() != 0) {
        QVERIFY(chmod(QFile::encodeName(b).constData(), 0555) == 0);
        QVERIFY(!dialog.setImportDirectory(b));
        chmod(QFile::encodeName(b).constData(), 0755);
    }
    QCOMPARE(dialog.form()->lineEdit_importDir->text(), m_import);
    QVERIFY(dialog.setImportDirectory(b));
    QVERIFY(!QFileInfo::exists(b + QStringLiteral("/writeTest.txt")));

    dialog.form()->treeWidget->topLevelItem(0)->setSelected(true);
    dialog.form()->btn_removeDir->click();
    QStringList dirs;
    QString import;
    dialog.getData(&dirs, &import);
    QCOMPARE(dirs, QStringList{QFileInfo(b).absoluteFilePath()});
    QCOMPARE(import, b);
}

void TestAuthorLibrary::foldersDialogThroughTheWindow()
{
    const QString extra = m_tmp.filePath(QStringLiteral("extra"));
    QVERIFY(!testutil::pictureModel(extra, QStringLiteral("nuevo"), Qt::darkRed).isEmpty());
    auto w = window();
    waitForScan(*w);
    QVERIFY(listedNames(*w).isEmpty());

    // Cancelled: nothing changes.
    {
        DialogAnswers cancel({}, false);
        w->form()->actionBiblioteca_de_modelos->trigger();
        QCOMPARE(cancel.titles, QStringList{QStringLiteral("Biblioteca de modelos")});
    }
    QCOMPARE(w->scanDirectories(), QStringList{m_scan});

    // A folder added through its chooser ("Añadir..."), then accepted: the list shows its models.
    DialogAnswers accept;
    QStringList chooserTitles;
    accept.onDialog = [&](QDialog* d) {
        auto* dialog = qobject_cast<bibliotecaDlg*>(d);
        if (!dialog)
            return;
        DialogAnswers chooser;
        chooser.onDialog = [extra](QDialog* c) {
            if (auto* files = qobject_cast<QFileDialog*>(c))
                files->selectFile(extra);
        };
        dialog->form()->btn_addDir->click();
        chooserTitles = chooser.titles;
    };
    w->form()->actionBiblioteca_de_modelos->trigger();
    QCOMPARE(chooserTitles, QStringList{QStringLiteral("Seleccionar directorio")});
    QCOMPARE(w->scanDirectories(), (QStringList{m_scan, QFileInfo(extra).absoluteFilePath()}));
    waitForScan(*w);
    QCOMPARE(listedNames(*w), QStringList{QStringLiteral("nuevo")});
}

QTEST_MAIN(TestAuthorLibrary)
#include "tst_author_library.moc"
