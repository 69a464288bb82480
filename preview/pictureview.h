// The camera's picture, fitted to the widget with its aspect ratio kept or at one screen pixel a
// picture pixel, or "No signal". A probe marks one picture pixel: the one under the pointer, or,
// from the keyboard, one moved with the arrow keys.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

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

    QSize sizeHint() const override;

signals:
    void probeMoved(QPoint pixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect pictureArea() const;
    void moveProbe(QPoint pixel);

    QImage picture_;
    QString reason_;
    bool actualSize_ = false;
    QPoint probe_{-1, -1};
};
