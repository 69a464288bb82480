// Frames a second, as the status bar says it: the frames that came in the last second, that
// second's start left out, so that a steady 25 a second reads 25.
#pragma once

#include <QtGlobal>

#include <deque>

class FrameRate
{
public:
    // A frame came at ms on a steady clock; how many came in the second up to it.
    int arrived(qint64 ms);
    void clear() { arrivals_.clear(); }

private:
    std::deque<qint64> arrivals_;
};
