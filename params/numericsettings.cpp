#include "numericsettings.h"

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "camerareports.h"
#include "settingstable.h"

#include <QString>

#include <limits>

namespace {

// A spin box whose value goes to the camera as one unsigned 32-bit count. The camera's table
// gives its encoding, its operation and the bulk runs' texts; the serial number is no setting of
// the table and names its own.
struct NumericSetting {
    numeric::Setting id;
    QDoubleSpinBox* Ui_MainWindow::*box;
    const char* cameraKey; // null for the serial number
    const char* name;      // names the value in the report of a number the camera cannot take
    const char* okText = nullptr; // the single edit's own texts, where they are not the table's
    const char* koText = nullptr;
};

using Ui = Ui_MainWindow;
const NumericSetting numericSettings[] = {
    {numeric::Gamma, &Ui::gammaEdit, "gamma", "GAMMA value"},
    {numeric::Clhe, &Ui::clheEdit, "clhe", "CLHE value"},
    {numeric::Sharpening, &Ui::sharpeningEdit, "sharpening", "SHARPENING value",
     "Configure EDGE CORRECTION OK", "Configure EDGE CORRECTION KO"},
    {numeric::SharpeningInBulk, &Ui::sharpeningEdit, "sharpening", "SHARPENING value"},
    {numeric::Gsk, &Ui::gskEdit, "gsk", "GSK value"},
    {numeric::Gfid, &Ui::gfidEdit, "gfid", "GFID value"},
    {numeric::Gms, &Ui::gmsEdit, "gms", "GMS value"},
    {numeric::Tint, &Ui::tintEdit, "tint", "TINT value"},
    {numeric::SerialNumber, &Ui::serialNumberSP, nullptr, "Serial number",
     camera::texts::serialNumberSet, camera::texts::serialNumberNotSet},
};

const NumericSetting& numericSetting(int id)
{
    const NumericSetting& setting = numericSettings[id];
    Q_ASSERT(setting.id == id);
    return setting;
}

const camera::Setting* cameraSetting(const NumericSetting& row)
{
    return row.cameraKey ? &camera::knownSetting(row.cameraKey) : nullptr;
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
    const camera::Setting* cameraRow = cameraSetting(row);
    const double countsPerUnit = cameraRow ? camera::countsPerUnit(cameraRow->encoding) : 1.0;
    const double value = (ui->*row.box)->value();
    if (const auto fitting = camera::truncatedToFit<std::uint32_t>(value * countsPerUnit)) {
        count = *fitting;
        return true;
    }
    constexpr auto largest = std::numeric_limits<std::uint32_t>::max();
    logMessage(numeric::outOfRangeReport(row.name, value, "not sent: the camera takes", 0.0,
                                         double(largest) / countsPerUnit));
    return false;
}

bool MainWindow::sendCount(int setting)
{
    std::uint32_t count = 0;
    if (!countToSend(setting, count))
        return false;
    const NumericSetting& row = numericSetting(setting);
    const camera::Setting* cameraRow = cameraSetting(row);
    const bool accepted = cameraRow ? camera::send(*cameraRow, *device, double(count))
                                    : device->setSerialNumber(count);
    logOutcome(accepted, row.okText ? row.okText : cameraRow->okText,
               row.koText ? row.koText : cameraRow->koText);
    return accepted;
}

void MainWindow::sendFinishedEdit(int setting)
{
    if (!device || !editFinishedByOperator())
        return;
    lastResult = sendCount(setting);
}
