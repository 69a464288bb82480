#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "camerareports.h"
#include "togglecaptions.h"

void MainWindow::ApplyNucRequest()
{
    requestNucInMode(camera::nucNow);
}

void MainWindow::AutoNucRequest()
{
    requestNucInMode(camera::automaticNucRoutine);
}

// A camera that runs a NUC switches NUC on; the enable button only shows that, without a click
// that would send it again.
void MainWindow::requestNucInMode(std::uint8_t mode)
{
    if (!device)
        return;
    lastResult = device->requestNuc(mode);
    if (lastResult) {
        showToggleState(ui->nucEnablingButton, true, captions::nuc);
        logMessage(camera::texts::nucRequest.ok);
    } else {
        showWarning(tr(camera::texts::nucRequest.ko));
    }
}
