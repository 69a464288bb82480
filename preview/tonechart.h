// A picture's histogram, its bars over the counts (or levels) they hold, with the curve that maps
// those counts to levels drawn over it, and under them the colour each count is shown in.
#pragma once

#include "tone.h"

#include <QRgb>
#include <QVector>
#include <QWidget>

#include <memory>

class ToneChart : public QWidget
{
    Q_OBJECT

public:
    explicit ToneChart(QWidget* parent = nullptr);

    // Nothing to show when tone is null.
    void setTone(std::shared_ptr<const imaging::Tone> tone, const QVector<QRgb>& colours);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect plotArea() const;
    void paintAxes(QPainter& painter, const QRect& plot) const;
    void paintBars(QPainter& painter, const QRect& plot) const;
    void paintCurve(QPainter& painter, const QRect& plot) const;
    void paintColours(QPainter& painter, const QRect& plot) const;
    // Where a count lies across the plot, and the count at a column of it.
    double xOf(const QRect& plot, double count) const;
    int countAt(const QRect& plot, int x) const;
    // The level of the count at a column.
    int levelAt(const QRect& plot, int x) const;

    std::shared_ptr<const imaging::Tone> tone_;
    QVector<QRgb> colours_;
};
