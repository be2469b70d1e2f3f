// "Editar etiqueta": edits one 3D text label; every change applies to the scene at once.
#pragma once

#include <QColor>
#include <QDialog>

namespace Ui {
class Label3dPropertyDlg;
}

namespace quorvane {

class Label3d;

class Label3dPropertyDlg : public QDialog
{
    Q_OBJECT
public:
    Label3dPropertyDlg(Label3d* label, QWidget* parent = nullptr);
    ~Label3dPropertyDlg() override;

    Label3d* label() const { return m_label; }
    Ui::Label3dPropertyDlg* form() const { return ui; }

public slots:
    void onSpinBoxFontSizeCambiado(double valor);
    void onSpinBoxCambiado(int value);
    void onSliderCambiado(int value);
    void onTextoCambiado();
    void onBotonCambiarColorFuente();
    void onBotonCambiarColorFondo();
    void onBotonDesplazamientoArriba();
    void onBotonDesplazamientoAbajo();
    void onBotonDesplazamientoIzquierda();
    void onBotonDesplazamientoDerecha();
    void onEliminar();

protected:
    // The colour chooser; an invalid colour means the user cancelled.
    virtual QColor chooseColor(const QColor& initial, const QString& title);

private:
    void refreshStyleSheet();

    Ui::Label3dPropertyDlg* ui;
    Label3d* m_label;
};

} // namespace quorvane
