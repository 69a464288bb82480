#include "tonechart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr int levelTop = 255;
constexpr int stripHeight = 8;
constexpr int gap = 3;

} // namespace

ToneChart::ToneChart(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

QSize ToneChart::sizeHint() const
{
    return {240, 200};
}

QSize ToneChart::minimumSizeHint() const
{
    return {180, 120};
}

void ToneChart::setTone(std::shared_ptr<const imaging::Tone> tone, const QVector<QRgb>& colours)
{
    tone_ = std::move(tone);
    colours_ = colours;
    update();
}

QRect ToneChart::plotArea() const
{
    const QFontMetrics metrics = fontMetrics();
    const int left = metrics.horizontalAdvance(QStringLiteral("255")) + 2 * gap;
    const int bottom = stripHeight + gap + metrics.height() + gap;
    return rect().adjusted(left, metrics.height() / 2, -metrics.horizontalAdvance('0'), -bottom);
}

double ToneChart::xOf(const QRect& plot, double count) const
{
    const imaging::BinnedHistogram& histogram = tone_->histogram;
    const double span = histogram.high() + 1 - histogram.low;
    return plot.left() + (count - histogram.low) * plot.width() / span;
}

int ToneChart::countAt(const QRect& plot, int x) const
{
    const imaging::BinnedHistogram& histogram = tone_->histogram;
    const double span = histogram.high() + 1 - histogram.low;
    return histogram.low + int((x - plot.left() + 0.5) * span / plot.width());
}

int ToneChart::levelAt(const QRect& plot, int x) const
{
    // By the curve; levels that came as they are show at their own level.
    const int count = countAt(plot, x);
    if (tone_->curve.empty())
        return std::clamp(count, 0, levelTop);
    return tone_->curve[std::size_t(std::clamp(count, 0, int(tone_->curve.size()) - 1))];
}

void ToneChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QRect plot = plotArea();
    if (!tone_ || tone_->histogram.bins.empty() || plot.width() < 2 || plot.height() < 2) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect(), Qt::AlignCenter, tr("No picture"));
        return;
    }
    paintBars(painter, plot);
    paintAxes(painter, plot);
    paintCurve(painter, plot);
    paintColours(painter, plot);
}

void ToneChart::paintAxes(QPainter& painter, const QRect& plot) const
{
    const QColor text = palette().color(QPalette::Text);
    const QFontMetrics metrics = painter.fontMetrics();
    // The levels' axis is the curve's: levels that came as they are have none.
    if (!tone_->curve.empty()) {
        QColor grid = text;
        grid.setAlpha(48);
        for (const int level : {0, 128, levelTop}) {
            const int y = plot.bottom() - level * plot.height() / levelTop;
            painter.setPen(grid);
            painter.drawLine(plot.left(), y, plot.right(), y);
            painter.setPen(text);
            const QRect label(0, y - metrics.height() / 2, plot.left() - gap, metrics.height());
            painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(level));
        }
    }
    painter.setPen(text);
    painter.drawLine(plot.left(), plot.bottom(), plot.right(), plot.bottom());
    // The counts at both ends and in the middle, under the colours.
    const imaging::BinnedHistogram& histogram = tone_->histogram;
    const int top = plot.bottom() + gap + stripHeight + gap;
    const QRect row(plot.left(), top, plot.width(), metrics.height());
    painter.drawText(row, Qt::AlignLeft, QString::number(histogram.low));
    painter.drawText(row, Qt::AlignHCenter,
                     QString::number((histogram.low + histogram.high()) / 2));
    painter.drawText(row, Qt::AlignRight, QString::number(histogram.high()));
}

void ToneChart::paintBars(QPainter& painter, const QRect& plot) const
{
    const imaging::BinnedHistogram& histogram = tone_->histogram;
    const std::int64_t tallest = *std::max_element(histogram.bins.begin(), histogram.bins.end());
    if (tallest == 0)
        return;
    QColor bar = palette().color(QPalette::Highlight);
    bar.setAlpha(150);
    for (std::size_t index = 0; index < histogram.bins.size(); ++index) {
        const int first = histogram.low + int(index) * histogram.binWidth;
        const double left = xOf(plot, first);
        const double right = xOf(plot, first + histogram.binWidth);
        const double height = double(histogram.bins[index]) * plot.height() / double(tallest);
        painter.fillRect(
            QRectF(left, plot.bottom() + 1 - height, std::max(right - left, 1.0), height), bar);
    }
}

void ToneChart::paintCurve(QPainter& painter, const QRect& plot) const
{
    if (tone_->curve.empty())
        return;
    QPainterPath path;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        const double y = plot.bottom() - double(levelAt(plot, x)) * plot.height() / levelTop;
        if (x == plot.left())
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Base), 4));
    painter.drawPath(path);
    painter.setPen(QPen(palette().color(QPalette::Text), 2));
    painter.drawPath(path);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void ToneChart::paintColours(QPainter& painter, const QRect& plot) const
{
    if (colours_.size() <= levelTop)
        return;
    const int top = plot.bottom() + gap;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        painter.setPen(QColor(colours_.at(levelAt(plot, x))));
        painter.drawLine(x, top, x, top + stripHeight - 1);
    }
}
