#include "slidergesture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>

namespace {

// A key is known by its scan code, the same when it is pressed and let go, where its key code may
// change in between (Shift let go first turns '!' back into '1'). Events a program makes up may
// carry no scan code.
quint32 keyOnTheKeyboard(const QKeyEvent& key)
{
    return key.nativeScanCode() != 0 ? key.nativeScanCode() : quint32(key.key());
}

} // namespace

SliderGesture::SliderGesture(QSlider* slider) : QObject(slider), slider_(slider)
{
    slider->installEventFilter(this);
    connect(slider, &QAbstractSlider::actionTriggered, this, &SliderGesture::operatorMoved);
    connect(slider, &QAbstractSlider::valueChanged, this, [this] {
        if (!landing_)
            return;
        landing_ = false;
        emit finished();
    });
}

// Emitted before the move reaches the value, and only for moves the operator makes.
void SliderGesture::operatorMoved()
{
    if (slider_->isSliderDown() || slider_->sliderPosition() == slider_->value())
        return;
    if (!heldKeys_.isEmpty() || pressed_)
        moved_ = true;
    else
        landing_ = true;
}

void SliderGesture::end()
{
    heldKeys_.clear();
    if (pressed_) {
        // The slider stops its repeat and lets go of its handle; where the release is, it ignores.
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(slider_, &release);
    }
    // A disabled slider takes no release, and lets go of its handle by itself.
    if (pressed_)
        pressEnded();
    finishWhenLetGo();
}

// A drag is finished by the slider's own release; whatever else the press moved is finished here.
void SliderGesture::pressEnded()
{
    pressed_ = false;
    if (slider_->isSliderDown())
        moved_ = false;
    finishWhenLetGo();
}

void SliderGesture::finishWhenLetGo()
{
    // A press whose release went elsewhere is over once no button is down.
    const bool buttonDown = pressed_ && QGuiApplication::mouseButtons() != Qt::NoButton;
    if (!heldKeys_.isEmpty() || buttonDown || !moved_)
        return;
    moved_ = false;
    emit finished();
}

bool SliderGesture::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        heldKeys_.insert(keyOnTheKeyboard(*static_cast<QKeyEvent*>(event)));
        break;
    case QEvent::KeyRelease: {
        // A key held down repeats its press, on some systems with a release before each repeat.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat() && heldKeys_.remove(keyOnTheKeyboard(*key)) && heldKeys_.isEmpty())
            finishWhenLetGo();
        break;
    }
    case QEvent::FocusOut:
        // The keys' releases will go to whatever has the focus now.
        if (!heldKeys_.isEmpty()) {
            heldKeys_.clear();
            finishWhenLetGo();
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        QStyle* style = slider_->style();
        const auto moving = Qt::MouseButtons(
            style->styleHint(QStyle::SH_Slider_AbsoluteSetButtons, nullptr, slider_) |
            style->styleHint(QStyle::SH_Slider_PageSetButtons, nullptr, slider_));
        if (!(button & moving))
            break;
        pressed_ = true;
        // The button is up already: the press gave this slider the focus, the control that lost it
        // opened a box, and the release went to the box. The press ends once the slider took it.
        if (!(QGuiApplication::mouseButtons() & button))
            QMetaObject::invokeMethod(
                this, [this] { end(); }, Qt::QueuedConnection);
        break;
    }
    case QEvent::MouseButtonRelease:
        if (pressed_ && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            pressEnded();
        break;
    case QEvent::EnabledChange:
        if (!slider_->isEnabled())
            end();
        break;
    default:
        break;
    }
    return false;
}
