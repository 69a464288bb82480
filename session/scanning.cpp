#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "portenumeration.h"

#include <QTimer>

void MainWindow::scanDevice()
{
    portList = ports::availablePortNames();
    ui->selectDeviceComboBox->clear();
    if (portList.isEmpty()) {
        showWarning(tr("No COM port found!\nPlease, plug a COM port ans scan again."));
        return;
    }
    ui->selectDeviceComboBox->addItems(portList);
    ui->connectDeviceButton->setEnabled(true);
    ui->selectDeviceComboBox->setEnabled(true);
}

void MainWindow::monitoringSystem()
{
    portList = ports::availablePortNames();
    // Port names are compared exactly: "sim1" is not the port the camera was opened on.
    if (!portList.contains(selectedPortName, Qt::CaseSensitive)) {
        disconnectDevice();
        scanDevice();
        return;
    }
    refreshTemperatures();
}

void MainWindow::getTemperature()
{
    refreshTemperatures();
}

void MainWindow::refreshTemperatures()
{
    if (!device)
        return;
    orvex_sdk::Temperatures temperatures{};
    lastResult = device->getTemperatures(&temperatures);
    if (!lastResult) {
        // A camera that cannot report its temperatures is not polled again until the next
        // connect; the boxes keep the last values it did report.
        monitoringTimer->stop();
        return;
    }
    const auto show = [this](QPlainTextEdit* box, float milliKelvin) {
        const float celsius = (milliKelvin - 273000.0f) / 1000.0f;
        box->clear();
        box->insertPlainText(tr("%1 C").arg(QString::number(double(celsius), 'g', 6)));
    };
    show(ui->fpgaTempTextEdit, temperatures.fpgaTemperature);
    show(ui->sensorTempTextEdit, temperatures.sensorTemperature);
}
