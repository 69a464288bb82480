// A capture device's video: a frame grabber, a USB video bridge, or a GStreamer pipeline. The
// capture thread reads it; this side hands its pictures to the window and says why there is none
// when the device is missing, fails, ends, or sends nothing for a while (a read that blocks says
// nothing, so a clock watches for that).
#pragma once

#include "framesource.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class CaptureThread;

class CaptureSource : public FrameSource
{
    Q_OBJECT

public:
    // stallMs: how long the device may send nothing before it counts as gone.
    explicit CaptureSource(const QString& device, int stallMs = defaultStallMs,
                           QObject* parent = nullptr);
    ~CaptureSource() override;

    void start() override;
    QString name() const override { return device_; }

    static constexpr int defaultStallMs = 2000;

private:
    void collect();
    void watch();
    void lose(const QString& reason);

    QString device_;
    int stallMs_;
    const std::unique_ptr<CaptureThread> thread_;
    QTimer watchdog_;
    QElapsedTimer sinceFrame_;
    QString problem_; // said last; empty while pictures come
};
