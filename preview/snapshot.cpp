#include "snapshot.h"

#include "camerafollower.h"
#include "capturesource.h"
#include "pipeline.h"
#include "platform.h"
#include "wholefiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>

#include <cstdio>

namespace {

struct Snapshot {
    Q_DECLARE_TR_FUNCTIONS(Snapshot)
};

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
    return files::writeWhole(path, bytes, error);
}

namespace {

int writeLevels(const cv::Mat& levels, const QString& path, QString& error)
{
    const QImage image(levels.data, levels.cols, levels.rows, int(levels.step),
                       QImage::Format_Grayscale8);
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

} // namespace

int writeSnapshot(const QString& port, std::int64_t frame, const QString& path, QString& error)
{
    CameraFollower follower(port.toStdString());
    const CameraFollower::Reading reading = follower.read(frame);
    if (!reading.answers) {
        error = reading.problem;
        return Unreachable;
    }
    imaging::Pipeline pipeline;
    return writeLevels(pipeline.render(frame, reading.settings).levels, path, error);
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
