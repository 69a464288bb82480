// A capture device's frames as its back end hands them over: GStreamer where the build has it
// (a device through its video source, a pipeline as described), OpenCV's videoio otherwise. Each
// frame comes with the format it arrived in, which may change from one frame to the next.
#pragma once

#include "captured.h"

#include <QString>

#include <functional>
#include <memory>

class FrameReader
{
public:
    virtual ~FrameReader() = default;

    enum class Outcome {
        Frame,   // a frame came; problem says why, where it cannot be shown
        Waiting, // none came in the time given
        Ended,   // the stream ended
        Failed,  // the back end failed: problem says why
    };
    using Take = std::function<void(const imaging::CapturedFrame& frame)>;

    // Waits at most waitMs for the next frame and hands it to take, while its pixels are there.
    // A back end that cannot be interrupted may wait longer.
    virtual Outcome next(int waitMs, const Take& take, QString& problem) = 0;
};

// Opens device: a path, an index, or a GStreamer pipeline description. Null when it does not open,
// with why in problem where the back end tells more than the device list does.
std::unique_ptr<FrameReader> openCapture(const QString& device, QString& problem);
