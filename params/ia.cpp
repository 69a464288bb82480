#include "mainwindow.h"
#include "ui_mainwindow.h"

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
    // Both lists are checked, so that the log names every one that holds no entry.
    const auto resizeMode = entryToSend(ui->iAResizeModeComboBox, "IA config", "resize mode");
    const auto outputType = entryToSend(ui->iAOutputTypeComboBox, "IA config", "output type");
    if (!resizeMode || !outputType)
        return;
    orvex_sdk::IaConfiguration configuration{};
    configuration.resizeMode = *resizeMode;
    configuration.maxBoxes = lowByte(ui->nbBoxesSpinBox->value());
    configuration.sensitivity = lowByte(ui->iASensitivitySpinBox->value());
    configuration.interOverUnion = lowByte(ui->interOverUnionSpinBox->value());
    configuration.outputType = *outputType;
    logOutcome(device->setIaConfiguration(&configuration), "Set IA config OK", "Set IA config KO");
}

void MainWindow::ResetParamsIA()
{
    if (!askYesNo(tr("Do you really want to reset IA settings?")))
        return;

    orvex_sdk::Configuration* defaults = orvex_sdk::OrvexSdk::get_instance()->getConfiguration();
    ui->iAResizeModeComboBox->setCurrentIndex(defaults->getDefaultIaResizeMode());
    ui->nbBoxesSpinBox->setValue(defaults->getDefaultIaMaxBoxes());
    ui->iASensitivitySpinBox->setValue(defaults->getDefaultIaSensitivity());
    ui->interOverUnionSpinBox->setValue(defaults->getDefaultIaInterOverUnion());
    ui->iAOutputTypeComboBox->setCurrentIndex(defaults->getDefaultIaOutputType());

    ApplyParamsIA();
}
