#include "colourscale.h"

#include <QImage>
#include <QPainter>

namespace {

constexpr int barWidth = 16;
constexpr int gap = 4;
const int markedLevels[] = {255, 128, 0};

QString markText(const imaging::ScaleMark& mark, bool tiled)
{
    // In tiles, CLAHE moves every count's level about: the marks are those of its linear part.
    if (tiled)
        return ColourScale::tr("≈ %1").arg(mark.count);
    switch (mark.bound) {
    case imaging::ScaleMark::Bound::AtMost:
        return ColourScale::tr("≤ %1").arg(mark.count);
    case imaging::ScaleMark::Bound::AtLeast:
        return ColourScale::tr("≥ %1").arg(mark.count);
    case imaging::ScaleMark::Bound::About:
        break;
    }
    return QString::number(mark.count);
}

} // namespace

ColourScale::ColourScale(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

QSize ColourScale::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return {barWidth + 2 * gap + metrics.horizontalAdvance(QStringLiteral("≥ 65535")),
            8 * metrics.height()};
}

QSize ColourScale::minimumSizeHint() const
{
    return {sizeHint().width(), 4 * fontMetrics().height()};
}

void ColourScale::setScale(const std::shared_ptr<const imaging::Tone>& tone,
                           const QVector<QRgb>& colours)
{
    // Set with every frame: painted again only when what it shows changes.
    const bool changed = colours != colours_;
    colours_ = colours;
    QStringList marks;
    if (tone && tone->curve.empty()) {
        for (const int level : markedLevels)
            marks << QString::number(level);
    } else if (tone) {
        for (const int level : markedLevels)
            marks << markText(imaging::scaleMark(tone->curve, level), tone->tiled);
    }
    const QString unit = !tone ? QString() : tone->curve.empty() ? tr("levels") : tr("counts");
    if (marks != marks_ || unit != unit_) {
        marks_ = marks;
        unit_ = unit;
        // The marks are painted: a screen reader hears them from the description.
        const QString said = marks_.isEmpty()
                                 ? QString()
                                 : tr("The palette's colours, and the %1 they stand for: %2 at the "
                                      "top, %3 in the middle, %4 at the bottom")
                                       .arg(unit_, marks_[0], marks_[1], marks_[2]);
        setToolTip(said);
        setAccessibleDescription(said);
    } else if (!changed) {
        return;
    }
    update();
}

QRect ColourScale::barArea() const
{
    const int half = fontMetrics().height() / 2;
    // Under the unit's line, with room for the top and bottom marks to centre on the bar's ends.
    return {gap, fontMetrics().height() + gap + half, barWidth,
            height() - fontMetrics().height() - gap - 2 * half};
}

void ColourScale::paintEvent(QPaintEvent*)
{
    if (marks_.isEmpty() || colours_.isEmpty())
        return;
    QPainter painter(this);
    const QRect bar = barArea();
    if (bar.height() < 2)
        return;
    // Level 255 at the top, level 0 at the bottom: one image stretched, not a line a row.
    QImage strip(1, int(colours_.size()), QImage::Format_RGB32);
    for (int level = 0; level < strip.height(); ++level)
        strip.setPixel(0, strip.height() - 1 - level, colours_.at(level));
    painter.drawImage(bar, strip);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    const QFontMetrics metrics = painter.fontMetrics();
    painter.drawText(QRect(0, 0, width(), metrics.height()), Qt::AlignLeft, unit_);
    const int left = bar.right() + gap;
    const int ys[] = {bar.top(), bar.center().y(), bar.bottom()};
    for (int index = 0; index < 3; ++index) {
        painter.drawLine(bar.right() - 3, ys[index], bar.right() + 2, ys[index]);
        painter.drawText(
            QRect(left, ys[index] - metrics.height() / 2, width() - left, metrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter, marks_[index]);
    }
}
