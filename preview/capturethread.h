// Reads a capture device on a thread of its own: opens it, turns each frame into a picture by the
// format it comes in, and opens it again a second after it ends, fails or vanishes. The newest
// picture, and why there is none after it, wait for their taker in one place: a slow window drops
// frames, never queues them, and never loses the last one before a stream ends.
//
// A back end may block in an open or a read for as long as the source keeps it waiting (OpenCV's
// does, where the build has no GStreamer of its own), and nothing interrupts it there. So the
// thread is let go rather than waited for: release() gives it a moment, and a thread still blocked
// then deletes itself whenever the source lets it go.
#pragma once

#include "framesource.h"
#include "measuredregions.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

class FrameReader;

// A GStreamer pipeline description, as opposed to a device's path or index.
bool isPipeline(const QString& device);
// Why device cannot be read, as far as the file system tells without opening it (missing, a
// folder, a file); empty when an open may be tried.
QString deviceAbsence(const QString& device);
// The device as a status line names it: its path or index, or "the pipeline".
QString deviceName(const QString& device);

class CaptureThread : public QThread
{
    Q_OBJECT

public:
    // Each frame comes with its tone and the statistics of the regions that regions holds then.
    CaptureThread(const QString& device, std::shared_ptr<const MeasuredRegions> regions);

    struct News {
        Frame frame;     // the newest picture, if any came since the last take
        QString problem; // why there is none now (after that picture), if that changed
    };
    News take();

    // Stops the thread and deletes it once it has stopped, waiting for that at most waitMs.
    void release(int waitMs);

signals:
    // News waits to be taken. Said once until it is taken, however much came meanwhile.
    void news();

protected:
    void run() override;

private:
    ~CaptureThread() override = default;

    // Until the stream ends or fails, or the thread is to stop; why it ended.
    QString readFrames(FrameReader& reader);
    void publish(News news);
    bool stopping();
    // Waits before the next open; false when the thread is to stop.
    bool pause();

    const QString device_;
    const std::shared_ptr<const MeasuredRegions> regions_;
    QMutex mutex_;
    QWaitCondition wake_;
    News news_;
    bool announced_ = false;
    bool stopping_ = false;
};
