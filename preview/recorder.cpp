#include "recorder.h"

#include "capturethread.h"
#include "settingvalues.h"
#include "tiffpages.h"
#include "videofile.h"
#include "wholefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

// A classic TIFF file's offsets reach 4 GiB; a margin for its directories below that.
constexpr qint64 classicTiffBytes = (qint64(1) << 32) - (qint64(1) << 24);
constexpr qint64 pageOverheadBytes = 512;
// Room kept for the video and the sidecar beside the next raw page, and for the video's ending.
constexpr qint64 spareBytes = qint64(4) << 20;

// A value as a CSV field: quoted where it holds a comma, a quote or a line break.
QString field(const QString& value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\n')))
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// The frame's raw counts where its source has them, its levels otherwise.
const cv::Mat& rawPicture(const imaging::Picture& picture)
{
    return picture.counts.empty() ? picture.levels : picture.counts;
}

} // namespace

QString framesText(qint64 frames)
{
    return frames == 1 ? Recorder::tr("1 frame") : Recorder::tr("%1 frames").arg(frames);
}

struct Recorder::Files {
    QString raw;
    QString sidecar;
    QString video;
    TiffPages pages;
    QFile rows;
    VideoFile videoFile;
    bool started = false;
    bool stopped = false;
};

Recorder::Recorder(const QString& name, std::optional<qint64> frames, QObject* parent)
    : QThread(parent), name_(name), frames_(frames)
{
}

Recorder::~Recorder()
{
    finish();
}

QStringList Recorder::extensions()
{
    return {QStringLiteral(".tiff"), QStringLiteral(".csv"), QStringLiteral(".webm")};
}

QString Recorder::nameOf(const QString& typed)
{
    for (const QString& extension : extensions()) {
        if (typed.endsWith(extension, Qt::CaseInsensitive))
            return typed.left(typed.size() - extension.size());
    }
    return typed;
}

bool Recorder::begin(QString& error)
{
    // Opened to append, a file that is there is left as it is; one made here goes again.
    for (const QString& extension : extensions()) {
        QFile file(name_ + extension);
        const bool existed = file.exists();
        QString problem = files::othersLinkProblem(file.fileName());
        // The raw file is read back as it grows, and a FIFO would hold the open until a reader
        // came: a recording's files are files.
        if (problem.isEmpty() && files::isWrittenInPlace(file.fileName()))
            problem = tr("it is no regular file");
        if (problem.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Append))
            problem = file.errorString();
        if (!problem.isEmpty()) {
            error = tr("%1 cannot be written: %2")
                        .arg(QDir::toNativeSeparators(file.fileName()), problem);
            return false;
        }
        file.close();
        if (!existed)
            file.remove();
    }
    start();
    return true;
}

bool Recorder::add(const Frame& frame, const QVector<QRgb>& colours)
{
    if (!frame.picture)
        return false;
    QMutexLocker lock(&mutex_);
    if (closing_ || !failure_.isEmpty())
        return false;
    if (int(queue_.size()) >= queueLength) {
        ++dropped_;
        return false;
    }
    const bool first = !firstFrame_;
    if (first) {
        firstFrame_ = frame.picture->frame;
        sinceFirst_.start();
    }
    queue_.push_back({frame, colours, QDateTime::currentDateTimeUtc(),
                      first ? 0.0 : secondsSinceFirst(frame)});
    wake_.wakeAll();
    return true;
}

double Recorder::secondsTo(const Frame& frame) const
{
    QMutexLocker lock(&mutex_);
    return secondsSinceFirst(frame);
}

double Recorder::secondsSinceFirst(const Frame& frame) const
{
    if (!firstFrame_ || !frame.picture)
        return 0.0;
    if (frame.camera)
        return double(frame.picture->frame - *firstFrame_) / imaging::framesPerSecond;
    return double(sinceFirst_.nsecsElapsed()) / 1e9;
}

void Recorder::end()
{
    QMutexLocker lock(&mutex_);
    closing_ = true;
    wake_.wakeAll();
}

QString Recorder::finish()
{
    end();
    wait();
    return failure();
}

qint64 Recorder::written() const
{
    QMutexLocker lock(&mutex_);
    return written_;
}

qint64 Recorder::dropped() const
{
    QMutexLocker lock(&mutex_);
    return dropped_;
}

QString Recorder::failure() const
{
    QMutexLocker lock(&mutex_);
    return failure_;
}

void Recorder::run()
{
    Files files;
    files.raw = name_ + extensions().at(0);
    files.sidecar = name_ + extensions().at(1);
    files.video = name_ + extensions().at(2);
    QMutexLocker lock(&mutex_);
    for (;;) {
        while (queue_.empty() && !closing_)
            wake_.wait(&mutex_);
        if (queue_.empty())
            break;
        const Item item = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        QString why;
        const bool written = !files.stopped && write(files, item, why);
        if (!files.stopped && !written)
            stop(files, why);
        lock.relock();
        if (written)
            ++written_;
    }
    lock.unlock();
    stop(files, QString());
}

bool Recorder::open(Files& files, const Item& item, QString& why)
{
    files.started = true;
    const cv::Mat& raw = rawPicture(*item.frame.picture);
    const qint64 pageBytes = qint64(raw.total() * raw.elemSize()) + pageOverheadBytes;
    // Divided rather than multiplied: a count asked for may be as large as a number can be.
    const bool big = !frames_ || *frames_ > classicTiffBytes / pageBytes;
    QString problem;
    if (!files.pages.open(files.raw, big, problem)) {
        why = tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(files.raw), problem);
        return false;
    }
    files.rows.setFileName(files.sidecar);
    if (!files.rows.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        why = tr("%1 cannot be written: %2")
                  .arg(QDir::toNativeSeparators(files.sidecar), files.rows.errorString());
        return false;
    }
    QStringList header{QStringLiteral("frame"), QStringLiteral("time"), QStringLiteral("seconds")};
    if (item.frame.camera) {
        header << QStringLiteral("camera_frame");
        for (const SettingValue& value : settingValues(*item.frame.camera))
            header << value.name;
    } else {
        header << QStringLiteral("width") << QStringLiteral("height") << QStringLiteral("format")
               << QStringLiteral("settings");
    }
    const QByteArray line = header.join(QLatin1Char(',')).toUtf8() + '\n';
    if (files.rows.write(line) != line.size() || !files.rows.flush()) {
        why = tr("%1 cannot be written: %2")
                  .arg(QDir::toNativeSeparators(files.sidecar), files.rows.errorString());
        return false;
    }
    const cv::Mat& levels = item.frame.picture->levels;
    if (!files.videoFile.open(files.video, levels.size(), problem)) {
        why = tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(files.video), problem);
        return false;
    }
    return true;
}

bool Recorder::write(Files& files, const Item& item, QString& why)
{
    if (!files.started && !open(files, item, why))
        return false;
    const imaging::Picture& picture = *item.frame.picture;
    const cv::Mat& raw = rawPicture(picture);
    // A page that would fill the disk is not begun: the files end with whole frames, and the
    // video has room to be finished.
    const QStorageInfo disk(QFileInfo(files.raw).absolutePath());
    const qint64 needed = qint64(raw.total() * raw.elemSize()) + spareBytes;
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < needed) {
        why = tr("%1 cannot be written: the disk is full").arg(QDir::toNativeSeparators(files.raw));
        return false;
    }

    QString problem;
    if (!files.pages.add(raw, problem)) {
        why = tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(files.raw), problem);
        return false;
    }
    QStringList row{QString::number(files.pages.pages() - 1),
                    item.time.toString(Qt::ISODateWithMs),
                    QString::number(item.seconds, 'f', 3)};
    if (item.frame.camera) {
        row << QString::number(picture.frame);
        for (const SettingValue& value : settingValues(*item.frame.camera))
            row << field(value.value);
    } else {
        row << QString::number(raw.cols) << QString::number(raw.rows)
            << field(formatText(item.frame.captured)) << QStringLiteral("unknown");
    }
    const QByteArray line = row.join(QLatin1Char(',')).toUtf8() + '\n';
    if (files.rows.write(line) != line.size() || !files.rows.flush()) {
        why = tr("%1 cannot be written: %2")
                  .arg(QDir::toNativeSeparators(files.sidecar), files.rows.errorString());
        return false;
    }

    if (!files.videoFile.add(picture.levels, item.colours, item.seconds, problem)) {
        why = tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(files.video), problem);
        return false;
    }
    return true;
}

// Ends every file, so that each is readable up to its last whole frame. why: the failure that
// stops the recording, said once; empty when it ends as asked.
void Recorder::stop(Files& files, const QString& why)
{
    if (files.stopped)
        return;
    files.stopped = true;
    files.pages.close();
    files.rows.close();
    QString problem;
    const bool finished = files.videoFile.close(problem);
    QString failure = why;
    if (failure.isEmpty() && !finished)
        failure =
            tr("%1 cannot be finished: %2").arg(QDir::toNativeSeparators(files.video), problem);
    if (failure.isEmpty())
        return;
    const QString text = tr("%1. The recording stopped; %2 before it stay readable.")
                             .arg(failure, framesText(files.pages.pages()));
    {
        QMutexLocker lock(&mutex_);
        failure_ = text;
    }
    emit failed(text);
}
