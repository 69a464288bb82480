#include "capturethread.h"

#include "captured.h"
#include "framereader.h"
#include "gstreamer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QWaitCondition>

#include <exception>
#include <utility>

namespace {

constexpr unsigned long reopenMs = 1000;
// Long enough for a frame in hand to be finished; a thread blocked in the back end longer than
// this is let go.
constexpr int stopMs = 1000;
// How long a read waits before the thread looks whether it is to stop.
constexpr int readWaitMs = 100;

bool isIndex(const QString& device)
{
    bool number = false;
    return device.toInt(&number) >= 0 && number;
}

// The back ends do not say why a device did not open. A device that the device list shows, which
// only asks it what it offers, yet that does not open to stream, is streaming to another program.
QString whyNotOpened(const QString& device)
{
    if (isPipeline(device))
        return CaptureThread::tr("the pipeline does not start");
    const QString name = deviceName(device);
    const std::optional<bool> listed = isIndex(device) ? std::nullopt : listsCaptureDevice(device);
    if (!listed)
        return CaptureThread::tr("%1 cannot be opened: in use by another program, or not a video "
                                 "capture device")
            .arg(name);
    return *listed ? CaptureThread::tr("%1 is in use by another program").arg(name)
                   : CaptureThread::tr("%1 cannot be opened: not a video capture device").arg(name);
}

} // namespace

QString formatText(imaging::CapturedKind kind)
{
    switch (kind) {
    case imaging::CapturedKind::Grey8:
        return CaptureThread::tr("8-bit grey");
    case imaging::CapturedKind::Grey16:
        return CaptureThread::tr("16-bit grey");
    case imaging::CapturedKind::Yuv422:
        return CaptureThread::tr("YUV 4:2:2");
    case imaging::CapturedKind::Yuv420:
        return CaptureThread::tr("YUV 4:2:0");
    case imaging::CapturedKind::Colour:
        return CaptureThread::tr("colour");
    case imaging::CapturedKind::Unsupported:
        break;
    }
    return QString();
}

bool isPipeline(const QString& device)
{
    return device.contains(QLatin1Char('!'));
}

QString deviceAbsence(const QString& device)
{
    if (isPipeline(device) || isIndex(device))
        return QString();
    const QFileInfo file(device);
    const QString path = QDir::toNativeSeparators(device);
    if (!file.exists())
        return CaptureThread::tr("%1 is not there").arg(path);
    if (file.isDir())
        return CaptureThread::tr("%1 is a folder, not a video device").arg(path);
    if (file.isFile())
        return CaptureThread::tr("%1 is a file, not a video device").arg(path);
    return QString();
}

QString deviceName(const QString& device)
{
    return isPipeline(device) ? CaptureThread::tr("the pipeline")
                              : QDir::toNativeSeparators(device);
}

// What the thread does, and what it shares with the CaptureThread that started it: the thread
// holds it until it ends, which may be after the CaptureThread has gone.
class CaptureThread::Reading
{
public:
    Reading(const QString& device, std::shared_ptr<const MeasuredRegions> regions,
            CaptureThread* owner)
        : device_(device), regions_(std::move(regions)), owner_(owner)
    {
    }

    void run();
    // Says that run() has returned.
    void end();
    News take();
    // Tells the thread to stop and waits at most waitMs for it to end; whether it did.
    bool stop(int waitMs);

private:
    // Until the stream ends or fails, or the thread is to stop; why it ended.
    QString readFrames(FrameReader& reader);
    void publish(News news);
    bool stopping();
    // Waits before the next open; false when the thread is to stop.
    bool pause();

    const QString device_;
    const std::shared_ptr<const MeasuredRegions> regions_;
    CaptureThread* const owner_; // gone once stopping_ is set
    QMutex mutex_;
    QWaitCondition wake_;
    QWaitCondition ended_;
    News news_;
    bool announced_ = false;
    bool stopping_ = false;
    bool finished_ = false;
};

CaptureThread::CaptureThread(const QString& device, std::shared_ptr<const MeasuredRegions> regions)
    : reading_(std::make_shared<Reading>(device, std::move(regions), this))
{
}

CaptureThread::~CaptureThread()
{
    if (!thread_.joinable())
        return;
    if (reading_->stop(stopMs))
        thread_.join();
    else
        thread_.detach();
}

void CaptureThread::start()
{
    thread_ = std::thread([reading = reading_] {
        reading->run();
        reading->end();
    });
}

CaptureThread::News CaptureThread::take()
{
    return reading_->take();
}

CaptureThread::News CaptureThread::Reading::take()
{
    QMutexLocker lock(&mutex_);
    announced_ = false;
    return std::exchange(news_, News());
}

bool CaptureThread::Reading::stop(int waitMs)
{
    QMutexLocker lock(&mutex_);
    stopping_ = true;
    wake_.wakeAll();
    const QDeadlineTimer deadline(waitMs);
    while (!finished_ && ended_.wait(&mutex_, deadline)) {
    }
    return finished_;
}

void CaptureThread::Reading::end()
{
    QMutexLocker lock(&mutex_);
    finished_ = true;
    ended_.wakeAll();
}

void CaptureThread::Reading::run()
{
    const QString name = deviceName(device_);
    for (;;) {
        QString problem = deviceAbsence(device_);
        if (problem.isEmpty()) {
            try {
                const std::unique_ptr<FrameReader> reader = openCapture(device_, problem);
                if (!reader && problem.isEmpty())
                    problem = whyNotOpened(device_);
                else if (reader)
                    problem = readFrames(*reader);
            } catch (const std::exception& failure) {
                // An exception out of run() would end the program; a failed device is a No signal.
                problem = tr("%1 failed: %2").arg(name, QString::fromLocal8Bit(failure.what()));
            }
        }
        if (stopping())
            return;
        publish({Frame(), problem});
        if (!pause())
            return;
    }
}

QString CaptureThread::Reading::readFrames(FrameReader& reader)
{
    imaging::Histogram scratch;
    // Why the frames since the last one shown could not be shown: the stream's end does not hide
    // it, since it is why there was no picture.
    QString unshown;
    while (!stopping()) {
        Frame frame;
        QString problem;
        const auto take = [&](const imaging::CapturedFrame& captured) {
            QElapsedTimer clock;
            clock.start();
            auto picture = std::make_shared<imaging::Picture>();
            const imaging::CapturedKind kind =
                imaging::capturedPicture(captured, *picture, scratch);
            if (kind == imaging::CapturedKind::Unsupported) {
                problem = tr("%1 sends frames of a kind the preview cannot show")
                              .arg(deviceName(device_));
                return;
            }
            auto tone = std::make_shared<imaging::Tone>(
                imaging::capturedTone(picture->counts, picture->levels, scratch));
            imaging::Readings readings = imaging::measure(*picture, regions_->get());
            const double milliseconds = double(clock.nsecsElapsed()) / 1e6;
            const QString caption = tr("Video: %1 × %2, %3")
                                        .arg(picture->levels.cols)
                                        .arg(picture->levels.rows)
                                        .arg(kind == imaging::CapturedKind::Grey16
                                                 ? tr("%1, stretched").arg(formatText(kind))
                                                 : formatText(kind));
            frame = Frame{std::move(picture), milliseconds, caption, nullptr, nullptr, kind,
                          std::move(tone), std::move(readings)};
        };
        switch (reader.next(readWaitMs, take, problem)) {
        case FrameReader::Outcome::Frame:
            unshown = frame.picture ? QString() : problem;
            publish({std::move(frame), problem});
            break;
        case FrameReader::Outcome::Waiting:
            break;
        case FrameReader::Outcome::Ended:
            if (!unshown.isEmpty())
                return unshown;
            return isPipeline(device_) ? tr("the pipeline ended")
                                       : tr("%1 stopped sending pictures").arg(deviceName(device_));
        case FrameReader::Outcome::Failed:
            return problem;
        }
    }
    return QString();
}

void CaptureThread::Reading::publish(News news)
{
    QMutexLocker lock(&mutex_);
    if (stopping_)
        return; // nobody takes it, and owner_ may be gone
    // A frame ends any problem before it; a problem after a frame leaves the frame to be taken
    // (the last frame before a stream ends is shown, and written by a snapshot).
    if (news.frame.picture)
        news_ = std::move(news);
    else
        news_.problem = std::move(news.problem);
    if (!announced_) {
        announced_ = true;
        emit owner_->news();
    }
}

bool CaptureThread::Reading::stopping()
{
    QMutexLocker lock(&mutex_);
    return stopping_;
}

bool CaptureThread::Reading::pause()
{
    QMutexLocker lock(&mutex_);
    if (!stopping_)
        wake_.wait(&mutex_, reopenMs);
    return !stopping_;
}
