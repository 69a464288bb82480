// --record: a recording made without a window, for scripts. The frames a source sends are
// recorded, coloured grey in the video as a snapshot is, until the frames or the seconds asked
// for are in, the source goes, a file cannot be written, or a stop is requested (Ctrl-C).
#pragma once

#include "framesource.h"

#include <QString>

#include <optional>

struct RecordingPlan {
    QString name; // the files' path up to their extensions
    std::optional<qint64> frames;
    std::optional<double> seconds;
    // The most frames it may hold, where the source's rate tells.
    std::optional<qint64> mostFrames;
};

// The exit status: Shown when the frames are written (dropped frames, said in note, leave gaps in
// time, not fewer frames), Unreachable when the source sends nothing or goes before the end,
// Unwritten when a file cannot be written; error says why. What was written stays readable.
int recordFrames(FrameSource& source, const RecordingPlan& plan, QString& error, QString& note);
