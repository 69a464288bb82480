#include "renderthread.h"

#include <QElapsedTimer>

#include <utility>

RenderThread::RenderThread(std::shared_ptr<const MeasuredRegions> regions, QObject* parent)
    : QThread(parent), regions_(std::move(regions))
{
}

RenderThread::~RenderThread()
{
    {
        QMutexLocker lock(&mutex_);
        stopping_ = true;
        wake_.wakeAll();
    }
    wait();
}

void RenderThread::request(std::int64_t frame, const imaging::Settings& settings,
                           const orvex_sim::CameraSettings& camera)
{
    QMutexLocker lock(&mutex_);
    job_ = Job{frame, settings, camera};
    wake_.wakeAll();
}

Frame RenderThread::take()
{
    QMutexLocker lock(&mutex_);
    announced_ = false;
    return std::exchange(result_, Frame());
}

void RenderThread::run()
{
    // Built here, since drawing the scene takes a while the window should not wait for.
    imaging::Pipeline pipeline;
    QMutexLocker lock(&mutex_);
    for (;;) {
        while (!stopping_ && !job_)
            wake_.wait(&mutex_);
        if (stopping_)
            return;
        const Job job = *std::exchange(job_, std::nullopt);
        lock.unlock();
        QElapsedTimer clock;
        clock.start();
        auto picture = std::make_shared<imaging::Picture>(pipeline.render(job.frame, job.settings));
        auto tone = std::make_shared<imaging::Tone>(pipeline.tone());
        imaging::Readings readings = imaging::measure(*picture, regions_->get());
        const double milliseconds = double(clock.nsecsElapsed()) / 1e6;
        lock.relock();
        result_ = Frame{std::move(picture),
                        milliseconds,
                        QString(),
                        std::make_shared<const imaging::Settings>(job.settings),
                        std::make_shared<const orvex_sim::CameraSettings>(job.camera),
                        imaging::CapturedKind::Unsupported,
                        std::move(tone),
                        std::move(readings)};
        if (!announced_) {
            announced_ = true;
            emit rendered();
        }
    }
}
