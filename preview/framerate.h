// Frames a second, as the status bar says it: the frames that came in the last second, that
// second's start left out, so that a steady 25 a second reads 25; once they fill the second, their
// rate by their spacing, so that it still reads 25 when its frames jitter.
#pragma once

#include <QtGlobal>

#include <deque>

class FrameRate
{
public:
    // A frame came at ms on a steady clock; the frames a second up to it.
    int arrived(qint64 ms);
    void clear() { arrivals_.clear(); }

private:
    std::deque<qint64> arrivals_;
};
