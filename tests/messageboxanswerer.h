// Answers modal message boxes while it lives: records each box's title and text and presses the
// wanted button. Create it before the call that blocks in the box.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class MessageBoxAnswerer : public QObject
{
    Q_OBJECT

public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok);

    // Runs before each box is answered: what the operator does while the box is up.
    void beforeAnswering(std::function<void()> action) { beforeAnswering_ = std::move(action); }

    int count() const { return titles_.size(); }
    QStringList titles() const { return titles_; }
    QStringList texts() const { return texts_; }
    QString lastTitle() const { return titles_.value(titles_.size() - 1); }
    QString lastText() const { return texts_.value(texts_.size() - 1); }
    // Whether each box had the wanted button, and which button was the default.
    QList<QMessageBox::Icon> icons() const { return icons_; }
    QList<Qt::TextFormat> textFormats() const { return textFormats_; }

private:
    void answerActiveBox();

    QMessageBox::StandardButton button_;
    std::function<void()> beforeAnswering_;
    QTimer poll_;
    QStringList titles_;
    QStringList texts_;
    QList<QMessageBox::Icon> icons_;
    QList<Qt::TextFormat> textFormats_;
};
