#include "compareview.h"

#include "qtcompat.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int gap = 8;
constexpr int captionMargin = 6;
constexpr int longStep = 10;
constexpr int handleHalf = 12;
// As the picture's own surround.
const QColor surround(32, 32, 32);

// A caption on a dark band, legible on any part of any picture.
void caption(QPainter& painter, const QRect& area, const QString& text, Qt::Alignment side)
{
    const QFontMetrics metrics = painter.fontMetrics();
    QRect band(0, 0, metrics.horizontalAdvance(text) + 2 * captionMargin,
               metrics.height() + captionMargin);
    band.moveTop(area.top());
    if (side & Qt::AlignRight)
        band.moveRight(area.right());
    else
        band.moveLeft(area.left());
    painter.fillRect(band, QColor(0, 0, 0, 160));
    painter.setPen(Qt::white);
    painter.drawText(band, Qt::AlignCenter, text);
}

} // namespace

CompareView::CompareView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

void CompareView::setHeld(const QImage& picture, const QString& caption)
{
    held_ = picture;
    heldCaption_ = caption;
    update();
}

void CompareView::setLive(const QImage& picture)
{
    live_ = picture;
    update();
}

void CompareView::setArrangement(Arrangement arrangement)
{
    arrangement_ = arrangement;
    setCursor(arrangement_ == Arrangement::Split ? Qt::SplitHCursor : Qt::ArrowCursor);
    update();
}

void CompareView::setSplit(double share)
{
    split_ = std::clamp(share, 0.0, 1.0);
    update();
}

QSize CompareView::sizeHint() const
{
    return QSize(640, 512);
}

QRect CompareView::fitted(const QImage& picture, const QRect& room) const
{
    if (picture.isNull() || room.isEmpty())
        return room;
    const QSize size = picture.size().scaled(room.size(), Qt::KeepAspectRatio);
    return QRect(room.x() + (room.width() - size.width()) / 2,
                 room.y() + (room.height() - size.height()) / 2, size.width(), size.height());
}

void CompareView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), surround);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (arrangement_ == Arrangement::Split)
        paintSplit(painter);
    else
        paintSideBySide(painter);
    if (hasFocus()) {
        // An outline only: the split's handle leaves a brush that would fill the pictures over.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().highlight(), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

// Beside each other in a wide view, one above the other in a tall one: whichever shows them larger.
void CompareView::paintSideBySide(QPainter& painter)
{
    const int halfWidth = (width() - gap) / 2;
    const int halfHeight = (height() - gap) / 2;
    const bool stacked = fitted(held_, QRect(0, 0, width(), halfHeight)).width() >
                         fitted(held_, QRect(0, 0, halfWidth, height())).width();
    const QRect first =
        stacked ? QRect(0, 0, width(), halfHeight) : QRect(0, 0, halfWidth, height());
    const QRect second = stacked ? QRect(0, height() - halfHeight, width(), halfHeight)
                                 : QRect(width() - halfWidth, 0, halfWidth, height());
    const QRect heldArea = fitted(held_, first);
    painter.drawImage(heldArea, held_);
    caption(painter, heldArea, heldCaption_, Qt::AlignLeft);
    if (live_.isNull()) {
        painter.setPen(Qt::white);
        painter.drawText(second, Qt::AlignCenter, tr("No signal"));
        return;
    }
    const QRect liveArea = fitted(live_, second);
    painter.drawImage(liveArea, live_);
    caption(painter, liveArea, tr("Live"), Qt::AlignLeft);
}

// One place for both pictures: the held frame's, which stays while the live one may change size.
void CompareView::paintSplit(QPainter& painter)
{
    const QRect area = fitted(held_, rect());
    const int x = area.left() + int(split_ * area.width());
    painter.save();
    painter.setClipRect(QRect(area.left(), area.top(), x - area.left(), area.height()));
    painter.drawImage(area, held_);
    painter.setClipRect(QRect(x, area.top(), area.right() + 1 - x, area.height()));
    if (live_.isNull()) {
        painter.fillRect(area, surround);
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, tr("No signal"));
    } else {
        painter.drawImage(area, live_);
    }
    painter.restore();
    // The split: a light line on a dark one, and a handle to take it by.
    painter.setPen(QPen(Qt::black, 3));
    painter.drawLine(x, area.top(), x, area.bottom());
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(x, area.top(), x, area.bottom());
    const QRect handle(x - handleHalf / 2, area.center().y() - handleHalf, handleHalf,
                       2 * handleHalf);
    painter.setBrush(Qt::white);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRoundedRect(handle, 3, 3);
    caption(painter, area, heldCaption_, Qt::AlignLeft);
    caption(painter, area, tr("Live"), Qt::AlignRight);
}

void CompareView::splitAt(int x)
{
    const QRect area = fitted(held_, rect());
    if (arrangement_ != Arrangement::Split || area.isEmpty())
        return;
    setSplit(double(x - area.left()) / area.width());
}

void CompareView::mousePressEvent(QMouseEvent* event)
{
    splitAt(qtcompat::pointerPosition(*event).x());
}

void CompareView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        splitAt(qtcompat::pointerPosition(*event).x());
}

void CompareView::keyPressEvent(QKeyEvent* event)
{
    const int steps = event->modifiers() & Qt::ShiftModifier ? longStep : 1;
    if (arrangement_ == Arrangement::Split && event->key() == Qt::Key_Left)
        setSplit(split_ - steps * keyStep);
    else if (arrangement_ == Arrangement::Split && event->key() == Qt::Key_Right)
        setSplit(split_ + steps * keyStep);
    else
        QWidget::keyPressEvent(event);
}
