// Every modal box the window opens. Their texts show as plain text: a port name or a camera value
// in one comes from outside and must never be taken for markup, a link the label would open or an
// image it would load.
#include "mainwindow.h"
#include "slidergesture.h"

#include <QAbstractSpinBox>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>

namespace {

// A spin box held on one of its arrows steps on until the button is let go. Each is given the
// release it would never see; one that holds no press ignores it.
void letGoOfSpinBoxArrows(const QWidget& window)
{
    const auto spinBoxes = window.findChildren<QAbstractSpinBox*>();
    for (QAbstractSpinBox* spinBox : spinBoxes) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(spinBox, &release);
    }
}

} // namespace

// A box, or the window moving its contents for a smaller screen, takes the mouse and the keyboard
// from the operator's controls. A press or a held key on a slider would never see its release:
// each ends here, and its edit is finished first. So does a press on a spin box's arrow.
void MainWindow::programTakesTheInput()
{
    const auto gestures = findChildren<SliderGesture*>();
    for (SliderGesture* gesture : gestures)
        gesture->end();
    letGoOfSpinBoxArrows(*this);
    ++inputTakenByProgram;
}

void MainWindow::programGivesBackTheInput()
{
    --inputTakenByProgram;
}

int MainWindow::runModal(QDialog& dialog)
{
    programTakesTheInput();
    const int result = dialog.exec();
    programGivesBackTheInput();
    // A box opened by the focus change of a press reaches the pressed control only now, its
    // release gone to the box: on a spin box's arrow it would step on by itself. It ends once the
    // control has it, unless the operator still holds the button.
    QTimer::singleShot(0, this, [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton)
            letGoOfSpinBoxArrows(*this);
    });
    return result;
}

// Meanwhile a spin box that loses the focus finishes its edit: that edit is the program's doing,
// not the operator's, and is not sent.
bool MainWindow::editFinishedByOperator() const
{
    return inputTakenByProgram == 0;
}

void MainWindow::showWarning(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    runModal(box);
}

// The toolkit's about box, but with plain text: the window's icon in place of a message icon and
// a single Ok button.
void MainWindow::showAboutBox(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    const QIcon icon = box.windowIcon();
    box.setIconPixmap(icon.pixmap(icon.actualSize(QSize(64, 64))));
    runModal(box);
}

// No parent, and No unless the operator says Yes.
bool MainWindow::askYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QString(), text, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    runModal(box);
    return box.clickedButton() == box.button(QMessageBox::Yes);
}
