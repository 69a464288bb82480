#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "conversions.h"
#include "numericsettings.h"

#include <QThread>

#include <limits>

namespace {

constexpr int forcedSerialNumberAttempts = 18;
constexpr unsigned long pauseBetweenAttemptsMs = 10;

} // namespace

void MainWindow::gskSendCommand()
{
    sendFinishedEdit(numeric::Gsk);
}

void MainWindow::gfiSendCommand()
{
    sendFinishedEdit(numeric::Gfid);
}

void MainWindow::gmsSendCommand()
{
    sendFinishedEdit(numeric::Gms);
}

void MainWindow::tintSendCommand()
{
    sendFinishedEdit(numeric::Tint);
}

void MainWindow::ApplyParamsExpert()
{
    orvex_sdk::IOrvexSdk* sdk = orvex_sdk::OrvexSdk::get_instance();
    if (!device) {
        storeExpertValues(*sdk->getConfiguration());
        return;
    }

    sendCount(numeric::Gsk);
    sendCount(numeric::Gfid);
    sendCount(numeric::Tint);
    const bool gmsAccepted = sendCount(numeric::Gms);
    bprControl();
    offsetControl();
    gainControl();

    if (gmsAccepted)
        sdk->notifyParametersApplied();
    else
        showWarning(tr("Problem transmitting expert parameters values\n"));
}

// Without a camera the values wait in the SDK's configuration, from which the next connect loads
// the expert controls.
void MainWindow::storeExpertValues(orvex_sdk::Configuration& configuration)
{
    configuration.gskValue = ui->gskSlider->value();
    configuration.gfidValue = ui->gfidSlider->value();
    configuration.tintValue = ui->tintSlider->value();
    const double gms = ui->gmsEdit->value();
    if (const auto stored = conversions::truncateToInt32(gms)) {
        configuration.gmsValue = *stored;
        return;
    }
    using Limits = std::numeric_limits<std::int32_t>;
    logMessage(numeric::outOfRangeReport("GMS value", gms, "not stored: the configuration holds",
                                         Limits::min(), Limits::max()));
}

void MainWindow::setOxSerialNumber()
{
    sendFinishedEdit(numeric::SerialNumber);
}

// Every attempt is made whatever the earlier ones gave; only the last one counts.
void MainWindow::forceOxSerialNumber()
{
    if (!device)
        return;
    std::uint32_t serialNumber = 0;
    if (!countToSend(numeric::SerialNumber, serialNumber))
        return;
    for (int attempt = 0; attempt < forcedSerialNumberAttempts; ++attempt) {
        lastResult = device->setSerialNumber(serialNumber);
        QThread::msleep(pauseBetweenAttemptsMs);
    }
    logMessage(lastResult ? "Force Serial number OK" : "Force Serial number NOT OK");
}
