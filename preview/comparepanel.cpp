#include "comparepanel.h"

#include "settingvalues.h"
#include "ui_comparepanel.h"

#include <QTime>

ComparePanel::ComparePanel(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ComparePanel>())
{
    ui_->setupUi(this);
}

ComparePanel::~ComparePanel() = default;

CompareView* ComparePanel::view() const
{
    return ui_->compareView;
}

QString ComparePanel::changes() const
{
    return ui_->changesLabel->text();
}

void ComparePanel::hold(const Frame& frame, const QVector<QRgb>& colours)
{
    held_ = frame;
    live_ = frame;
    colours_ = colours;
    heldCaption_ = tr("Held %1").arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    ui_->compareView->setHeld(coloured(held_), heldCaption_);
    ui_->compareView->setLive(coloured(live_));
    describeChanges();
}

void ComparePanel::showLive(const Frame& frame)
{
    live_ = frame;
    ui_->compareView->setLive(coloured(live_));
    describeChanges();
}

void ComparePanel::setColours(const QVector<QRgb>& colours)
{
    colours_ = colours;
    ui_->compareView->setHeld(coloured(held_), heldCaption_);
    ui_->compareView->setLive(coloured(live_));
}

QImage ComparePanel::coloured(const Frame& frame) const
{
    if (!frame.picture)
        return QImage();
    const cv::Mat& levels = frame.picture->levels;
    // A copy of its own, so the image outlives the frame.
    QImage image =
        QImage(levels.data, levels.cols, levels.rows, int(levels.step), QImage::Format_Indexed8)
            .copy();
    image.setColorTable(colours_);
    return image;
}

void ComparePanel::describeChanges()
{
    QString text;
    if (!live_.picture) {
        text = tr("No signal: the live picture shows again when it is back");
    } else if (!held_.camera || !live_.camera) {
        text = tr("Settings unknown: a capture device's video does not carry the camera's "
                  "settings");
    } else {
        const QStringList changed = settingChanges(*held_.camera, *live_.camera);
        text = changed.isEmpty()
                   ? tr("No setting changed since the held frame")
                   : tr("Changed since the held frame: %1").arg(changed.join(QStringLiteral(", ")));
    }
    if (text == ui_->changesLabel->text())
        return;
    ui_->changesLabel->setText(text);
    // A screen reader speaks the pictures' description as it changes.
    ui_->compareView->setAccessibleDescription(text);
}
