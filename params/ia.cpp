#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "iacontrols.h"
#include "sdkaccess.h"
#include "settingstable.h"

void MainWindow::ApplyParamsIA()
{
    if (!device)
        return;
    camera::Records records;
    bool everyListHoldsAnEntry = true;
    for (const ia::Control& control : ia::controls) {
        const camera::Setting& setting = camera::setting(control.key);
        if (control.list) {
            // Every list is checked, so that the log names each one that holds no entry.
            const auto entry = entryToSend(ui->*control.list, "IA config", control.entryKind);
            everyListHoldsAnEntry = everyListHoldsAnEntry && entry.has_value();
            if (entry)
                camera::put(setting, records, *entry);
        } else {
            // The form's ranges keep each value within the field's byte.
            camera::put(setting, records, (ui->*control.box)->value());
        }
    }
    if (!everyListHoldsAnEntry)
        return;
    logOutcome(camera::sendRecord(camera::Record::Ia, *device, records),
               camera::setting(camera::Key::IaResizeMode).editTexts);
}

void MainWindow::ResetParamsIA()
{
    if (!askYesNo(tr("Do you really want to reset IA settings?")))
        return;

    orvex_sdk::Configuration* defaults = sdkaccess::root().getConfiguration();
    ui->iAResizeModeComboBox->setCurrentIndex(defaults->getDefaultIaResizeMode());
    ui->nbBoxesSpinBox->setValue(defaults->getDefaultIaMaxBoxes());
    ui->iASensitivitySpinBox->setValue(defaults->getDefaultIaSensitivity());
    ui->interOverUnionSpinBox->setValue(defaults->getDefaultIaInterOverUnion());
    ui->iAOutputTypeComboBox->setCurrentIndex(defaults->getDefaultIaOutputType());

    ApplyParamsIA();
}
