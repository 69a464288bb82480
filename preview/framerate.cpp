#include "framerate.h"

namespace {

constexpr qint64 windowMs = 1000;

} // namespace

int FrameRate::arrived(qint64 ms)
{
    arrivals_.push_back(ms);
    while (ms - arrivals_.front() >= windowMs)
        arrivals_.pop_front();
    return int(arrivals_.size());
}
