// Reads a capture device on a thread of its own: opens it, turns each frame into a picture by the
// format it comes in, and opens it again a second after it ends, fails or vanishes. The newest
// picture, and why there is none after it, wait for their taker in one place: a slow window drops
// frames, never queues them, and never loses the last one before a stream ends.
//
//   opening --(opened)--> reading --(ended, failed, vanished)--> pausing a second --> opening
//      |                                                            ^
//      +--(missing, or does not open)-------------------------------+
//   any of them --(the CaptureThread is destroyed)--> stopped
//
// A back end may block in an open or a read for as long as the source keeps it waiting (OpenCV's
// does, where the build has no GStreamer of its own), and nothing interrupts it there. So a
// CaptureThread being destroyed gives its thread a moment to stop and then lets it go; what the two
// share goes with the last of them, whenever the source lets the thread go.
#pragma once

#include "framesource.h"
#include "measuredregions.h"

#include <QObject>

#include <memory>
#include <thread>

// A GStreamer pipeline description, as opposed to a device's path or index.
bool isPipeline(const QString& device);
// Why device cannot be read, as far as the file system tells without opening it (missing, a
// folder, a file); empty when an open may be tried.
QString deviceAbsence(const QString& device);
// The device as a status line names it: its path or index, or "the pipeline".
QString deviceName(const QString& device);
// What a device's frames come as, in words: "16-bit grey", "YUV 4:2:2".
QString formatText(imaging::CapturedKind kind);

class CaptureThread : public QObject
{
    Q_OBJECT

public:
    // Each frame comes with its tone and the statistics of the regions that regions holds then.
    CaptureThread(const QString& device, std::shared_ptr<const MeasuredRegions> regions);
    // Stops the thread, waiting for that at most a second.
    ~CaptureThread() override;

    void start();

    struct News {
        Frame frame;     // the newest picture, if any came since the last take
        QString problem; // why there is none now (after that picture), if that changed
    };
    News take();

signals:
    // News waits to be taken. Said once until it is taken, however much came meanwhile.
    void news();

private:
    class Reading;
    // Shared with the thread, which may outlive this.
    const std::shared_ptr<Reading> reading_;
    std::thread thread_;
};
