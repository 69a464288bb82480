#include "pictureview.h"

#include "qtcompat.h"

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int probeArm = 6;
constexpr int centreArm = 8;
constexpr int longStep = 10;
// Dark around the picture, as in any viewer of pictures, so that the picture's own levels stand
// out.
const QColor surround(32, 32, 32);

QRectF pixels(const cv::Rect& area)
{
    return QRectF(area.x, area.y, area.width, area.height);
}

// A light line over a dark one shows on any part of the picture, in any palette.
void drawOutline(QPainter& painter, const QRectF& area, QRgb colour)
{
    // Through the middle of the area's outer pixels where one screen pixel shows one of them.
    const QRectF line = area.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(QColor(imaging::edgeColour), 3));
    painter.drawRect(line);
    painter.setPen(QPen(QColor(colour), 1));
    painter.drawRect(line);
}

// Inside the area's top left corner, or just above it, where it leaves what is inside in view.
void drawLabel(QPainter& painter, const QRectF& area, const QString& text, QRgb colour,
               bool above = false)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const QPointF corner = above && area.top() > metrics.height()
                               ? area.topLeft() + QPointF(1, -metrics.descent() - 2)
                               : area.topLeft() + QPointF(4, metrics.ascent() + 3);
    painter.setPen(QColor(imaging::edgeColour));
    painter.drawText(corner + QPointF(1, 1), text);
    painter.setPen(QColor(colour));
    painter.drawText(corner, text);
}

void drawCross(QPainter& painter, QPointF at, int arm, QRgb colour)
{
    for (const auto& [pen, width] :
         {std::pair(QRgb(imaging::edgeColour), 3), std::pair(colour, 1)}) {
        painter.setPen(QPen(QColor(pen), width));
        painter.drawLine(at - QPointF(arm, 0), at + QPointF(arm, 0));
        painter.drawLine(at - QPointF(0, arm), at + QPointF(0, arm));
    }
}

} // namespace

PictureView::PictureView(QWidget* parent)
    : QWidget(parent), copyAction_(new QAction(tr("&Copy measurements"), this)),
      clearBoxAction_(new QAction(tr("C&lear box"), this))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
    // Ctrl+C copies the measurements from anywhere in the window; a readout's own selection is
    // copied by the readout, which takes the key first.
    copyAction_->setShortcut(QKeySequence::Copy);
    copyAction_->setShortcutContext(Qt::WindowShortcut);
    clearBoxAction_->setShortcut(Qt::Key_Delete);
    clearBoxAction_->setShortcutContext(Qt::WidgetShortcut);
    clearBoxAction_->setEnabled(false);
    connect(copyAction_, &QAction::triggered, this, &PictureView::copyRequested);
    connect(clearBoxAction_, &QAction::triggered, this, &PictureView::clearBox);
    addAction(copyAction_);
    addAction(clearBoxAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PictureView::setPicture(const QImage& picture)
{
    const bool sizeChanged = picture.size() != picture_.size();
    picture_ = picture;
    reason_.clear();
    if (sizeChanged) {
        setActualSize(actualSize_);
        // What is left of a box on a picture of another size is still a box on it.
        drawing_ = false;
        setBox(box_ & picture_.rect());
    }
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

void PictureView::clearBox()
{
    drawing_ = false;
    setBox(QRect());
}

void PictureView::setOverlays(const std::optional<imaging::Overlays>& overlays)
{
    overlays_ = overlays;
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

QRectF PictureView::widgetArea(const QRectF& area) const
{
    const QRect shown = pictureArea();
    const double xScale = double(shown.width()) / picture_.width();
    const double yScale = double(shown.height()) / picture_.height();
    return QRectF(shown.x() + area.x() * xScale, shown.y() + area.y() * yScale,
                  area.width() * xScale, area.height() * yScale);
}

QPoint PictureView::widgetPosition(QPoint pixel) const
{
    if (pictureArea().isEmpty())
        return {};
    return widgetArea(QRectF(pixel, QSizeF(1, 1))).center().toPoint();
}

QPoint PictureView::pixelAt(QPoint pointer) const
{
    const QRect area = pictureArea();
    const QPoint at = pointer - area.topLeft();
    return {
        std::clamp(int(qint64(at.x()) * picture_.width() / area.width()), 0, picture_.width() - 1),
        std::clamp(int(qint64(at.y()) * picture_.height() / area.height()), 0,
                   picture_.height() - 1)};
}

void PictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), surround);
    const QRect area = pictureArea();
    if (hasSignal() && !area.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, !actualSize_);
        painter.drawImage(area, picture_);
        painter.setClipRect(area);
        paintOverlays(painter);
        paintBox(painter);
        paintProbe(painter);
    }
    if (!hasSignal()) {
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 2);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, tr("No signal"));
    }
}

void PictureView::paintOverlays(QPainter& painter) const
{
    if (!overlays_)
        return;
    const imaging::Overlays& overlays = *overlays_;
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const QRectF roi = widgetArea(pixels(overlays.roi));
    drawOutline(painter, roi, imaging::roiColour);
    drawLabel(painter, roi, tr("ROI"), imaging::roiColour);
    if (!overlays.zoomWindow.empty()) {
        const QRectF window = widgetArea(pixels(overlays.zoomWindow));
        drawOutline(painter, window, imaging::zoomColour);
        drawLabel(painter, window, tr("Zoom"), imaging::zoomColour);
    }
    if (overlays.zoomCentre.x >= 0) {
        const QPoint centre(overlays.zoomCentre.x, overlays.zoomCentre.y);
        drawCross(painter, widgetArea(QRectF(centre, QSizeF(1, 1))).center(), centreArm,
                  imaging::zoomColour);
    }
    for (std::size_t index = 0; index < overlays.boxes.size(); ++index) {
        const QRectF box = widgetArea(pixels(overlays.boxes[index]));
        drawOutline(painter, box, imaging::detectionColour);
        drawLabel(painter, box, QString::number(index + 1), imaging::detectionColour, true);
    }
}

void PictureView::paintBox(QPainter& painter) const
{
    if (box_.isEmpty())
        return;
    const QRectF line = widgetArea(QRectF(box_)).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(line);
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.drawRect(line);
}

void PictureView::paintProbe(QPainter& painter) const
{
    if (probe_.x() < 0)
        return;
    drawCross(painter, widgetPosition(probe_), probeArm, qRgb(255, 255, 255));
}

void PictureView::mousePressEvent(QMouseEvent* event)
{
    const QPoint pointer = qtcompat::pointerPosition(*event);
    if (event->button() != Qt::LeftButton || !pictureArea().contains(pointer)) {
        QWidget::mousePressEvent(event);
        return;
    }
    drawing_ = false;
    anchor_ = pixelAt(pointer);
}

void PictureView::mouseMoveEvent(QMouseEvent* event)
{
    const QRect area = pictureArea();
    const QPoint pointer = qtcompat::pointerPosition(*event);
    if (area.isEmpty())
        return;
    // A box is dragged from the anchor, to the edge of the picture where the pointer leaves it.
    const bool dragging = (event->buttons() & Qt::LeftButton) && anchor_.x() >= 0;
    if (!dragging && !area.contains(pointer))
        return;
    const QPoint pixel = pixelAt(pointer);
    moveProbe(pixel);
    if (dragging && (drawing_ || pixel != anchor_)) {
        drawing_ = true;
        drawBoxTo(pixel);
    }
}

void PictureView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    // A click without a drag leaves the box as it was.
    if (drawing_)
        endBox();
    anchor_ = {-1, -1};
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
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (picture_.isNull())
            return;
        if (drawing_) {
            endBox();
            return;
        }
        if (probe_.x() < 0)
            moveProbe({picture_.width() / 2, picture_.height() / 2});
        drawing_ = true;
        anchor_ = probe_;
        drawBoxTo(probe_);
        return;
    case Qt::Key_Escape:
        if (drawing_ || !box_.isEmpty()) {
            clearBox();
            return;
        }
        QWidget::keyPressEvent(event);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (picture_.isNull())
        return;
    const QPoint from =
        probe_.x() < 0 ? QPoint(picture_.width() / 2, picture_.height() / 2) : probe_ + move;
    moveProbe(from);
    if (drawing_)
        drawBoxTo(probe_);
}

void PictureView::moveProbe(QPoint pixel)
{
    probe_ = {std::clamp(pixel.x(), 0, picture_.width() - 1),
              std::clamp(pixel.y(), 0, picture_.height() - 1)};
    update();
    emit probeMoved(probe_);
}

void PictureView::setBox(const QRect& box)
{
    clearBoxAction_->setEnabled(!box.isEmpty());
    if (box == box_)
        return;
    box_ = box;
    update();
    emit boxChanged(box_);
}

void PictureView::drawBoxTo(QPoint pixel)
{
    // The anchor may lie on a picture of another size, one the stream has since left: the box is
    // what of it lies on this one.
    setBox(QRect(QPoint(std::min(anchor_.x(), pixel.x()), std::min(anchor_.y(), pixel.y())),
                 QPoint(std::max(anchor_.x(), pixel.x()), std::max(anchor_.y(), pixel.y()))) &
           picture_.rect());
}

void PictureView::endBox()
{
    drawing_ = false;
    anchor_ = {-1, -1};
    emit boxDrawn();
}
