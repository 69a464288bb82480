// The panel beside the picture that says why its levels are what they are: the histogram of the
// counts the contrast was made from, the curve from counts to levels, and what they stand for at
// the tap shown, or for a capture device what can and cannot be known.
#pragma once

#include "tone.h"

#include <QRgb>
#include <QVector>
#include <QWidget>

#include <memory>

namespace Ui {
class TonePanel;
}

class TonePanel : public QWidget
{
    Q_OBJECT

public:
    explicit TonePanel(QWidget* parent = nullptr);
    ~TonePanel() override;

    // A frame's tone; settingsKnown: whether the source knows the camera's settings (a capture
    // device does not). Nothing shown when tone is null.
    void showTone(const std::shared_ptr<const imaging::Tone>& tone, bool settingsKnown,
                  const QVector<QRgb>& colours);

private:
    std::unique_ptr<Ui::TonePanel> ui_;
};
