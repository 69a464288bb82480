// What an operator does to the parameter controls beyond clicks and typing, and what the
// simulated camera received as a result.
#pragma once

#include "windowfixture.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

// One row of test data: QTest::newRow(tag) << each value in turn.
template <class... Values> void addRow(const char* tag, const Values&... values)
{
    (QTest::newRow(tag) << ... << values);
}

// A mouse drag as the slider reports it: pressed, moved (the value follows), released.
inline void dragSlider(QSlider* slider, int position)
{
    slider->setSliderDown(true);
    slider->setSliderPosition(position);
    slider->setSliderDown(false);
}

// A mouse button pressed or let go over a widget, delivered as the windowing system does, through
// its window: a release goes where the press went, and nowhere while a modal box blocks the window.
inline void pressOn(QWidget* widget, QPoint at)
{
    QWidget* window = widget->window();
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window, at));
}

inline void releaseOn(QWidget* widget, QPoint at)
{
    QWidget* window = widget->window();
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window, at));
}

// Beside the handle near the slider's right end, on the groove, which lies above the ticks.
inline QPoint grooveEnd(const QSlider* slider)
{
    return QPoint(slider->width() - 3, slider->height() / 4);
}

inline QPoint handleCentre(const QSlider* slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.tickPosition = slider->tickPosition();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
}

// The up arrow of a spin box, where its style draws it.
inline QPoint upArrowCentre(const QAbstractSpinBox* spinBox)
{
    QStyleOptionSpinBox option;
    option.initFrom(spinBox);
    option.buttonSymbols = spinBox->buttonSymbols();
    option.frame = spinBox->hasFrame();
    option.subControls = QStyle::SC_SpinBoxUp;
    return spinBox->style()
        ->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, spinBox)
        .center();
}

inline void turnWheelOneNotch(QWidget* widget)
{
    const QPoint centre = widget->rect().center();
    QWheelEvent notch(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &notch);
}

// A key held down: its press, then the repeated presses the system sends while it stays down,
// on X11 each after a release of its own.
inline void holdKey(QWidget* widget, Qt::Key key, int repeats, bool releasesBetween)
{
    QTest::simulateEvent(widget, true, key, Qt::NoModifier, QString(), false);
    for (int repeat = 0; repeat < repeats; ++repeat) {
        if (releasesBetween)
            QTest::simulateEvent(widget, false, key, Qt::NoModifier, QString(), true);
        QTest::simulateEvent(widget, true, key, Qt::NoModifier, QString(), true);
    }
}

// A paste puts the whole number in at once, where typing passes through each of its prefixes.
inline void pasteAndEnter(QAbstractSpinBox* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Enter);
}

// Every operation the camera received since the journal was cleared, as "name arguments".
inline QStringList sent()
{
    QStringList operations;
    for (const orvex_sim::JournalEntry& entry : orvex_sim::journal())
        operations.append(
            QString::fromStdString(entry.operation + ' ' + entry.arguments).trimmed());
    return operations;
}

// Answers each modal box with its first button, noting its text and what had reached the camera
// by the time it showed.
class BoxWatcher : public QObject
{
public:
    BoxWatcher()
    {
        connect(&poll_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts.append(box->text());
            sentBeforeBox.append(sent());
            box->buttons().value(0)->click();
        });
        poll_.start(5);
    }

    QStringList texts;
    QList<QStringList> sentBeforeBox;

private:
    QTimer poll_;
};
