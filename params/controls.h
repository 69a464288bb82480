// Which of the window's controls shows a setting of the camera's table, for the read-backs and the
// bulk runs that walk the table: the checkable button of an on/off setting (toggles.cpp) and the
// spin box of a region-of-interest bound (usercontrols.cpp).
#pragma once

#include "ui_mainwindow.h"

#include "settingstable.h"
#include "togglecaptions.h"

namespace controls {

struct ToggleButton {
    QPushButton* Ui_MainWindow::*button;
    const ToggleCaptions& captions;
};
ToggleButton toggleButton(camera::Key key);

QSpinBox* Ui_MainWindow::*roiBox(camera::Key bound);

} // namespace controls
