// A recording of the frames the preview shows, in three files whose names are the recording's
// name and an extension:
//   NAME.tiff  the raw counts, a 16-bit page a frame (an 8-bit source's levels, 8-bit pages)
//   NAME.csv   a row a frame: its time, and the camera's settings in force (for a capture device
//              its format, and that its settings are unknown)
//   NAME.webm  the picture as shown, coloured, as a video any player opens
// The files are written on a thread of their own, frames waiting in a short queue: a frame that
// finds the queue full (a disk slower than the camera) is dropped and counted, so the picture
// never waits for the disk. A file that cannot be written (a full disk, a folder taken away) stops
// the recording; what was written before stays readable, each file ending with a whole frame.
#pragma once

#include "framesource.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QMutex>
#include <QRgb>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

#include <deque>
#include <optional>

// "1 frame", "12 frames".
QString framesText(qint64 frames);

class Recorder : public QThread
{
    Q_OBJECT

public:
    // name: the files' path up to their extensions. frames: the most it will hold, when known,
    // which lets a short recording's raw file be a classic TIFF rather than a BigTIFF.
    explicit Recorder(const QString& name, std::optional<qint64> frames = std::nullopt,
                      QObject* parent = nullptr);
    // Finishes the files.
    ~Recorder() override;

    // The frames waiting to be written, at most: about a third of a second of the camera's.
    static constexpr int queueLength = 8;
    // The files' extensions, raw, sidecar and video, in that order.
    static QStringList extensions();
    // The recording a typed name means: one that ends with one of the extensions means the
    // recording itself ("run1.tiff" is run1).
    static QString nameOf(const QString& typed);

    // Checks that each file can be written, and starts. Nothing is written, and no file replaced,
    // until the first frame comes. False, with why, when a file cannot be written.
    bool begin(QString& error);
    // Queues a frame, its video picture coloured by colours. False when it is not recorded: the
    // queue was full (counted in dropped()), or the recording has stopped.
    bool add(const Frame& frame, const QVector<QRgb>& colours);
    // Seconds from the recording's first frame to frame: by the camera's frame numbers for the
    // simulated camera, by the clock for a capture device. 0 before the first.
    double secondsTo(const Frame& frame) const;
    // Asks the thread to write what waits and end the files, and returns: finished() says when it
    // has. Nothing more is recorded.
    void end();
    // Ends the recording and waits for that; why it failed, if it did.
    QString finish();

    const QString& name() const { return name_; }
    qint64 written() const;
    qint64 dropped() const;
    // Why the recording stopped by itself, and what it kept; empty while it goes.
    QString failure() const;

signals:
    // The recording stopped by itself; the text says why and what was kept.
    void failed(const QString& text);

protected:
    void run() override;

private:
    struct Item {
        Frame frame;
        QVector<QRgb> colours;
        QDateTime time;
        double seconds;
    };
    struct Files;

    double secondsSinceFirst(const Frame& frame) const; // with mutex_ held
    bool write(Files& files, const Item& item, QString& why);
    bool open(Files& files, const Item& item, QString& why);
    void stop(Files& files, const QString& why);

    const QString name_;
    const std::optional<qint64> frames_;
    mutable QMutex mutex_;
    QWaitCondition wake_;
    std::deque<Item> queue_;
    bool closing_ = false;
    qint64 written_ = 0;
    qint64 dropped_ = 0;
    QString failure_;
    // The first frame's: its number for the simulated camera, its arrival for a capture device.
    std::optional<std::int64_t> firstFrame_;
    QElapsedTimer sinceFirst_;
};
