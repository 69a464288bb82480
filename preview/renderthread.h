// Renders the simulated camera's frames on a thread of its own, one at a time. A request made
// while a frame is rendered waits in one place, replacing any request already waiting there, and
// the newest frame waits for its taker in one place too: a slow side makes the other drop frames,
// never queue them.
#pragma once

#include "framesource.h"
#include "measuredregions.h"
#include "settings.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <cstdint>
#include <optional>

class RenderThread : public QThread
{
    Q_OBJECT

public:
    // Each frame comes with its tone and the statistics of the regions that regions holds then.
    explicit RenderThread(std::shared_ptr<const MeasuredRegions> regions,
                          QObject* parent = nullptr);
    // Waits for the frame in hand, if any.
    ~RenderThread() override;

    void request(std::int64_t frame, const imaging::Settings& settings,
                 const orvex_sim::CameraSettings& camera);
    // The newest frame, once; null when none came since the last take.
    Frame take();

signals:
    // A frame waits to be taken. Said once until it is taken, however many frames came meanwhile.
    void rendered();

protected:
    void run() override;

private:
    struct Job {
        std::int64_t frame;
        imaging::Settings settings;
        orvex_sim::CameraSettings camera;
    };

    const std::shared_ptr<const MeasuredRegions> regions_;
    QMutex mutex_;
    QWaitCondition wake_;
    std::optional<Job> job_;
    Frame result_;
    bool announced_ = false;
    bool stopping_ = false;
};
