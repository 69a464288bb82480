#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "conversions.h"

namespace {

// A slider with integer positions and the spin box that shows the same parameter in its own
// unit: value = position * valuePerPosition + valueAtZero, and back.
struct CoupledPair {
    QSlider* Ui_MainWindow::*slider;
    QDoubleSpinBox* Ui_MainWindow::*realBox = nullptr; // one of the two boxes is set
    QSpinBox* Ui_MainWindow::*wholeBox = nullptr;
    double valuePerPosition = 1.0;
    double valueAtZero = 0.0;
    double positionsPerValue = 1.0;
};

using Ui = Ui_MainWindow;
const CoupledPair gammaPair{&Ui::gammaSlider, &Ui::gammaEdit, nullptr, 0.1, 0.5, 10.0};
const CoupledPair clhePair{&Ui::clheSlider, &Ui::clheEdit};
const CoupledPair sharpeningPair{
    &Ui::sharpeningSlider, &Ui::sharpeningEdit, nullptr, 0.1, 0.0, 10.0};
const CoupledPair gskPair{&Ui::gskSlider, &Ui::gskEdit};
const CoupledPair gfidPair{&Ui::gfidSlider, &Ui::gfidEdit};
const CoupledPair gmsPair{&Ui::gmsSlider, &Ui::gmsEdit};
const CoupledPair tintPair{&Ui::tintSlider, &Ui::tintEdit};
const CoupledPair nbBoxesPair{&Ui::nbBoxesSlider, nullptr, &Ui::nbBoxesSpinBox};
const CoupledPair iaSensitivityPair{&Ui::iASensitivitySlider, nullptr, &Ui::iASensitivitySpinBox};
const CoupledPair interOverUnionPair{&Ui::interOverUnionSlider, nullptr,
                                     &Ui::interOverUnionSpinBox};

// Each direction compares before it sets, so a change goes once around the pair: the partner's
// own notification maps back onto the value that is already there and stops.
void followSlider(const Ui_MainWindow& ui, const CoupledPair& pair, int position)
{
    if (pair.wholeBox) {
        QSpinBox* box = ui.*pair.wholeBox;
        if (box->value() != position)
            box->setValue(position);
        return;
    }
    QDoubleSpinBox* box = ui.*pair.realBox;
    const double target = position * pair.valuePerPosition + pair.valueAtZero;
    if (!(box->value() == target))
        box->setValue(target);
}

void followSpinBox(const Ui_MainWindow& ui, const CoupledPair& pair, double value)
{
    QSlider* slider = ui.*pair.slider;
    // Rounding, not truncation, makes the two mappings inverse: gamma 0.7 maps back to
    // 1.9999999999999996. A value beyond the int range (gmsEdit reaches 2^32, defaults come
    // from an editable file) saturates and the slider clamps it like any other.
    const int position = conversions::roundSaturated(
        (value - pair.valueAtZero) * pair.positionsPerValue, slider->minimum());
    if (slider->value() != position)
        slider->setValue(position);
}

} // namespace

void MainWindow::GammaUserSliderChanged(int value)
{
    followSlider(*ui, gammaPair, value);
}

void MainWindow::ClheUserSliderChanged(int value)
{
    followSlider(*ui, clhePair, value);
}

void MainWindow::SharpeningUserSliderChanged(int value)
{
    followSlider(*ui, sharpeningPair, value);
}

void MainWindow::GSKExpertSliderChanged(int value)
{
    followSlider(*ui, gskPair, value);
}

void MainWindow::GFIDExpertSliderChanged(int value)
{
    followSlider(*ui, gfidPair, value);
}

void MainWindow::GMSExpertSliderChanged(int value)
{
    followSlider(*ui, gmsPair, value);
}

void MainWindow::TINTExpertSliderChanged(int value)
{
    followSlider(*ui, tintPair, value);
}

void MainWindow::NbBoxesSliderChanged(int value)
{
    followSlider(*ui, nbBoxesPair, value);
}

void MainWindow::IASensitivitySliderChanged(int value)
{
    followSlider(*ui, iaSensitivityPair, value);
}

void MainWindow::InterOUSliderChanged(int value)
{
    followSlider(*ui, interOverUnionPair, value);
}

void MainWindow::GammaUserValueChanged(double value)
{
    followSpinBox(*ui, gammaPair, value);
}

void MainWindow::ClheUserValueChanged(double value)
{
    followSpinBox(*ui, clhePair, value);
}

void MainWindow::SharpeningUserValueChanged(double value)
{
    followSpinBox(*ui, sharpeningPair, value);
}

void MainWindow::GSKExpertValueChanged(double value)
{
    followSpinBox(*ui, gskPair, value);
}

void MainWindow::GFIDExpertValueChanged(double value)
{
    followSpinBox(*ui, gfidPair, value);
}

void MainWindow::GMSExpertValueChanged(double value)
{
    followSpinBox(*ui, gmsPair, value);
}

void MainWindow::TINTExpertValueChanged(double value)
{
    followSpinBox(*ui, tintPair, value);
}

void MainWindow::NbBoxesValueChanged(int value)
{
    followSpinBox(*ui, nbBoxesPair, value);
}

void MainWindow::IASensitivityValueChanged(int value)
{
    followSpinBox(*ui, iaSensitivityPair, value);
}

void MainWindow::InterOUValueChanged(int value)
{
    followSpinBox(*ui, interOverUnionPair, value);
}

// The Read button reads the User tab, so while connected it is offered only on that tab. The
// Scan button is enabled exactly while no camera is connected.
void MainWindow::TabIndexChanged(int index)
{
    if (index == -1 || ui->scanDeviceButton->isEnabled())
        return;
    ui->readParamButtonUser->setEnabled(index == 0);
}
