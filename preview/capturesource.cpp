#include "capturesource.h"

#include "capturethread.h"

namespace {

constexpr int watchMs = 250;

} // namespace

CaptureSource::CaptureSource(const QString& device, int stallMs, QObject* parent)
    : FrameSource(parent), device_(device), stallMs_(stallMs),
      thread_(std::make_unique<CaptureThread>(device, regions_))
{
    watchdog_.setInterval(watchMs);
    connect(&watchdog_, &QTimer::timeout, this, &CaptureSource::watch);
    connect(thread_.get(), &CaptureThread::news, this, &CaptureSource::collect);
}

CaptureSource::~CaptureSource() = default;

void CaptureSource::start()
{
    emit settingsDescribed(tr("Video from %1").arg(device_));
    sinceFrame_.start();
    watchdog_.start();
    thread_->start();
}

void CaptureSource::collect()
{
    const CaptureThread::News news = thread_->take();
    if (news.frame.picture) {
        problem_.clear();
        sinceFrame_.restart();
        emit frameReady(news.frame);
    }
    if (!news.problem.isEmpty())
        lose(news.problem);
}

void CaptureSource::watch()
{
    if (problem_.isEmpty() && sinceFrame_.elapsed() > stallMs_)
        lose(tr("%1 has sent no picture for %2 s")
                 .arg(deviceName(device_))
                 .arg(double(stallMs_) / 1000.0));
}

void CaptureSource::lose(const QString& reason)
{
    if (reason == problem_)
        return;
    problem_ = reason;
    emit signalLost(reason);
}
