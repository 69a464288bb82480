// A simulated camera's video: at the camera's frame rate, and at once when the state file or its
// folder changes, the follower reads the camera's settings and the render thread makes the frame
// of that moment.
#pragma once

#include "camerafollower.h"
#include "framesource.h"
#include "renderthread.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QTimer>

class SimulatedSource : public FrameSource
{
    Q_OBJECT

public:
    SimulatedSource(const QString& port, QObject* parent = nullptr);

    void start() override;
    QString name() const override { return port_; }

private:
    void tick();
    void deliver();
    // Watches the state file, when there is one, and its folder, where a new file takes its place.
    void watchStateFile();

    QString port_;
    CameraFollower follower_;
    RenderThread renderer_;
    QFileSystemWatcher watcher_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool answering_ = false;
    QString problem_;
    QString source_;
};
