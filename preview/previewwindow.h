// The preview's window: a frame source's pictures, the view choices that are not camera settings
// (palette, scale), the detector's list where the camera reports one, and a status bar that says
// where the settings or the video come from, what the probed pixel holds, how fast frames come,
// the camera SDK in force, and, when asked, the camera's temperatures.
#pragma once

#include "framerate.h"
#include "framesource.h"
#include "palettes.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>

#include <memory>

namespace Ui {
class PreviewWindow;
}
class QLabel;
class HoldAndRecord;

class PreviewWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Takes the source over and starts it.
    explicit PreviewWindow(std::unique_ptr<FrameSource> source, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // The frame shown, with no picture while there is no signal.
    const Frame& frame() const { return frame_; }

    // The camera's temperatures, or why there are none, in the status bar from now on.
    void showTemperatures(const QString& text);

    // The settings drawn on the picture, as the Overlays box does.
    void setOverlaysShown(bool shown);

private:
    void showFrame(const Frame& frame);
    void showNoSignal(const QString& reason);
    void addHoldAndRecord();
    void showSdkInForce();
    void showPicture();
    void showProbe();
    void showDetections();
    void countFrame(double processingMs);
    // The overlays, the colour scale, the histogram and the measurements beside the picture.
    void wirePanels();
    void showPanels();
    void showOverlays();
    void measureRegions();
    void copyMeasurements();

    std::unique_ptr<Ui::PreviewWindow> ui_;
    FrameSource* source_;
    Frame frame_;
    QVector<QRgb> colours_;
    QString pictureDescription_; // what the picture is, until a probe's readout takes its place
    bool boxToSpeak_ = false;    // a box was drawn: its readout goes to a screen reader
    QStringList detections_;
    qint64 detectionsShownAt_ = 0;
    QLabel* settingsLabel_;
    QLabel* probeLabel_;
    QLabel* rateLabel_;
    QLabel* temperatureLabel_ = nullptr;
    HoldAndRecord* keeper_; // freeze and compare, and recording
    QElapsedTimer clock_;
    FrameRate rate_;
};
