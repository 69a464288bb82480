#include "messageboxanswerer.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton button) : button_(button)
{
    // Polling is how a box shown inside a blocking slot's nested event loop gets answered.
    connect(&poll_, &QTimer::timeout, this, &MessageBoxAnswerer::answerActiveBox);
    poll_.start(5);
}

void MessageBoxAnswerer::answerActiveBox()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    titles_.append(box->windowTitle());
    texts_.append(box->text());
    icons_.append(box->icon());
    textFormats_.append(box->textFormat());
    if (beforeAnswering_)
        beforeAnswering_();
    QAbstractButton* button = box->button(button_);
    if (!button)
        button = box->buttons().value(0);
    if (button)
        button->click();
    else
        box->reject();
}
