#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "controls.h"

#include <algorithm>
#include <iterator>

namespace {

// An on/off setting held in a checkable button's checked state and shown in its caption; the
// camera's table gives its operation, the value it sends for on and its texts.
struct Toggle {
    camera::Key key;
    QPushButton* Ui_MainWindow::*button;
    ToggleCaptions captions;
};

using Ui = Ui_MainWindow;
using camera::Key;
const Toggle toggles[] = {
    {Key::Polarity, &Ui::polarityButton, captions::polarity},
    {Key::VerticalFlip, &Ui::verticalFlipButton, captions::verticalFlip},
    {Key::HorizontalFlip, &Ui::horizontalFlipButton, captions::horizontalFlip},
    {Key::ColumnCorrection, &Ui::ColumnCorrectionButton, captions::columnCorrection},
    {Key::VignettingCorrection, &Ui::VignettingCorrectionButton, captions::vignettingCorrection},
    {Key::ShutterPosition, &Ui::shutterCtrlPB, captions::shutter},
    {Key::NucEnabled, &Ui::nucEnablingButton, captions::nuc},
    {Key::BprCorrection, &Ui::enableBprPB, captions::bprCorrection},
    {Key::OffsetCorrection, &Ui::enableOffsetPB, captions::offsetCorrection},
    {Key::GainCorrection, &Ui::enableGainPB, captions::gainCorrection},
};

const Toggle& toggle(Key key)
{
    const auto row = std::find_if(std::begin(toggles), std::end(toggles),
                                  [key](const Toggle& toggle) { return toggle.key == key; });
    Q_ASSERT(row != std::end(toggles));
    return *row;
}

} // namespace

controls::ToggleButton controls::toggleButton(camera::Key key)
{
    const Toggle& row = toggle(key);
    return {row.button, row.captions};
}

// The click has already toggled the button, so its checked state is the setting asked for. A
// refusal leaves both state and caption as the click left them; a caption that is neither of
// the toggle's two texts was put there by someone else and stays.
bool MainWindow::runToggle(camera::Key key)
{
    if (!device)
        return false;
    const Toggle& row = toggle(key);
    QPushButton* button = ui->*row.button;
    const bool on = button->isChecked();
    const camera::Setting& setting = camera::setting(key);
    lastResult = camera::sendSwitch(setting, *device, on, camera::Run::Edit);
    if (lastResult) {
        const QString onCaption = tr(row.captions.on);
        const QString offCaption = tr(row.captions.off);
        if (on && button->text() == offCaption)
            button->setText(onCaption);
        else if (!on && button->text() == onCaption)
            button->setText(offCaption);
    }
    logOutcome(lastResult, setting.editTexts);
    return lastResult;
}

void MainWindow::polarityChanged()
{
    runToggle(Key::Polarity);
}

void MainWindow::verticalFlipChanged()
{
    runToggle(Key::VerticalFlip);
}

void MainWindow::horizontalFlipChanged()
{
    runToggle(Key::HorizontalFlip);
}

void MainWindow::columnCorrChanged()
{
    runToggle(Key::ColumnCorrection);
}

void MainWindow::vignettingCorrChanged()
{
    runToggle(Key::VignettingCorrection);
}

void MainWindow::shutterPositionChanged()
{
    runToggle(Key::ShutterPosition);
}

void MainWindow::nucControlRequest()
{
    runToggle(Key::NucEnabled);
}

void MainWindow::bprControl()
{
    runToggle(Key::BprCorrection);
}

void MainWindow::offsetControl()
{
    runToggle(Key::OffsetCorrection);
}

void MainWindow::gainControl()
{
    runToggle(Key::GainCorrection);
}
