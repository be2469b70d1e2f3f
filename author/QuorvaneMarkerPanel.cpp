// The marker panel of the main window: the twenty marker buttons, the association of library
// content with a marker, and the controls that turn, scale and move the selected marker's content.
#include "Quorvane.h"

#include "ui_Quorvane.h"

#include "MarcaPushButton.h"
#include "MarkerCodes.h"
#include "MarkerContent.h"
#include "Model.h"
#include "PlatformPaths.h"
#include "ViewerWidget.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QSignalBlocker>

#include <cmath>

namespace {

// The size content is scaled to when it lands on a marker: the printed marker's side.
constexpr float kMarkerTarget = 135.0f;

} // namespace

void Quorvane::setupMarkerPanel()
{
    markerButtons_ = {ui->btn_marca0,  ui->btn_marca1,  ui->btn_marca2,  ui->btn_marca3,  ui->btn_marca4,
                      ui->btn_marca5,  ui->btn_marca6,  ui->btn_marca7,  ui->btn_marca8,  ui->btn_marca9,
                      ui->btn_marca10, ui->btn_marca11, ui->btn_marca12, ui->btn_marca13, ui->btn_marca14,
                      ui->btn_marca15, ui->btn_marca16, ui->btn_marca17, ui->btn_marca18, ui->btn_marca19};
    for (int n = 0; n < quorvane::kMarkerCount; ++n) {
        MarcaPushButton* b = markerButtons_[size_t(n)];
        b->setMarkerIcons(QStringLiteral(":/Quorvane/Marca%1.png").arg(n),
                          QStringLiteral(":/Quorvane/Marca%1_loaded.png").arg(n));
        // Each sheet is named after its marker's code; a missing one leaves "Imprimir" silent.
        b->setSheetFile(quorvane::programDataPath(
            QStringLiteral("pdf/%1.pdf").arg(trk::kMarkerCodes[size_t(n)], 4, 16, QLatin1Char('0'))));
    }
}

void Quorvane::connectMarkerPanel()
{
    for (MarcaPushButton* b : markerButtons_) {
        connect(b, &MarcaPushButton::dropAccepted, this, &Quorvane::nuevaAsociacionMarcaModeloSLOT);
        connect(b, &QPushButton::clicked, this, &Quorvane::updateControlesMarcaSeleccionada);
    }
    connect(ui->btn_borrarSeleccionada, &QPushButton::clicked, this, &Quorvane::borrarMarcaSeleccionada);
    connect(ui->btn_borrarTodas, &QPushButton::clicked, this, &Quorvane::borrarMarcaTodas);
    connect(ui->btn_ImprimirMarcaSeleccionada, &QPushButton::clicked, this, &Quorvane::imprimirMarcaSeleccionada);

    connect(ui->dial_1, &QDial::valueChanged, this, &Quorvane::rotaModelo1);
    connect(ui->dial_2, &QDial::valueChanged, this, &Quorvane::rotaModelo2);
    connect(ui->dial_3, &QDial::valueChanged, this, &Quorvane::rotaModelo3);
    connect(ui->btn_resetAngles, &QPushButton::clicked, this, &Quorvane::resetRotacion);
    connect(ui->doubleSpinBox_scale, &QDoubleSpinBox::valueChanged, this, qOverload<double>(&Quorvane::escalaModelo));
    connect(ui->btn_resetScale, &QPushButton::clicked, this, &Quorvane::resetEscala);
    connect(ui->btn_autoScale, &QPushButton::clicked, this, &Quorvane::autoEscalarModeloSeleccionado);
    connect(ui->btn_up, &QPushButton::clicked, this, &Quorvane::posicionModelo1_up);
    connect(ui->btn_down, &QPushButton::clicked, this, &Quorvane::posicionModelo1_down);
    connect(ui->btn_front, &QPushButton::clicked, this, &Quorvane::posicionModelo1_front);
    connect(ui->btn_back, &QPushButton::clicked, this, &Quorvane::posicionModelo1_back);
    connect(ui->btn_left, &QPushButton::clicked, this, &Quorvane::posicionModelo1_left);
    connect(ui->btn_right, &QPushButton::clicked, this, &Quorvane::posicionModelo1_right);
    connect(ui->btn_center, &QPushButton::clicked, this, &Quorvane::resetPosicion);
    connect(ui->btn_autoTranslate, &QPushButton::clicked, this, &Quorvane::autoTrasladarModeloSeleccionado);
    connect(ui->btn_Play, &QPushButton::clicked, this, &Quorvane::onAnimacionPlay);
    connect(ui->btn_Stop, &QPushButton::clicked, this, &Quorvane::onAnimacionStop);
}

MarcaPushButton* Quorvane::markerButton(int n) const
{
    return n >= 0 && n < quorvane::kMarkerCount ? markerButtons_[size_t(n)] : nullptr;
}

int Quorvane::selectedMarker() const
{
    for (int n = 0; n < quorvane::kMarkerCount; ++n)
        if (markerButtons_[size_t(n)]->isChecked())
            return n;
    return -1;
}

MarcaPushButton* Quorvane::selectedButton() const
{
    return markerButton(selectedMarker());
}

quorvane::MarkerContent* Quorvane::selectedContent() const
{
    const int n = selectedMarker();
    return n >= 0 && view ? view->slot(n) : nullptr;
}

void Quorvane::nuevaAsociacionMarcaModeloSLOT(MarcaPushButton* button)
{
    QApplication::processEvents();
    if (!button)
        return;
    button->setChecked(true);
    int n = -1;
    for (int i = 0; i < quorvane::kMarkerCount; ++i)
        if (markerButtons_[size_t(i)] == button)
            n = i;
    if (n >= 0 && view) {
        // The library lists models without unpacking them: the content is unpacked now, into the
        // temporary folder (another model of the same name may have been there before).
        quorvane::Model_v0_0 model;
        if (QFileInfo(button->modelFile()).isFile() && model.load(button->modelFile()))
            button->setContentFiles(model.mainFile, model.thumbnailFile);
        else
            button->setContentFiles(QString(), QString());
        if (QFileInfo::exists(button->mainFile())) {
            // The path is used as it is: lower-casing it, as on a case-blind disk, would lose files here.
            QString content = button->mainFile();
            content.replace(QLatin1Char('\\'), QLatin1Char('/'));
            setCursor(Qt::WaitCursor);
            QApplication::processEvents();
            view->setMarkerContent(n, content);
            setCursor(Qt::ArrowCursor);
            QApplication::processEvents();
        }
        if (quorvane::MarkerContent* slot = view->slot(n))
            slot->autoScale(kMarkerTarget);
    }
    updateControlesMarcaSeleccionada();
    showLabelsInfo(false);
}

void Quorvane::showControls(const std::array<float, 3>& angles, float scale)
{
    // Showing a content's values must not apply them back: the dials hold whole degrees and the box
    // six decimals, so a round trip would change the content a little (or a lot, for tiny scales).
    const QSignalBlocker b1(ui->dial_1), b2(ui->dial_2), b3(ui->dial_3), b4(ui->doubleSpinBox_scale);
    ui->dial_1->setValue(static_cast<int>(angles[0]));
    ui->dial_2->setValue(static_cast<int>(angles[1]));
    ui->dial_3->setValue(static_cast<int>(angles[2]));
    ui->doubleSpinBox_scale->setValue(scale);
}

void Quorvane::updateControlesMarcaSeleccionada()
{
    const int n = selectedMarker();
    if (n < 0 || !view)
        return;
    quorvane::MarkerContent* slot = view->slot(n);
    const bool animated = slot && slot->animationCount() > 0;
    ui->btn_Play->setEnabled(animated);
    ui->btn_Stop->setEnabled(animated);
    std::array<float, 3> angles{0.0f, 0.0f, 0.0f};
    float scale = 1.0f;
    if (slot) {
        angles = slot->rotationAngles();
        scale = slot->scale();
    }
    if (!slot || scale > 0.0f)
        showControls(angles, scale);
    for (int i = 0; i < view->slotCount(); ++i)
        view->slot(i)->setSelected(i == n);
    view->update();
}

void Quorvane::borrarMarcaSeleccionada()
{
    const int n = selectedMarker();
    if (n >= 0) {
        view->resetMarker(n);
        markerButtons_[size_t(n)]->clearAssociation();
    }
    updateControlesMarcaSeleccionada();
}

void Quorvane::borrarMarcaTodas()
{
    view->resetAllMarkers();
    for (MarcaPushButton* b : markerButtons_)
        b->clearAssociation();
    updateControlesMarcaSeleccionada();
}

void Quorvane::borrarMarcaIndice(int n)
{
    if (static_cast<unsigned>(n) >= static_cast<unsigned>(quorvane::kMarkerCount))
        return;
    view->resetMarker(n);
    markerButtons_[size_t(n)]->clearAssociation();
}

void Quorvane::imprimirMarcaSeleccionada()
{
    if (MarcaPushButton* b = selectedButton())
        b->imprimirMarca();
}

void Quorvane::escalaModelo(int value)
{
    escalaModelo(value / 1000.0);
}

void Quorvane::escalaModelo(double value)
{
    const int n = selectedMarker();
    if (n < 0)
        return;
    view->setMarkerScale(n, static_cast<float>(value));
    view->update();
}

void Quorvane::rotaModelo1(int)
{
    const int n = selectedMarker();
    if (n < 0)
        return;
    view->setMarkerRotation(n, ui->dial_1->value(), ui->dial_2->value(), ui->dial_3->value());
    view->update();
}

void Quorvane::rotaModelo2(int value)
{
    rotaModelo1(value);
}

void Quorvane::rotaModelo3(int value)
{
    rotaModelo1(value);
}

void Quorvane::moveSelected(float dx, float dy, float dz)
{
    if (const int n = selectedMarker(); n >= 0) {
        view->translateMarkerContent(n, dx, dy, dz);
        view->update();
    }
}

void Quorvane::posicionModelo1_up()
{
    moveSelected(0, 0, -1);
}

void Quorvane::posicionModelo1_down()
{
    moveSelected(0, 0, 1);
}

void Quorvane::posicionModelo1_front()
{
    moveSelected(0, -1, 0);
}

void Quorvane::posicionModelo1_back()
{
    moveSelected(0, 1, 0);
}

void Quorvane::posicionModelo1_left()
{
    moveSelected(-1, 0, 0);
}

void Quorvane::posicionModelo1_right()
{
    moveSelected(1, 0, 0);
}

void Quorvane::resetPosicion()
{
    if (quorvane::MarkerContent* slot = selectedContent()) {
        slot->resetPosition();
        view->update();
    }
}

void Quorvane::autoTrasladarModeloSeleccionado()
{
    if (quorvane::MarkerContent* slot = selectedContent()) {
        slot->autoTranslate();
        view->update();
    }
}

void Quorvane::resetEscala()
{
    quorvane::MarkerContent* slot = selectedContent();
    if (!slot)
        return;
    ui->doubleSpinBox_scale->setValue(1.0);
    slot->resetScale();
    view->update();
}

void Quorvane::autoEscalarModeloSeleccionado()
{
    quorvane::MarkerContent* slot = selectedContent();
    if (!slot)
        return;
    slot->autoScale(kMarkerTarget);
    const QSignalBlocker blocker(ui->doubleSpinBox_scale);
    ui->doubleSpinBox_scale->setValue(slot->scale());
    view->update();
}

void Quorvane::resetRotacion()
{
    quorvane::MarkerContent* slot = selectedContent();
    if (!slot)
        return;
    ui->dial_1->setValue(0);
    ui->dial_2->setValue(0);
    ui->dial_3->setValue(0);
    slot->resetRotation();
    view->update();
}

void Quorvane::onAnimacionPlay()
{
    if (quorvane::MarkerContent* slot = selectedContent())
        slot->playAnimation(0);
}

void Quorvane::onAnimacionStop()
{
    if (quorvane::MarkerContent* slot = selectedContent())
        slot->stopAnimation(0);
}

void Quorvane::showLabelsInfo(bool forced)
{
    if (!forced && !settings->value(QStringLiteral("EtiquetasDialogShowAgain"), true).toBool())
        return;
    // The labels information dialog is not built yet: there is nothing to show.
}

void Quorvane::onMostrarEtiquetasInfoDlg()
{
    showLabelsInfo(true);
}
