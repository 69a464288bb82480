#pragma once

#include <QMetaObject>
#include <QObject>
#include <QRect>
#include <QSize>

#include <functional>

QT_BEGIN_NAMESPACE
class QMainWindow;
class QScreen;
class QScrollArea;
QT_END_NAMESPACE

// Keeps the window on its screen. On a screen whose available area is smaller than the window's
// layout needs, the window takes the area and its contents scroll, the control with the keyboard
// focus always brought into view; on a screen where the window fits, nothing is touched. It looks
// again each time the window is shown, goes to another screen, or its screen changes size.
class ScreenFit : public QObject
{
    Q_OBJECT

public:
    ScreenFit(QMainWindow& window, QWidget& contents);

    // The area a window may take on a screen: the screen's available geometry, unless replaced
    // (tests show the window on screens of every size). An empty function restores it.
    using AreaOf = std::function<QRect(const QScreen&)>;
    static void setAreaOf(AreaOf areaOf);

signals:
    // Around moving the contents into or out of their scroll area, which takes the keyboard focus
    // from the control that has it and gives it back.
    void rearranging();
    void rearranged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool hasFrame() const;
    void followScreen(QScreen* screen);
    void fit();
    void scrollContents(bool scroll);

    QMainWindow& window_;
    QWidget& contents_;
    const QSize formMinimum_;
    QScrollArea* scrollArea_ = nullptr;
    bool followsTheWindow_ = false;
    bool awaitsFrame_ = false; // shown, and not yet framed by the window manager
    QMetaObject::Connection screenResized_;
};
