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
#include <QTest>
#include <QTimer>

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
