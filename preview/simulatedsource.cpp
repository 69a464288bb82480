#include "simulatedsource.h"

#include "sdkaccess.h"

#include <QFileInfo>

namespace {

constexpr int frameMs = 1000 / imaging::framesPerSecond;

QString tapName(imaging::Tap tap)
{
    static const char* const names[] = {
        QT_TRANSLATE_NOOP("SimulatedSource", "RAW"),
        QT_TRANSLATE_NOOP("SimulatedSource", "NUC"),
        QT_TRANSLATE_NOOP("SimulatedSource", "COLUMN CORRECTION"),
        QT_TRANSLATE_NOOP("SimulatedSource", "VIGNETTING CORRECTION"),
        QT_TRANSLATE_NOOP("SimulatedSource", "EDGE ENHANCEMENT"),
        QT_TRANSLATE_NOOP("SimulatedSource", "LUT CORRECTION"),
        QT_TRANSLATE_NOOP("SimulatedSource", "RESERVED"),
        QT_TRANSLATE_NOOP("SimulatedSource", "ZOOM"),
        QT_TRANSLATE_NOOP("SimulatedSource", "BT656/SDI"),
    };
    return SimulatedSource::tr(names[int(tap)]);
}

} // namespace

SimulatedSource::SimulatedSource(const QString& port, QObject* parent)
    : FrameSource(parent), port_(port), follower_(port.toStdString()), renderer_(regions_)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(frameMs);
    connect(&timer_, &QTimer::timeout, this, &SimulatedSource::tick);
    connect(&renderer_, &RenderThread::rendered, this, &SimulatedSource::deliver);
    parser_.moveToThread(&parsing_);
    follower_.parseElsewhere(
        [this](CameraFollower::Kept request, std::optional<CameraFollower::Kept> before) {
            QMetaObject::invokeMethod(&parser_, [this, request, before]() mutable {
                CameraFollower::parse(request, before);
                QMetaObject::invokeMethod(
                    this, [this, request] { follower_.parsed(request); }, Qt::QueuedConnection);
            });
        });
    // The size and time of a file rewritten in place within a tick of the clock may not change;
    // the watcher sees it. Replaced, the file drops out of the watcher and is watched again, as
    // one that appears in the folder is.
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
        follower_.stateFileChanged();
        watchStateFile();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchStateFile();
        follower_.lookAtStateFile();
    });
}

SimulatedSource::~SimulatedSource()
{
    parsing_.quit();
    parsing_.wait();
}

void SimulatedSource::start()
{
    clock_.start();
    renderer_.start();
    parsing_.start();
    watchStateFile();
    timer_.start();
    tick();
}

void SimulatedSource::watchStateFile()
{
    // Only the stand-in keeps a state file; the follower says why there is no picture otherwise.
    if (!sdkaccess::standIn())
        return;
    const QString stateFile = QString::fromStdString(orvex_sim::stateFilePath());
    if (stateFile.isEmpty())
        return;
    const QFileInfo file(stateFile);
    const QString folder = file.absolutePath();
    if (!watcher_.directories().contains(folder) && QFileInfo(folder).isDir())
        watcher_.addPath(folder);
    if (!watcher_.files().contains(stateFile) && file.isFile())
        watcher_.addPath(stateFile);
}

void SimulatedSource::tick()
{
    // The frame of this moment, not the next in a row: a late frame is skipped, so the scene keeps
    // the pace of the clock.
    const std::int64_t frame = clock_.elapsed() / frameMs;
    const CameraFollower::Reading reading = follower_.read(frame);
    if (!reading.known)
        return;
    if (reading.source != source_) {
        source_ = reading.source;
        emit settingsDescribed(source_);
    }
    if (!reading.answers) {
        if (answering_ || problem_ != reading.problem) {
            answering_ = false;
            problem_ = reading.problem;
            emit signalLost(problem_);
        }
        return;
    }
    answering_ = true;
    problem_.clear();
    renderer_.request(frame, reading.settings, reading.camera);
}

void SimulatedSource::deliver()
{
    Frame frame = renderer_.take();
    // A frame asked for before the camera went is not shown after "No signal".
    if (!frame.picture || !answering_)
        return;
    frame.caption = tr("Video output: %1").arg(tapName(frame.picture->tap));
    emit frameReady(frame);
}
