#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "togglecaptions.h"

using orvex_sdk::Device;

namespace {

enum ToggleId : int {
    Polarity,
    VerticalFlip,
    HorizontalFlip,
    ColumnCorrection,
    VignettingCorrection,
    Shutter,
    NucEnable,
    BprCorrection,
    OffsetCorrection,
    GainCorrection,
};

// An on/off setting held in a checkable button's checked state and shown in its caption.
struct Toggle {
    ToggleId id;
    QPushButton* Ui_MainWindow::*button;
    bool (*send)(Device& device, bool on);
    ToggleCaptions captions;
    const char* okText;
    const char* koText;
};

const Toggle toggles[] = {
    {Polarity, &Ui_MainWindow::polarityButton,
     [](Device& device, bool on) { return device.setPolarity(on); }, captions::polarity,
     "Set POLARITY value OK", "Set POLARITY value KO"},
    {VerticalFlip, &Ui_MainWindow::verticalFlipButton,
     [](Device& device, bool on) { return device.setVerticalFlip(on); }, captions::verticalFlip,
     "Set VERTICAL FLIP value OK", "Set VERTICAL FLIP value KO"},
    {HorizontalFlip, &Ui_MainWindow::horizontalFlipButton,
     [](Device& device, bool on) { return device.setHorizontalFlip(on); }, captions::horizontalFlip,
     "Set HORIZONTAL FLIP value OK", "Set HORIZONTAL FLIP value KO"},
    {ColumnCorrection, &Ui_MainWindow::ColumnCorrectionButton,
     [](Device& device, bool on) { return device.setColumnCorrection(on); },
     captions::columnCorrection, "Set column correction value OK",
     "Set column correction value KO"},
    {VignettingCorrection, &Ui_MainWindow::VignettingCorrectionButton,
     [](Device& device, bool on) { return device.setVignettingCorrection(on); },
     captions::vignettingCorrection, "Set vignetting correction value OK",
     "Set vignetting correction value KO"},
    {Shutter, &Ui_MainWindow::shutterCtrlPB,
     [](Device& device, bool closed) { return device.setShutterPosition(closed); },
     captions::shutter, "Set shutter position OK", "Set shutter position KO"},
    {NucEnable, &Ui_MainWindow::nucEnablingButton,
     [](Device& device, bool on) { return device.setNucEnabled(on ? 2 : 0); }, captions::nuc,
     "Set NUC control OK", "Set NUC control value KO"},
    {BprCorrection, &Ui_MainWindow::enableBprPB,
     [](Device& device, bool on) { return device.setBprCorrection(on); }, captions::bprCorrection,
     "Set BPR correction value OK", "Set BPR correction value KO"},
    {OffsetCorrection, &Ui_MainWindow::enableOffsetPB,
     [](Device& device, bool on) { return device.setOffsetCorrection(on); },
     captions::offsetCorrection, "Set Offset correction value OK",
     "Set Offset correction value KO"},
    {GainCorrection, &Ui_MainWindow::enableGainPB,
     [](Device& device, bool on) { return device.setGainCorrection(on); }, captions::gainCorrection,
     "Set Gain correction value OK", "Set Gain correction value KO"},
};

} // namespace

// The click has already toggled the button, so its checked state is the setting asked for. A
// refusal leaves both state and caption as the click left them; a caption that is neither of
// the toggle's two texts was put there by someone else and stays.
void MainWindow::runToggle(int toggle)
{
    const Toggle& row = toggles[toggle];
    Q_ASSERT(row.id == toggle);
    if (!device)
        return;
    QPushButton* button = ui->*row.button;
    const bool on = button->isChecked();
    lastResult = row.send(*device, on);
    if (lastResult) {
        const QString onCaption = tr(row.captions.on);
        const QString offCaption = tr(row.captions.off);
        if (on && button->text() == offCaption)
            button->setText(onCaption);
        else if (!on && button->text() == onCaption)
            button->setText(offCaption);
    }
    logOutcome(lastResult, row.okText, row.koText);
}

void MainWindow::polarityChanged()
{
    runToggle(Polarity);
}

void MainWindow::verticalFlipChanged()
{
    runToggle(VerticalFlip);
}

void MainWindow::horizontalFlipChanged()
{
    runToggle(HorizontalFlip);
}

void MainWindow::columnCorrChanged()
{
    runToggle(ColumnCorrection);
}

void MainWindow::vignettingCorrChanged()
{
    runToggle(VignettingCorrection);
}

void MainWindow::shutterPositionChanged()
{
    runToggle(Shutter);
}

void MainWindow::nucControlRequest()
{
    runToggle(NucEnable);
}

void MainWindow::bprControl()
{
    runToggle(BprCorrection);
}

void MainWindow::offsetControl()
{
    runToggle(OffsetCorrection);
}

void MainWindow::gainControl()
{
    runToggle(GainCorrection);
}
