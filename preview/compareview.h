// A held frame and the live picture together: side by side (or one above the other, where that
// shows them larger), each fitted to its half, or as one
// picture split where the operator puts the split, the held frame left of it and the live picture
// right. The split follows the pointer while a button is down on the picture, and the Left and
// Right keys (with Shift, ten times as far).
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class CompareView : public QWidget
{
    Q_OBJECT

public:
    enum class Arrangement { SideBySide, Split };

    explicit CompareView(QWidget* parent = nullptr);

    void setHeld(const QImage& picture, const QString& caption);
    // A null picture: no signal now.
    void setLive(const QImage& picture);
    void setArrangement(Arrangement arrangement);
    Arrangement arrangement() const { return arrangement_; }

    // Where the split lies, as a share of the picture's width from its left edge.
    double split() const { return split_; }
    void setSplit(double share);

    QSize sizeHint() const override;

    // A step of the Left and Right keys, as a share of the picture's width.
    static constexpr double keyStep = 0.01;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect fitted(const QImage& picture, const QRect& room) const;
    void paintSideBySide(QPainter& painter);
    void paintSplit(QPainter& painter);
    void splitAt(int x);

    QImage held_;
    QImage live_;
    QString heldCaption_;
    Arrangement arrangement_ = Arrangement::SideBySide;
    double split_ = 0.5;
};
