#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

namespace {

// Each field is the control's low eight bits; the layout's ranges keep every value within them.
std::uint8_t lowByte(int value)
{
    return static_cast<std::uint8_t>(value);
}

} // namespace

void MainWindow::ApplyParamsIA()
{
    if (!device)
        return;
    orvex_sdk::IaConfiguration configuration{};
    configuration.resizeMode = lowByte(ui->iAResizeModeComboBox->currentIndex());
    configuration.maxBoxes = lowByte(ui->nbBoxesSpinBox->value());
    configuration.sensitivity = lowByte(ui->iASensitivitySpinBox->value());
    configuration.interOverUnion = lowByte(ui->interOverUnionSpinBox->value());
    configuration.outputType = lowByte(ui->iAOutputTypeComboBox->currentIndex());
    logOutcome(device->setIaConfiguration(&configuration), "Set IA config OK", "Set IA config KO");
}

void MainWindow::ResetParamsIA()
{
    if (QMessageBox::question(nullptr, QString(), tr("Do you really want to reset IA settings?"),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;

    orvex_sdk::Configuration* defaults = orvex_sdk::OrvexSdk::get_instance()->getConfiguration();
    ui->iAResizeModeComboBox->setCurrentIndex(defaults->getDefaultIaResizeMode());
    ui->nbBoxesSpinBox->setValue(defaults->getDefaultIaMaxBoxes());
    ui->iASensitivitySpinBox->setValue(defaults->getDefaultIaSensitivity());
    ui->interOverUnionSpinBox->setValue(defaults->getDefaultIaInterOverUnion());
    ui->iAOutputTypeComboBox->setCurrentIndex(defaults->getDefaultIaOutputType());

    ApplyParamsIA();
}
