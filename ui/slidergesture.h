#pragma once

#include <QObject>
#include <QSet>

QT_BEGIN_NAMESPACE
class QSlider;
QT_END_NAMESPACE

// One gesture of the operator on a slider is one finished edit. A key held down through its
// auto-repeat, or a mouse button held on the groove while the page steps repeat, finishes when
// the key or the button is let go; a move that needs no press (a wheel notch, an assistive tool)
// finishes as soon as it lands. A drag is the slider's own: its release finishes it.
class SliderGesture : public QObject
{
    Q_OBJECT

public:
    explicit SliderGesture(QSlider* slider);

    // Ends a press or a held key now, as letting go would: a modal box is taking the mouse and the
    // keyboard, and the release will go to the box.
    void end();

signals:
    void finished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void operatorMoved();
    void pressEnded();
    void finishWhenLetGo();

    QSlider* slider_;
    // Every key held down on the slider: a gesture of two keys, one pressed before the other is
    // let go, ends when the last is let go.
    QSet<quint32> heldKeys_;
    bool pressed_ = false;
    bool moved_ = false;   // a move of this gesture that has not been finished yet
    bool landing_ = false; // a move without a press, finished when the value lands
};
