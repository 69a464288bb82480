#include "tonepanel.h"

#include "ui_tonepanel.h"

namespace {

using Basis = imaging::Tone::Basis;

QString title(const imaging::Tone& tone)
{
    switch (tone.basis) {
    case Basis::Roi:
        return TonePanel::tr("Counts inside the ROI, and their levels");
    case Basis::WholePicture:
        return TonePanel::tr("The whole picture's counts, and their levels");
    case Basis::Levels:
        break;
    }
    return TonePanel::tr("Levels as they arrive");
}

QString note(const imaging::Tone& tone, bool settingsKnown)
{
    if (!settingsKnown) {
        return tone.curve.empty()
                   ? TonePanel::tr("The camera's contrast, gamma and polarity made these levels "
                                   "before they arrived; from a capture device they are unknown.")
                   : TonePanel::tr("The camera's settings are unknown from a capture device. The "
                                   "curve is the preview's own stretch, from the 1st to the 99th "
                                   "percentile.");
    }
    if (tone.tiled)
        return TonePanel::tr("CLAHE in tiles: the curve is its linear part. Each of the 8 × 8 "
                             "tiles then equalises its own levels further.");
    if (tone.basis == Basis::WholePicture)
        return TonePanel::tr("This tap shows its counts stretched from their 1st to their 99th "
                             "percentile; the ROI, contrast, gamma and polarity act from LUT "
                             "CORRECTION on.");
    return QString();
}

// Set only on a change: the panel follows every frame.
void say(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
    label->setVisible(!text.isEmpty());
}

} // namespace

TonePanel::TonePanel(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TonePanel>())
{
    ui_->setupUi(this);
    showTone(nullptr, true, {});
}

TonePanel::~TonePanel() = default;

void TonePanel::showTone(const std::shared_ptr<const imaging::Tone>& tone, bool settingsKnown,
                         const QVector<QRgb>& colours)
{
    ui_->toneChart->setTone(tone, colours);
    say(ui_->toneTitle, tone ? title(*tone) : tr("Histogram and tone curve"));
    say(ui_->toneNote, tone ? note(*tone, settingsKnown) : QString());
    // What the chart shows, in words; not its figures, which change with every frame.
    const QString description =
        (ui_->toneTitle->text() + QLatin1Char(' ') + ui_->toneNote->text()).trimmed();
    if (ui_->toneChart->accessibleDescription() != description)
        ui_->toneChart->setAccessibleDescription(description);
}
