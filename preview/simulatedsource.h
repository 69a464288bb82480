// A simulated camera's video: at the camera's frame rate, the follower reads the camera's settings
// and the render thread makes the frame of that moment. A change of the state file, which a
// watcher sees at once and the follower's look at its size and time at the next frame, is parsed
// on a thread of its own and shows from the frame after; frames keep the camera's rate whatever
// changes.
#pragma once

#include "camerafollower.h"
#include "framesource.h"
#include "renderthread.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QThread>
#include <QTimer>

class SimulatedSource : public FrameSource
{
    Q_OBJECT

public:
    SimulatedSource(const QString& port, QObject* parent = nullptr);
    ~SimulatedSource() override;

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
    QThread parsing_;
    QObject parser_; // lives in parsing_
    QFileSystemWatcher watcher_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool answering_ = false;
    QString problem_;
    QString source_;
};
