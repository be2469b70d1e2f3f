#include "Label3dPropertyDlg.h"

#include "Label3d.h"
#include "ui_Label3dPropertyDlg.h"

#include <QColorDialog>

namespace quorvane {

namespace {

QColor toQColor(const osg::Vec4& c)
{
    return QColor::fromRgbF(c.r(), c.g(), c.b(), c.a());
}

} // namespace

Label3dPropertyDlg::Label3dPropertyDlg(Label3d* label, QWidget* parent)
    : QDialog(parent, Qt::Tool), ui(new Ui::Label3dPropertyDlg), m_label(label)
{
    ui->setupUi(this);
    connect(ui->doubleSpinBox_fontSize, &QDoubleSpinBox::valueChanged, this,
            &Label3dPropertyDlg::onSpinBoxFontSizeCambiado);
    connect(ui->sb_distancia, &QSpinBox::valueChanged, this, &Label3dPropertyDlg::onSpinBoxCambiado);
    connect(ui->horizontalSlider, &QSlider::valueChanged, this, &Label3dPropertyDlg::onSliderCambiado);
    connect(ui->textEdit, &QPlainTextEdit::textChanged, this, &Label3dPropertyDlg::onTextoCambiado);
    connect(ui->btnFontColor, &QPushButton::clicked, this, &Label3dPropertyDlg::onBotonCambiarColorFuente);
    connect(ui->btnBackgroundColor, &QPushButton::clicked, this, &Label3dPropertyDlg::onBotonCambiarColorFondo);
    connect(ui->btn_eliminar, &QPushButton::clicked, this, &Label3dPropertyDlg::onEliminar);

    // Read the label's values before the first signal writes any of them back.
    const QString text = QString::fromUtf8(label->textUtf8().c_str());
    const int distance = static_cast<int>(label->distance());
    const int angle = static_cast<int>(label->angle()) + 360;
    const double size = label->size();
    ui->textEdit->setPlainText(text);
    ui->sb_distancia->setValue(distance);
    ui->horizontalSlider->setValue(angle);
    ui->doubleSpinBox_fontSize->setValue(size);
    refreshStyleSheet();
}

Label3dPropertyDlg::~Label3dPropertyDlg()
{
    delete ui;
}

void Label3dPropertyDlg::refreshStyleSheet()
{
    const osg::Vec4 f = m_label->fontColor(), b = m_label->backgroundColor();
    ui->textEdit->setStyleSheet(QStringLiteral("color: rgb(%1,%2,%3);\nbackground-color: rgb(%4,%5,%6);")
                                    .arg(f.r() * 255.0)
                                    .arg(f.g() * 255.0)
                                    .arg(f.b() * 255.0)
                                    .arg(b.r() * 255.0)
                                    .arg(b.g() * 255.0)
                                    .arg(b.b() * 255.0));
}

QColor Label3dPropertyDlg::chooseColor(const QColor& initial, const QString& title)
{
    return QColorDialog::getColor(initial, this, title);
}

void Label3dPropertyDlg::onSpinBoxFontSizeCambiado(double valor)
{
    m_label->setSize(static_cast<float>(valor));
}

void Label3dPropertyDlg::onSpinBoxCambiado(int value)
{
    m_label->setDistance(static_cast<float>(value));
}

void Label3dPropertyDlg::onSliderCambiado(int value)
{
    m_label->setAngle(static_cast<float>(value - 360));
}

void Label3dPropertyDlg::onTextoCambiado()
{
    m_label->setText(ui->textEdit->toPlainText().toUtf8().toStdString());
}

void Label3dPropertyDlg::onBotonCambiarColorFuente()
{
    const QColor c = chooseColor(toQColor(m_label->fontColor()), tr("Color de fuente"));
    if (!c.isValid())
        return;
    m_label->setFontColor(osg::Vec4(c.red() / 255.0f, c.green() / 255.0f, c.blue() / 255.0f, 1.0f));
    refreshStyleSheet();
}

void Label3dPropertyDlg::onBotonCambiarColorFondo()
{
    const QColor c = chooseColor(toQColor(m_label->backgroundColor()), tr("Color de fondo"));
    if (!c.isValid())
        return;
    m_label->setBackgroundColor(osg::Vec4(c.red() / 255.0f, c.green() / 255.0f, c.blue() / 255.0f, c.alpha() / 255.0f));
    refreshStyleSheet();
}

void Label3dPropertyDlg::onBotonDesplazamientoArriba()
{
    m_label->setDistance(m_label->distance() + 5.0f);
}

void Label3dPropertyDlg::onBotonDesplazamientoAbajo()
{
    m_label->setDistance(m_label->distance() > 5.0f ? m_label->distance() - 5.0f : 0.0f);
}

void Label3dPropertyDlg::onBotonDesplazamientoIzquierda()
{
    m_label->shiftText(-5.0f);
}

void Label3dPropertyDlg::onBotonDesplazamientoDerecha()
{
    m_label->shiftText(5.0f);
}

void Label3dPropertyDlg::onEliminar()
{
    ui->textEdit->clear();
    close();
}

} // namespace quorvane
