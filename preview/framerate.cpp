#include "framerate.h"

#include <cmath>

namespace {

constexpr qint64 windowMs = 1000;

} // namespace

int FrameRate::arrived(qint64 ms)
{
    arrivals_.push_back(ms);
    while (ms - arrivals_.front() >= windowMs)
        arrivals_.pop_front();
    const auto count = int(arrivals_.size());
    const qint64 span = ms - arrivals_.front();
    // Until the frames fill the second, their count; then their spacing, since a frame that comes a
    // little early or late takes one more or one less into the second (26 or 24 for a steady 25).
    if (count < 2 || span + span / (count - 1) < windowMs)
        return count;
    return int(std::lround(double(count - 1) * double(windowMs) / double(span)));
}
