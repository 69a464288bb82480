#include "capturethread.h"

#include "captured.h"
#include "gstreamer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <opencv2/videoio.hpp>

#include <exception>
#include <utility>

namespace {

constexpr unsigned long reopenMs = 1000;

// The back end for a device's path or index: the one place that knows the platforms' names.
constexpr int deviceBackend =
#if defined(_WIN32)
    cv::CAP_MSMF;
#elif defined(__linux__)
    cv::CAP_V4L2;
#else
    cv::CAP_ANY;
#endif

bool isIndex(const QString& device)
{
    bool number = false;
    return device.toInt(&number) >= 0 && number;
}

// A property as a whole number, 0 where the back end gives none or a value out of range.
std::uint32_t wholeProperty(const cv::VideoCapture& capture, int property)
{
    const double value = capture.get(property);
    return value >= 0.0 && value <= 4294967295.0 ? std::uint32_t(value) : 0;
}

// The byte order of a pipeline's 4:2:2 frames, where its description fixes their format: the
// pixels of a flat picture cannot tell brightness from colour. 0 where it does not.
std::uint32_t pipelineFourcc(const QString& description)
{
    const QString format = pipelineFormat(description);
    if (format == QLatin1String("YUY2") || format == QLatin1String("YVYU"))
        return std::uint32_t(cv::VideoWriter::fourcc('Y', 'U', 'Y', 'V'));
    if (format == QLatin1String("UYVY"))
        return std::uint32_t(cv::VideoWriter::fourcc('U', 'Y', 'V', 'Y'));
    return 0;
}

bool openCapture(cv::VideoCapture& capture, const QString& device)
{
    if (isPipeline(device))
        return capture.open(device.toStdString(), cv::CAP_GSTREAMER);
    const bool opened = isIndex(device)
                            ? capture.open(device.toInt(), deviceBackend)
                            : capture.open(QFile::encodeName(device).toStdString(), deviceBackend);
    if (!opened)
        return false;
    // Frames are taken raw where the preview knows their format: converted to colour, 16-bit grey
    // would lose its counts.
    capture.set(cv::CAP_PROP_CONVERT_RGB, 0.0);
    if (!imaging::takenRaw(wholeProperty(capture, cv::CAP_PROP_FOURCC)))
        capture.set(cv::CAP_PROP_CONVERT_RGB, 1.0);
    return true;
}

// OpenCV does not say why an open failed. A device that the device list shows, which only asks
// it what it offers, yet that does not open to stream, is streaming to another program.
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

QString kindText(imaging::CapturedKind kind)
{
    switch (kind) {
    case imaging::CapturedKind::Grey8:
        return CaptureThread::tr("8-bit grey");
    case imaging::CapturedKind::Grey16:
        return CaptureThread::tr("16-bit grey, stretched");
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

} // namespace

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

CaptureThread::CaptureThread(const QString& device) : device_(device) {}

CaptureThread::News CaptureThread::take()
{
    QMutexLocker lock(&mutex_);
    announced_ = false;
    return std::exchange(news_, News());
}

void CaptureThread::release(int waitMs)
{
    {
        QMutexLocker lock(&mutex_);
        stopping_ = true;
        wake_.wakeAll();
    }
    if (wait(QDeadlineTimer(waitMs))) {
        delete this;
        return;
    }
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    // It may have stopped between the wait and the connection.
    if (isFinished())
        delete this;
}

void CaptureThread::run()
{
    const QString name = deviceName(device_);
    for (;;) {
        QString problem = deviceAbsence(device_);
        if (problem.isEmpty()) {
            try {
                cv::VideoCapture capture;
                if (!openCapture(capture, device_)) {
                    problem = whyNotOpened(device_);
                } else {
                    readFrames(capture);
                    problem = isPipeline(device_) ? tr("the pipeline ended")
                                                  : tr("%1 stopped sending pictures").arg(name);
                }
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

void CaptureThread::readFrames(cv::VideoCapture& capture)
{
    imaging::CaptureLayout layout;
    // GStreamer's back end does not know the property, and says so on every query; a pipeline's
    // description may say it instead.
    layout.fourcc =
        isPipeline(device_) ? pipelineFourcc(device_) : wholeProperty(capture, cv::CAP_PROP_FOURCC);
    layout.height = int(std::min(wholeProperty(capture, cv::CAP_PROP_FRAME_HEIGHT), 1u << 30));
    imaging::Histogram scratch;
    cv::Mat raw;
    while (!stopping() && capture.read(raw)) {
        // GStreamer's back end hands a compressed frame (JPEG, PNG) over as one row of its bytes,
        // which would pass for a picture.
        if (isPipeline(device_) && raw.rows == 1 && layout.height > 1) {
            publish({Frame(), tr("%1 sends compressed frames, which the preview cannot show; "
                                 "decode them in the pipeline")
                                  .arg(deviceName(device_))});
            continue;
        }
        QElapsedTimer clock;
        clock.start();
        auto picture = std::make_shared<imaging::Picture>();
        const imaging::CapturedKind kind = imaging::capturedPicture(raw, layout, *picture, scratch);
        if (kind == imaging::CapturedKind::Unsupported) {
            publish({Frame(), tr("%1 sends frames of a kind the preview cannot show (%2)")
                                  .arg(deviceName(device_),
                                       QString::fromStdString(cv::typeToString(raw.type())))});
            continue;
        }
        const double milliseconds = double(clock.nsecsElapsed()) / 1e6;
        const QString caption = tr("Video: %1 × %2, %3")
                                    .arg(picture->levels.cols)
                                    .arg(picture->levels.rows)
                                    .arg(kindText(kind));
        publish({Frame{std::move(picture), milliseconds, caption}, QString()});
    }
}

void CaptureThread::publish(News news)
{
    QMutexLocker lock(&mutex_);
    news_ = std::move(news);
    if (!announced_) {
        announced_ = true;
        emit this->news();
    }
}

bool CaptureThread::stopping()
{
    QMutexLocker lock(&mutex_);
    return stopping_;
}

bool CaptureThread::pause()
{
    QMutexLocker lock(&mutex_);
    if (!stopping_)
        wake_.wait(&mutex_, reopenMs);
    return !stopping_;
}
