// The window's controls for keeping what it shows: Freeze holds the frame shown and puts the
// compare panel, held and live together, in the picture's place until it is released; Record
// records the frames shown, in files named in a dialog, until it is pressed again or a file
// cannot be written. Keys: F freezes and releases, Ctrl+R starts and stops a recording.
#pragma once

#include "framesource.h"

#include <QElapsedTimer>
#include <QRgb>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class HoldAndRecord;
}
class ComparePanel;
class Recorder;

class HoldAndRecord : public QWidget
{
    Q_OBJECT

public:
    // panel takes picture's place while a frame is held; focus on view, the picture's focus,
    // goes to the held and live pictures and back.
    HoldAndRecord(ComparePanel* panel, QWidget* picture, QWidget* view, QWidget* parent = nullptr);
    ~HoldAndRecord() override;

    // The controls, in the order Tab reaches them.
    QList<QWidget*> controls() const;
    // How a recording's name (its files' path up to their extensions) is asked for: a file
    // dialog, unless this gives another way; an empty name records nothing.
    void setNameAsker(std::function<QString()> asker) { askName_ = std::move(asker); }
    // The recording under way; null when there is none.
    const Recorder* recorder() const { return recorder_.get(); }

    void showFrame(const Frame& frame, const QVector<QRgb>& colours);
    void setColours(const QVector<QRgb>& colours);
    void showNoSignal();

private:
    void hold(bool on);
    void record(bool on);
    void recordingEnded();
    void showRecording();
    QString askName();

    std::unique_ptr<Ui::HoldAndRecord> ui_;
    ComparePanel* panel_;
    QWidget* picture_;
    QWidget* view_;
    Frame frame_;
    QVector<QRgb> colours_;
    std::function<QString()> askName_;
    std::unique_ptr<Recorder> recorder_;
    QTimer recordingClock_;
    QElapsedTimer recordingFor_;
    QString lastFolder_;
};
