// The IA control tab's controls, one per field of the detector's record, in the record's order:
// a list whose current index is the field's byte, or a spin box whose value is. The Apply button
// sends them and the read-back fills them.
#pragma once

#include "ui_mainwindow.h"

#include "settingstable.h"

namespace ia {

struct Control {
    camera::Key key;
    QComboBox* Ui_MainWindow::*list;
    QSpinBox* Ui_MainWindow::*box;
    const char* entryKind; // names a list's entries in the report of a list without one
};

inline const Control controls[] = {
    {camera::Key::IaResizeMode, &Ui_MainWindow::iAResizeModeComboBox, nullptr, "resize mode"},
    {camera::Key::IaMaxBoxes, nullptr, &Ui_MainWindow::nbBoxesSpinBox, nullptr},
    {camera::Key::IaSensitivity, nullptr, &Ui_MainWindow::iASensitivitySpinBox, nullptr},
    {camera::Key::IaInterOverUnion, nullptr, &Ui_MainWindow::interOverUnionSpinBox, nullptr},
    {camera::Key::IaOutputType, &Ui_MainWindow::iAOutputTypeComboBox, nullptr, "output type"},
};

} // namespace ia
