#include "snapshot.h"

#include "camerafollower.h"
#include "capturesource.h"
#include "overlays.h"
#include "pipeline.h"
#include "platform.h"
#include "wholefiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QThread>

#include <cerrno>
#include <cstdio>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Snapshot {
    Q_DECLARE_TR_FUNCTIONS(Snapshot)
};

} // namespace

namespace {

// Opening a FIFO to write waits for a reader, for ever if none comes: a snapshot piped to a
// program that is never started would hang without a word. So it waits this long, then gives up.
constexpr int readerWaitMs = 5000;
constexpr unsigned long readerPollMs = 50;

#if defined(Q_OS_UNIX)
bool isFifo(const QString& path)
{
    struct stat status {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

// A non-blocking open of a FIFO fails with ENXIO until a program opens it to read.
bool writeFifo(const QString& path, const QByteArray& bytes, QString& error)
{
    QElapsedTimer waiting;
    waiting.start();
    int descriptor = -1;
    for (;;) {
        descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor >= 0 || errno != ENXIO || waiting.elapsed() >= readerWaitMs)
            break;
        QThread::msleep(readerPollMs);
    }
    if (descriptor < 0) {
        error = errno == ENXIO ? Snapshot::tr("no program reads from it") : qt_error_string(errno);
        return false;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (file.open(descriptor, QIODevice::WriteOnly | QIODevice::Unbuffered,
                  QFileDevice::AutoCloseHandle) &&
        files::writeAll(file, bytes))
        return true;
    error = file.errorString();
    return false;
}
#endif

} // namespace

bool writeFile(const QString& path, const QByteArray& bytes, QString& error)
{
    if (path == QLatin1String("-")) {
        platform::binaryStandardOutput();
        QFile output;
        if (!output.open(stdout, QIODevice::WriteOnly) || !files::writeAll(output, bytes)) {
            error = output.errorString();
            return false;
        }
        return true;
    }
#if defined(Q_OS_UNIX)
    if (isFifo(path))
        return writeFifo(path, bytes, error);
#endif
    return files::writeWhole(path, bytes, error);
}

namespace {

int writeImage(const QImage& image, const QString& path, QString& error)
{
    QByteArray png;
    QBuffer buffer(&png);
    QString why;
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG") ||
        !writeFile(path, png, why)) {
        error = Snapshot::tr("%1 cannot be written: %2")
                    .arg(path == QLatin1String("-") ? Snapshot::tr("Standard output") : path, why);
        return Unwritten;
    }
    return Shown;
}

int writeLevels(const cv::Mat& levels, const QString& path, QString& error)
{
    return writeImage(
        QImage(levels.data, levels.cols, levels.rows, int(levels.step), QImage::Format_Grayscale8),
        path, error);
}

// The grey picture in colour, so that the settings drawn over it stand out.
int writeWithOverlays(const imaging::Picture& picture, const imaging::Settings& settings,
                      const QString& path, QString& error)
{
    cv::Mat coloured;
    cv::cvtColor(picture.levels, coloured, cv::COLOR_GRAY2BGR);
    imaging::drawOverlays(coloured, imaging::overlaysOf(picture, settings));
    return writeImage(QImage(coloured.data, coloured.cols, coloured.rows, int(coloured.step),
                             QImage::Format_BGR888),
                      path, error);
}

} // namespace

int writeSnapshot(const QString& port, std::int64_t frame, const QString& path, QString& error,
                  bool overlays)
{
    const std::string name = port.toStdString();
    error = CameraFollower::problemOf(name);
    if (!error.isEmpty())
        return Unreachable;
    // The stand-in read the state file over the configured settings as it started, a moment ago:
    // read again, the file would only be parsed twice (and a damaged one said twice).
    const orvex_sim::CameraSettings& camera = orvex_sim::settings(name);
    const std::optional<std::int64_t> nucFrame =
        camera.nucRequests != 0 ? std::optional<std::int64_t>(frame) : std::nullopt;
    imaging::Pipeline pipeline;
    const imaging::Settings settings = imagingSettings(camera, frame, nucFrame);
    const imaging::Picture picture = pipeline.render(frame, settings);
    return overlays ? writeWithOverlays(picture, settings, path, error)
                    : writeLevels(picture.levels, path, error);
}

int writeCaptureSnapshot(const QString& device, int timeoutMs, const QString& path, QString& error)
{
    // The first news settles it: a picture, or why there is none (the device is missing, does
    // not open, ends before its first frame, or sends nothing in time).
    CaptureSource source(device, timeoutMs);
    Frame frame;
    QEventLoop loop;
    QObject::connect(&source, &FrameSource::frameReady, &loop, [&](const Frame& ready) {
        frame = ready;
        loop.quit();
    });
    QObject::connect(&source, &FrameSource::signalLost, &loop, [&](const QString& reason) {
        error = reason;
        loop.quit();
    });
    source.start();
    loop.exec();
    if (!frame.picture)
        return Unreachable;
    return writeLevels(frame.picture->levels, path, error);
}
