// What both programs do before their windows: style, language value and translation files, the
// shared machine settings.
#include "PlatformPaths.h"
#include "ProgramSetup.h"

#include <QApplication>
#include <QSettings>
#include <QStyle>
#include <QtTest>

#include <sys/stat.h>

class TestProgramSetup : public QObject
{
    Q_OBJECT
private slots:
    void languageFromLocaleAndTranslationOrder();
    void storedLanguageWins();
    void machineSettingsArePrivate();
};

void TestProgramSetup::languageFromLocaleAndTranslationOrder()
{
    // The test runs under a Chinese locale (see main): the default is the prefix + "zh".
    QSettings(QSettings::UserScope, QStringLiteral("Quorvane"), QStringLiteral("Quorvane Author")).clear();
    const quorvane::ProgramIdentity id{"Quorvane Author", "quorvane_"};
    const QString language = quorvane::setupProgram(*qApp, id);
    QCOMPARE(language, QStringLiteral("quorvane_zh"));
    QCOMPARE(QSettings().value(QStringLiteral("language")).toString(), language); // written straight back
    QCOMPARE(qApp->style()->name().toLower(), QStringLiteral("fusion"));

    const auto files = quorvane::translationFiles(id, language);
    QCOMPARE(files.size(), size_t(3));
    QCOMPARE(files[0].first, QStringLiteral("qt_zh"));
    QCOMPARE(files[0].second, QCoreApplication::applicationDirPath());
    QCOMPARE(files[1].first, QStringLiteral("quorvane_en"));
    QCOMPARE(files[2].first, QStringLiteral("quorvane_zh"));
    // No translation files here: the program keeps its Spanish texts.
    const auto translators = quorvane::installTranslators(*qApp, id, language);
    QCOMPARE(QCoreApplication::translate("QuorvaneClass", "Cámara"), QStringLiteral("Cámara"));
}

void TestProgramSetup::storedLanguageWins()
{
    const quorvane::ProgramIdentity id{"Quorvane Viewer", "quorvaneviewer_"};
    QSettings(QSettings::UserScope, QStringLiteral("Quorvane"), QStringLiteral("Quorvane Viewer"))
        .setValue(QStringLiteral("language"), QStringLiteral("quorvaneviewer_es"));
    QCOMPARE(quorvane::setupProgram(*qApp, id), QStringLiteral("quorvaneviewer_es"));
    QCOMPARE(quorvane::translationFiles(id, QStringLiteral("quorvaneviewer_es"))[1].first,
             QStringLiteral("quorvaneviewer_en"));
}

void TestProgramSetup::machineSettingsArePrivate()
{
    {
        auto s = quorvane::machineSettings();
        s->setValue(QStringLiteral("f"), 640.0f);
    }
    auto s = quorvane::machineSettings();
    QCOMPARE(s->value(QStringLiteral("f")).toFloat(), 640.0f);
    struct stat st
    {};
    QCOMPARE(::stat(QFileInfo(s->fileName()).absolutePath().toLocal8Bit().constData(), &st), 0);
    QCOMPARE(st.st_mode & 0077, 0u); // nobody else may enter the folder
}

int main(int argc, char* argv[])
{
    qputenv("LC_ALL", "zh_CN.UTF-8");
    qputenv("LANG", "zh_CN.UTF-8");
    QApplication app(argc, argv);
    TestProgramSetup t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_programsetup.moc"
