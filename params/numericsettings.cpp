#include "numericsettings.h"

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "camerareports.h"
#include "settingstable.h"

#include <QString>

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

// A spin box whose value goes to the camera as one unsigned 32-bit count, with the encoding,
// operation and texts of its row in the camera's table.
struct NumericSetting {
    camera::Key key;
    QDoubleSpinBox* Ui_MainWindow::*box;
    const char* name; // names the value in the report of a number the camera cannot take
};

using Ui = Ui_MainWindow;
using camera::Key;
const NumericSetting numericSettings[] = {
    {Key::Gamma, &Ui::gammaEdit, "GAMMA value"},
    {Key::Clhe, &Ui::clheEdit, "CLHE value"},
    {Key::Sharpening, &Ui::sharpeningEdit, "SHARPENING value"},
    {Key::Gsk, &Ui::gskEdit, "GSK value"},
    {Key::Gfid, &Ui::gfidEdit, "GFID value"},
    {Key::Gms, &Ui::gmsEdit, "GMS value"},
    {Key::Tint, &Ui::tintEdit, "TINT value"},
    {Key::SerialNumber, &Ui::serialNumberSP, "Serial number"},
};

const NumericSetting& numericSetting(Key key)
{
    const auto row =
        std::find_if(std::begin(numericSettings), std::end(numericSettings),
                     [key](const NumericSetting& setting) { return setting.key == key; });
    Q_ASSERT(row != std::end(numericSettings));
    return *row;
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

void MainWindow::logOutcome(bool accepted, const camera::Texts& texts)
{
    logMessage(accepted ? texts.ok : texts.ko);
}

bool MainWindow::countToSend(camera::Key key, std::uint32_t& count)
{
    const NumericSetting& row = numericSetting(key);
    const double countsPerUnit = camera::countsPerUnit(camera::setting(key).encoding);
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

bool MainWindow::sendCount(camera::Key key, camera::Run run)
{
    std::uint32_t count = 0;
    if (!countToSend(key, count))
        return false;
    return sendSetting(camera::setting(key), double(count), run);
}

void MainWindow::sendFinishedEdit(camera::Key key)
{
    if (!device || !editFinishedByOperator())
        return;
    lastResult = sendCount(key, camera::Run::Edit);
}
