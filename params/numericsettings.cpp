#include "numericsettings.h"

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "conversions.h"

#include <QString>

#include <limits>

using orvex_sdk::Device;

namespace {

struct NumericSetting {
    numeric::Setting id;
    QDoubleSpinBox* Ui_MainWindow::*box;
    bool (Device::*operation)(std::uint32_t);
    double countsPerUnit; // 65536 and 256 make the camera's 16.16 and 8.8 fixed point
    const char* name;
    const char* okText;
    const char* koText;
};

const NumericSetting numericSettings[] = {
    {numeric::Gamma, &Ui_MainWindow::gammaEdit, &Device::setGamma, 65536.0, "GAMMA value",
     "Set GAMMA value OK", "Set GAMMA value KO"},
    {numeric::Clhe, &Ui_MainWindow::clheEdit, &Device::setClhe, 1.0, "CLHE value",
     "Set CLHE value OK", "Set CLHE value KO"},
    {numeric::Sharpening, &Ui_MainWindow::sharpeningEdit, &Device::setSharpening, 256.0,
     "SHARPENING value", "Configure EDGE CORRECTION OK", "Configure EDGE CORRECTION KO"},
    {numeric::SharpeningInBulk, &Ui_MainWindow::sharpeningEdit, &Device::setSharpening, 256.0,
     "SHARPENING value", "Set SHARPENING value OK", "Set SHARPENING value KO"},
    {numeric::Gsk, &Ui_MainWindow::gskEdit, &Device::setGsk, 1.0, "GSK value", "Set GSK value OK",
     "Set GSK value KO"},
    {numeric::Gfid, &Ui_MainWindow::gfidEdit, &Device::setGfid, 1.0, "GFID value",
     "Set GFID value OK", "Set GFID value KO"},
    {numeric::Gms, &Ui_MainWindow::gmsEdit, &Device::setGms, 1.0, "GMS value", "Set GMS value OK",
     "Set GMS value KO"},
    {numeric::Tint, &Ui_MainWindow::tintEdit, &Device::setTint, 1.0, "TINT value",
     "Set TINT value OK", "Set TINT value KO"},
    {numeric::SerialNumber, &Ui_MainWindow::serialNumberSP, &Device::setSerialNumber, 1.0,
     "Serial number", "Serial number set", "Serial number NOT set"},
};

const NumericSetting& numericSetting(int id)
{
    const NumericSetting& setting = numericSettings[id];
    Q_ASSERT(setting.id == id);
    return setting;
}

} // namespace

std::string numeric::outOfRangeReport(const char* what, double value, const char* refusal,
                                      double lowest, double highest)
{
    const bool tooLow = value < lowest;
    return std::string(what) + ' ' + QString::number(value, 'g', 15).toStdString() + ' ' + refusal +
           (tooLow ? " at least " : " at most ") +
           QString::number(tooLow ? lowest : highest, 'g', 15).toStdString();
}

void MainWindow::logOutcome(bool accepted, const char* okText, const char* koText)
{
    logMessage(accepted ? okText : koText);
}

bool MainWindow::countToSend(int setting, std::uint32_t& count)
{
    const NumericSetting& row = numericSetting(setting);
    const double value = (ui->*row.box)->value();
    if (const auto fitting = conversions::truncateToUint32(value * row.countsPerUnit)) {
        count = *fitting;
        return true;
    }
    constexpr auto largest = std::numeric_limits<std::uint32_t>::max();
    logMessage(numeric::outOfRangeReport(row.name, value, "not sent: the camera takes", 0.0,
                                         double(largest) / row.countsPerUnit));
    return false;
}

bool MainWindow::sendCount(int setting)
{
    std::uint32_t count = 0;
    if (!countToSend(setting, count))
        return false;
    const NumericSetting& row = numericSetting(setting);
    const bool accepted = (device->*row.operation)(count);
    logOutcome(accepted, row.okText, row.koText);
    return accepted;
}

void MainWindow::sendFinishedEdit(int setting)
{
    if (!device || !editFinishedByOperator())
        return;
    lastResult = sendCount(setting);
}
