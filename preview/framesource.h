// Where the preview's pictures come from: the simulated camera's pipeline, or a capture device,
// shown by the same window.
#pragma once

#include "captured.h"
#include "measuredregions.h"
#include "measurement.h"
#include "pipeline.h"
#include "settings.h"
#include "simcontrol.h"
#include "tone.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <memory>

struct Frame {
    // The picture's levels, the raw counts behind them where the source has them (empty
    // otherwise), where its pixels come from and what the detector found.
    std::shared_ptr<const imaging::Picture> picture;
    double processingMs = 0.0; // what making it took
    QString caption;           // what the picture is: the video output's tap, or the format
    // The camera's settings the picture was made with; null for a capture device, whose source
    // cannot know them.
    std::shared_ptr<const imaging::Settings> settings;
    // The same in the camera's own units, as the window and the state file hold them; null for a
    // capture device.
    std::shared_ptr<const orvex_sim::CameraSettings> camera;
    // What a capture device's frame came as; Unsupported for the simulated camera.
    imaging::CapturedKind captured = imaging::CapturedKind::Unsupported;
    // For the panels beside the picture, made with it on the source's thread: how its levels
    // came from its counts, and the statistics of the regions the window measures.
    std::shared_ptr<const imaging::Tone> tone;
    imaging::Readings readings;
};
Q_DECLARE_METATYPE(Frame)

class FrameSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void start() = 0;
    // The camera's port or the device, for the window's title.
    virtual QString name() const = 0;

    // The regions whose statistics each frame carries from now on.
    void measure(const imaging::Regions& regions) { regions_->set(regions); }

signals:
    // The newest frame. One that comes while the window is still busy with the last replaces it
    // on the way: frames are dropped, never queued.
    void frameReady(const Frame& frame);
    // There is no picture now, and why; the next frame ends it.
    void signalLost(const QString& reason);
    // Where the settings that shape the picture come from, when that changes.
    void settingsDescribed(const QString& text);

protected:
    const std::shared_ptr<MeasuredRegions> regions_ = std::make_shared<MeasuredRegions>();
};
