#include "togglecaptions.h"

#include <QCoreApplication>
#include <QPushButton>

void showToggleState(QPushButton* button, bool on, const ToggleCaptions& captions)
{
    button->setChecked(on);
    button->setText(QCoreApplication::translate("MainWindow", on ? captions.on : captions.off));
}
