// The regions of the picture the window measures: set on the window's thread, read by the
// source's thread with each frame it makes, so that the statistics are made with the frame and
// not on the window's thread. Shared, since a capture thread may outlive its source.
#pragma once

#include "measurement.h"

#include <QMutex>

class MeasuredRegions
{
public:
    void set(const imaging::Regions& regions)
    {
        QMutexLocker lock(&mutex_);
        regions_ = regions;
    }
    imaging::Regions get() const
    {
        QMutexLocker lock(&mutex_);
        return regions_;
    }

private:
    mutable QMutex mutex_;
    imaging::Regions regions_;
};
