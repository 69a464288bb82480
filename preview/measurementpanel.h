// The readouts of the spot about the probe and of the box drawn on the picture, each with its
// least, greatest and mean value and standard deviation, and the buttons that copy them as text
// and clear the box.
#pragma once

#include "measurement.h"

#include <QWidget>

#include <memory>

namespace Ui {
class MeasurementPanel;
}

class MeasurementPanel : public QWidget
{
    Q_OBJECT

public:
    explicit MeasurementPanel(QWidget* parent = nullptr);
    ~MeasurementPanel() override;

    // The readings of a frame; nothing read (no signal) when empty.
    void showReadings(const imaging::Readings& readings);
    void setBoxShown(bool shown);

    // What the readouts say, one a line: what Copy copies.
    QString text() const;
    QString boxText() const { return boxText_; }

    // Its controls, for the window's tab order.
    QWidget* copyButton() const;
    QWidget* clearBoxButton() const;

    // A region's readout: where it is, in the picture's pixels and, where they differ, the
    // sensor's, and its statistics.
    static QString readout(const QString& region, const imaging::Statistics& statistics,
                           bool counts);

signals:
    void copyRequested();
    void clearBoxRequested();

private:
    std::unique_ptr<Ui::MeasurementPanel> ui_;
    QString spotText_; // empty while nothing is measured there
    QString boxText_;
};
