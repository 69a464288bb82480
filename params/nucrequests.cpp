#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "togglecaptions.h"

namespace {

constexpr std::uint8_t nucNow = 0;
constexpr std::uint8_t automaticNucRoutine = 1;

} // namespace

void MainWindow::ApplyNucRequest()
{
    requestNucInMode(nucNow);
}

void MainWindow::AutoNucRequest()
{
    requestNucInMode(automaticNucRoutine);
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
        logMessage("NUC applied");
    } else {
        showWarning(tr("Error on processing the NUC request"));
    }
}
