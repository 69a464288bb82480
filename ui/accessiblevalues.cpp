#include "accessiblevalues.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPointer>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Spin box edits set through an assistive tool and not finished yet.
int unfinishedEdits = 0;

// Behind a modal box the window takes no value, as it takes no key or click, and neither does a
// disabled control; nor while an edit is still to finish, since finishing it may open such a box.
bool takesNoValue(const QWidget* control)
{
    const QWidget* box = QApplication::activeModalWidget();
    return unfinishedEdits > 0 || (box && box != control->window()) || !control->isEnabled();
}

// The number a control takes from an assistive tool: one beyond the control's range lands on the
// nearer limit, as it does when typed. What is no number (NaN, a text) is no value at all: the
// toolkit would turn it, and a number beyond the int range, into some integer of its own.
std::optional<double> valueWithinRange(const QVariant& value, const QVariant& minimum,
                                       const QVariant& maximum)
{
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (!isNumber || std::isnan(number))
        return std::nullopt;
    return std::clamp(number, minimum.toDouble(), maximum.toDouble());
}

class AccessibleSlider : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit AccessibleSlider(QSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider)
    {
        addControllingSignal(QStringLiteral("valueChanged(int)"));
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? QString::number(slider()->value())
                                          : QAccessibleWidget::text(kind);
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return slider()->value(); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return slider()->singleStep(); }

    // A new position is announced as the operator's action before it reaches the value, which
    // makes it a finished move (SliderGesture).
    void setCurrentValue(const QVariant& value) override
    {
        const auto position = valueWithinRange(value, minimumValue(), maximumValue());
        if (!position || takesNoValue(slider()))
            return;
        slider()->setSliderPosition(qRound(*position));
        // A slider that does not track takes the position as its value only when told.
        if (slider()->value() != slider()->sliderPosition())
            slider()->triggerAction(QAbstractSlider::SliderMove);
    }

private:
    QSlider* slider() const { return static_cast<QSlider*>(object()); }
};

// The text of a spin box, which is its line edit's: what a screen reader reads, moves the caret
// through and edits. Qt gives the line edit of a spin box no text of its own.
class LineEditText : public QAccessibleTextInterface, public QAccessibleEditableTextInterface
{
public:
    explicit LineEditText(QLineEdit* lineEdit) : lineEdit_(lineEdit) {}

    QString text(int startOffset, int endOffset) const override
    {
        return startOffset > endOffset ? QString()
                                       : shown().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return shown().size(); }
    int cursorPosition() const override { return lineEdit_->cursorPosition(); }
    void setCursorPosition(int position) override { lineEdit_->setCursorPosition(position); }

    // An offset of -2 stands for the caret's.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                             int* endOffset) const override
    {
        return QAccessibleTextInterface::textBeforeOffset(atCaret(offset), boundary, startOffset,
                                                          endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                            int* endOffset) const override
    {
        return QAccessibleTextInterface::textAfterOffset(atCaret(offset), boundary, startOffset,
                                                         endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                         int* endOffset) const override
    {
        return QAccessibleTextInterface::textAtOffset(atCaret(offset), boundary, startOffset,
                                                      endOffset);
    }

    int selectionCount() const override { return lineEdit_->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (index != 0)
            return;
        *startOffset = lineEdit_->selectionStart();
        *endOffset = *startOffset + lineEdit_->selectedText().size();
    }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void setSelection(int index, int startOffset, int endOffset) override
    {
        if (index == 0)
            lineEdit_->setSelection(startOffset, endOffset - startOffset);
    }
    void removeSelection(int index) override
    {
        if (index == 0)
            lineEdit_->deselect();
    }

    // From the start of the text, as the line edit lays it out, in screen coordinates.
    QRect characterRect(int offset) const override
    {
        const QString character = text(offset, offset + 1);
        if (character.isEmpty())
            return QRect();
        const QFontMetrics metrics(lineEdit_->font());
        const auto x =
            int(QFontMetricsF(lineEdit_->font()).horizontalAdvance(shown().left(offset)));
        const QPoint topLeft(x, lineEdit_->textMargins().top());
        return QRect(lineEdit_->mapToGlobal(topLeft),
                     QSize(metrics.horizontalAdvance(character), metrics.height()));
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return lineEdit_->cursorPositionAt(lineEdit_->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        lineEdit_->setCursorPosition(endIndex);
        lineEdit_->setCursorPosition(startIndex);
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return QString();
    }

    void deleteText(int startOffset, int endOffset) override
    {
        lineEdit_->setText(lineEdit_->text().remove(startOffset, endOffset - startOffset));
    }
    void insertText(int offset, const QString& text) override
    {
        lineEdit_->setText(lineEdit_->text().insert(offset, text));
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override
    {
        lineEdit_->setText(lineEdit_->text().replace(startOffset, endOffset - startOffset, text));
    }

private:
    QString shown() const { return lineEdit_->displayText(); }
    int atCaret(int offset) const { return offset == -2 ? cursorPosition() : offset; }

    QLineEdit* lineEdit_;
};

class AccessibleSpinBox : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    AccessibleSpinBox(QAbstractSpinBox* box, const char* valueChanged)
        : QAccessibleWidget(box, QAccessible::SpinBox),
          text_(box->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
    {
        addControllingSignal(QLatin1String(valueChanged));
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Value)
            return QAccessibleWidget::text(kind);
        if (const auto* reals = qobject_cast<const QDoubleSpinBox*>(box()))
            return reals->textFromValue(reals->value());
        return box()->text();
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(&text_);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(&text_);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return box()->property("value"); }
    QVariant maximumValue() const override { return box()->property("maximum"); }
    QVariant minimumValue() const override { return box()->property("minimum"); }
    QVariant minimumStepSize() const override { return box()->property("singleStep"); }

    // The box announces the end of the edit as it does on Enter: that signal is what sends. It
    // does so once the assistive tool has its answer, since the edit may open a box (an ROI bound
    // out of order) that the tool must be free to read.
    void setCurrentValue(const QVariant& value) override
    {
        const auto taken = valueWithinRange(value, minimumValue(), maximumValue());
        if (!taken || takesNoValue(box()))
            return;
        const QVariant before = currentValue();
        box()->setProperty("value", *taken);
        if (currentValue() == before)
            return;
        ++unfinishedEdits;
        const QPointer<QAbstractSpinBox> edited = box();
        QMetaObject::invokeMethod(
            qApp,
            [edited] {
                --unfinishedEdits;
                if (edited)
                    emit edited->editingFinished();
            },
            Qt::QueuedConnection);
    }

private:
    QAbstractSpinBox* box() const { return static_cast<QAbstractSpinBox*>(object()); }

    LineEditText text_;
};

// Asked with each class name of the object's, the most derived first.
QAccessibleInterface* finishingEdits(const QString& className, QObject* object)
{
    if (className == QLatin1String("QSlider"))
        return new AccessibleSlider(static_cast<QSlider*>(object));
    if (className == QLatin1String("QDoubleSpinBox"))
        return new AccessibleSpinBox(static_cast<QAbstractSpinBox*>(object),
                                     "valueChanged(double)");
    if (className == QLatin1String("QSpinBox"))
        return new AccessibleSpinBox(static_cast<QAbstractSpinBox*>(object), "valueChanged(int)");
    return nullptr;
}

} // namespace

void accessibleValues::install()
{
    // The factory installed last is asked first; installing it again changes nothing.
    QAccessible::installFactory(finishingEdits);
}
