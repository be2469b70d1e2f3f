// The small commands of the main window: language, reference manual, new version, and the commands
// whose dialogs are still to come.
#include "Quorvane.h"

#include "ui_Quorvane.h"

#include "OnlineHooks.h"
#include "PlatformPaths.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

void Quorvane::exportarEscena()
{
    // The export dialog is not built yet.
}

void Quorvane::exportarEscenaMovil()
{
    // The mobile export dialog is not built yet.
}

void Quorvane::about()
{
    // The about dialog is not built yet.
}

void Quorvane::onCompartirEscena()
{
    // The sharing dialogs are not built yet.
}

void Quorvane::setLanguage(const QString& value, const QString& title, const QString& text)
{
    settings->setValue(QStringLiteral("language"), value);
    paused([&] { QMessageBox::warning(this, title, text, QMessageBox::Ok); });
}

void Quorvane::idiomaEspanol()
{
    setLanguage(QStringLiteral("quorvane_es"), tr("Idioma"),
                tr("Idioma cambiado a español.\nReinicie la aplicación para hacer efectivo el cambio."));
}

void Quorvane::idiomaIngles()
{
    setLanguage(QStringLiteral("quorvane_en"), tr("Language"),
                tr("Language changed to English.\nRestart the application to apply changes."));
}

void Quorvane::idiomaChino()
{
    setLanguage(QStringLiteral("quorvane_zh"), tr("Language"),
                tr("Language changed to Chinese.\nRestart the application to apply changes."));
}

void Quorvane::onManualDeReferencia()
{
    QString code =
        settings->value(QStringLiteral("language"), QStringLiteral("quorvane_en")).toString().right(2).toLower();
    if (code != QLatin1String("es") && code != QLatin1String("en"))
        code = QStringLiteral("en");
    // A manual that is not there is not opened: the desktop would only complain about a missing file.
    const QString manual = quorvane::programDataPath(QStringLiteral("manual_%1.pdf").arg(code));
    if (QFileInfo(manual).isFile())
        QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
}

void Quorvane::onNuevaVersionDisponible()
{
    QMessageBox::StandardButton answer = QMessageBox::No;
    paused([&] {
        QMessageBox box(QMessageBox::Question, tr("Nueva versión"),
                        tr("Existe una nueva versión de Quorvane Author, ¿quieres ir a la página a descargarla? "
                           "Se cerrará Quorvane Author."),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::NoButton);
        answer = static_cast<QMessageBox::StandardButton>(box.exec());
    });
    if (answer != QMessageBox::Yes)
        return;
    const QUrl page = quorvane::onlineHooks().downloadPage();
    if (page.isValid())
        QDesktopServices::openUrl(page);
    close();
}
