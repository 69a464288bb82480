#include "measurementpanel.h"

#include "ui_measurementpanel.h"

namespace {

QString place(const cv::Rect& area)
{
    return MeasurementPanel::tr("x %1, y %2, %3 × %4")
        .arg(area.x)
        .arg(area.y)
        .arg(area.width)
        .arg(area.height);
}

} // namespace

MeasurementPanel::MeasurementPanel(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::MeasurementPanel>())
{
    ui_->setupUi(this);
    connect(ui_->copyButton, &QPushButton::clicked, this, &MeasurementPanel::copyRequested);
    connect(ui_->clearBoxButton, &QPushButton::clicked, this, &MeasurementPanel::clearBoxRequested);
    showReadings({});
}

MeasurementPanel::~MeasurementPanel() = default;

QWidget* MeasurementPanel::copyButton() const
{
    return ui_->copyButton;
}

QWidget* MeasurementPanel::clearBoxButton() const
{
    return ui_->clearBoxButton;
}

QString MeasurementPanel::readout(const QString& region, const imaging::Statistics& statistics,
                                  bool counts)
{
    return tr("%1: %2 min %3, max %4, mean %5, standard deviation %6")
        .arg(region, counts ? tr("raw counts") : tr("levels"))
        .arg(statistics.minimum)
        .arg(statistics.maximum)
        .arg(statistics.mean, 0, 'f', 1)
        .arg(statistics.deviation, 0, 'f', 1);
}

void MeasurementPanel::showReadings(const imaging::Readings& readings)
{
    const imaging::Regions& regions = readings.regions;
    spotText_.clear();
    boxText_.clear();
    if (readings.spot) {
        // At the picture's edge the spot holds only the pixels there.
        const cv::Rect& measured = readings.spot->area;
        const QString spot = tr("Spot %1 × %2 at x %3, y %4")
                                 .arg(measured.width)
                                 .arg(measured.height)
                                 .arg(regions.spot.x)
                                 .arg(regions.spot.y);
        spotText_ = readout(spot, *readings.spot, readings.counts);
    }
    if (readings.box) {
        QString box = tr("Box %1").arg(place(regions.box));
        // Zoomed or turned, the box shows other sensor pixels than its own place says.
        if (readings.counts && readings.box->area != regions.box)
            box += tr(" (sensor %1)").arg(place(readings.box->area));
        boxText_ = readout(box, *readings.box, readings.counts);
    }
    ui_->spotReadout->setText(
        readings.spot ? spotText_
                      : tr("Spot: point at the picture, or move the probe over it with the arrow "
                           "keys"));
    ui_->boxReadout->setText(readings.box ? boxText_
                                          : tr("Box: drag over the picture, or press Return on it "
                                               "at one corner and again at the other"));
}

void MeasurementPanel::setBoxShown(bool shown)
{
    ui_->clearBoxButton->setEnabled(shown);
}

QString MeasurementPanel::text() const
{
    QStringList lines;
    for (const QString& line : {spotText_, boxText_}) {
        if (!line.isEmpty())
            lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}
