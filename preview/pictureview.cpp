#include "pictureview.h"

#include "qtcompat.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int probeArm = 6;
constexpr int longStep = 10;
// Dark around the picture, as in any viewer of pictures, so that the picture's own levels stand
// out.
const QColor surround(32, 32, 32);

} // namespace

PictureView::PictureView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

void PictureView::setPicture(const QImage& picture)
{
    const bool sizeChanged = picture.size() != picture_.size();
    picture_ = picture;
    reason_.clear();
    if (sizeChanged)
        setActualSize(actualSize_);
    update();
}

void PictureView::setNoSignal(const QString& reason)
{
    reason_ = reason;
    update();
}

void PictureView::setActualSize(bool actualSize)
{
    actualSize_ = actualSize;
    // In a scroll area, a picture at its own size scrolls; a fitted one follows the viewport.
    setMinimumSize(actualSize_ && !picture_.isNull() ? picture_.size() : QSize(1, 1));
    updateGeometry();
    update();
}

QSize PictureView::sizeHint() const
{
    return picture_.isNull() ? QSize(640, 512) : picture_.size() / (actualSize_ ? 1 : 2);
}

QRect PictureView::pictureArea() const
{
    if (picture_.isNull())
        return {};
    const QSize size =
        actualSize_ ? picture_.size() : picture_.size().scaled(this->size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QPoint PictureView::widgetPosition(QPoint pixel) const
{
    const QRect area = pictureArea();
    if (area.isEmpty())
        return {};
    return {area.x() + int((pixel.x() + 0.5) * area.width() / picture_.width()),
            area.y() + int((pixel.y() + 0.5) * area.height() / picture_.height())};
}

void PictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), surround);
    const QRect area = pictureArea();
    if (hasSignal() && !area.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, !actualSize_);
        painter.drawImage(area, picture_);
        if (probe_.x() >= 0) {
            const QPoint at = widgetPosition(probe_);
            painter.setPen(QPen(Qt::black, 3));
            painter.drawLine(at - QPoint(probeArm, 0), at + QPoint(probeArm, 0));
            painter.drawLine(at - QPoint(0, probeArm), at + QPoint(0, probeArm));
            painter.setPen(QPen(Qt::white, 1));
            painter.drawLine(at - QPoint(probeArm, 0), at + QPoint(probeArm, 0));
            painter.drawLine(at - QPoint(0, probeArm), at + QPoint(0, probeArm));
        }
    }
    if (!hasSignal()) {
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 2);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, tr("No signal"));
    }
}

void PictureView::mouseMoveEvent(QMouseEvent* event)
{
    const QRect area = pictureArea();
    const QPoint pointer = qtcompat::pointerPosition(*event);
    if (area.isEmpty() || !area.contains(pointer))
        return;
    const QPoint at = pointer - area.topLeft();
    moveProbe({int(qint64(at.x()) * picture_.width() / area.width()),
               int(qint64(at.y()) * picture_.height() / area.height())});
}

void PictureView::keyPressEvent(QKeyEvent* event)
{
    const int step = event->modifiers() & Qt::ShiftModifier ? longStep : 1;
    QPoint move;
    switch (event->key()) {
    case Qt::Key_Left:
        move = {-step, 0};
        break;
    case Qt::Key_Right:
        move = {step, 0};
        break;
    case Qt::Key_Up:
        move = {0, -step};
        break;
    case Qt::Key_Down:
        move = {0, step};
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (picture_.isNull())
        return;
    const QPoint from =
        probe_.x() < 0 ? QPoint(picture_.width() / 2, picture_.height() / 2) : probe_ + move;
    moveProbe(from);
}

void PictureView::moveProbe(QPoint pixel)
{
    probe_ = {std::clamp(pixel.x(), 0, picture_.width() - 1),
              std::clamp(pixel.y(), 0, picture_.height() - 1)};
    update();
    emit probeMoved(probe_);
}
