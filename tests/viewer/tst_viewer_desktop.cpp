// Opening scenes from the desktop: the viewer's desktop entry and the MIME type of its scenes, installed into
// a private data folder and asked the way a file manager asks (xdg-mime): by name, by content when the name
// says nothing, and which program opens them.
#include "TestFiles.h"

#include "Archive.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

const QString kSources = QStringLiteral(VIEWER_DESKTOP_DIR);
const QString kType = QStringLiteral("application/x-quorvane-viewer-scene");

// Runs a command with the private data folder in front of the system's; its standard output, trimmed, or
// nothing when it failed.
std::optional<QString> run(const QString& program, const QStringList& args, const QString& dataHome = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No desktop session: xdg-mime answers from the shared MIME database itself.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        env.remove(QString::fromLatin1(name));
    if (!dataHome.isEmpty()) {
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        env.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/local/share:/usr/share"));
    }
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return std::nullopt;
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

} // namespace

class TestViewerDesktop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void desktopEntryIsValidAndTakesAFile();
    void scenesAreKnownByNameAndContent_data();
    void scenesAreKnownByNameAndContent();
    void scenesOpenInTheViewer();

private:
    QTemporaryDir m_data;  // XDG_DATA_HOME with the two files installed
    QTemporaryDir m_files; // files to ask about
};

void TestViewerDesktop::initTestCase()
{
    QVERIFY(QDir().mkpath(m_data.filePath(QStringLiteral("mime/packages"))));
    QVERIFY(QDir().mkpath(m_data.filePath(QStringLiteral("applications"))));
    QVERIFY(QFile::copy(kSources + QStringLiteral("/quorvane-viewer-scene.xml"),
                        m_data.filePath(QStringLiteral("mime/packages/quorvane-viewer-scene.xml"))));
    QVERIFY(QFile::copy(kSources + QStringLiteral("/quorvane-viewer.desktop"),
                        m_data.filePath(QStringLiteral("applications/quorvane-viewer.desktop"))));
    QVERIFY(run(QStringLiteral("update-mime-database"), {m_data.filePath(QStringLiteral("mime"))}));
    QVERIFY(run(QStringLiteral("update-desktop-database"), {m_data.filePath(QStringLiteral("applications"))}));
}

void TestViewerDesktop::desktopEntryIsValidAndTakesAFile()
{
    const QString entry = kSources + QStringLiteral("/quorvane-viewer.desktop");
    QCOMPARE(run(QStringLiteral("desktop-file-validate"), {entry}), std::optional<QString>(QString()));
    QSettings desktop(entry, QSettings::IniFormat);
    desktop.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(desktop.value(QStringLiteral("Exec")).toString(), QStringLiteral("quorvane-viewer %f"));
    // The ini reader takes the closing ";" for a comment.
    QVERIFY(desktop.value(QStringLiteral("MimeType")).toString().startsWith(kType));
}

void TestViewerDesktop::scenesAreKnownByNameAndContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("ours");
    QByteArray scene;
    QVERIFY(quorvane::buildViewerSceneData(quorvane::Scene(), &scene, quorvane::TempCleanup::Keep));
    const QByteArray archive =
        QByteArray(quorvane::kViewerArchiveMagic, quorvane::kViewerArchiveMagicSize) + quorvane::scramble(scene);
    QTest::newRow("exported scene") << "feria.qvx2" << archive << true;
    QTest::newRow("renamed scene, by its magic") << "feria (1).bin" << archive << true;
    QTest::newRow("from another system") << "FERIA.QVX2" << archive << true;
    QTest::newRow("older scene") << "museo.qvx" << archive << true;
    QTest::newRow("the magic a byte late") << "late.bin"
                                           << " " + archive << false;
    QTest::newRow("text") << "notas.txt" << QByteArray("hola") << false;
}

void TestViewerDesktop::scenesAreKnownByNameAndContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, ours);
    const QString file = m_files.filePath(name);
    QVERIFY(testutil::writeFile(file, content));
    const std::optional<QString> type =
        run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("filetype"), file}, m_data.path());
    QVERIFY(type && !type->isEmpty());
    QVERIFY2((*type == kType) == ours, qPrintable(*type));
}

void TestViewerDesktop::scenesOpenInTheViewer()
{
    QCOMPARE(
        run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), kType}, m_data.path()),
        std::optional<QString>(QStringLiteral("quorvane-viewer.desktop")));
}

QTEST_GUILESS_MAIN(TestViewerDesktop)
#include "tst_viewer_desktop.moc"
