// The camera's picture, fitted to the widget with its aspect ratio kept or at one screen pixel a
// picture pixel, or "No signal". A probe marks one picture pixel: the one under the pointer, or,
// from the keyboard, one moved with the arrow keys. A box to measure is dragged with the mouse,
// or from the keyboard set at the probe by Return at one corner and Return at the other. The
// settings can be drawn over the picture.
#pragma once

#include "overlays.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <optional>

class QAction;

class PictureView : public QWidget
{
    Q_OBJECT

public:
    explicit PictureView(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    void setNoSignal(const QString& reason);
    void setActualSize(bool actualSize);
    bool hasSignal() const { return reason_.isNull(); }

    // The probe's picture pixel; (-1, -1) when there is none.
    QPoint probe() const { return probe_; }
    // Where a picture pixel is drawn in the widget.
    QPoint widgetPosition(QPoint pixel) const;

    // The box measured, in picture pixels; empty when there is none.
    QRect box() const { return box_; }
    void clearBox();
    // Drawn over the picture until the next call; nothing when empty.
    void setOverlays(const std::optional<imaging::Overlays>& overlays);

    QSize sizeHint() const override;

signals:
    void probeMoved(QPoint pixel);
    // While it is drawn, and when it is cleared.
    void boxChanged(QRect box);
    // The operator let go of the box: its readout is worth a word.
    void boxDrawn();
    void copyRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect pictureArea() const;
    // Where a picture area is drawn in the widget.
    QRectF widgetArea(const QRectF& pixels) const;
    // The picture pixel under a point of the widget, taken to the nearest edge when outside.
    QPoint pixelAt(QPoint pointer) const;
    void moveProbe(QPoint pixel);
    void setBox(const QRect& box);
    void drawBoxTo(QPoint pixel);
    void endBox();
    void paintOverlays(QPainter& painter) const;
    void paintProbe(QPainter& painter) const;
    void paintBox(QPainter& painter) const;

    QImage picture_;
    QString reason_;
    bool actualSize_ = false;
    QPoint probe_{-1, -1};
    QRect box_;
    QPoint anchor_{-1, -1}; // the box's first corner while it is drawn
    bool drawing_ = false;
    std::optional<imaging::Overlays> overlays_;
    QAction* copyAction_;
    QAction* clearBoxAction_;
};
