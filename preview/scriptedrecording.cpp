#include "scriptedrecording.h"

#include "palettes.h"
#include "platform.h"
#include "recorder.h"
#include "snapshot.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {

struct Scripted {
    Q_DECLARE_TR_FUNCTIONS(Recording)
};

constexpr int stopLookMs = 100;

} // namespace

int recordFrames(FrameSource& source, const RecordingPlan& plan, QString& error, QString& note)
{
    Recorder recorder(plan.name, plan.mostFrames);
    if (!recorder.begin(error))
        return Unwritten;
    platform::heedStopRequests(
        "orvexhd-preview: stopping: the recording is finished with the frames it has\n");
    const QVector<QRgb> grey = paletteColours(Palette::Grey);
    std::optional<int> status;
    qint64 taken = 0;
    QEventLoop loop;
    const auto end = [&](int ending) {
        if (!status) {
            status = ending;
            loop.quit();
        }
    };
    QObject::connect(&recorder, &Recorder::failed, &loop, [&](const QString& text) {
        error = text;
        end(Unwritten);
    });
    QObject::connect(&source, &FrameSource::frameReady, &loop, [&](const Frame& frame) {
        if (status)
            return;
        if (plan.seconds && taken > 0 && recorder.secondsTo(frame) >= *plan.seconds) {
            end(Shown);
            return;
        }
        if (recorder.add(frame, grey))
            ++taken;
        if (plan.frames && taken >= *plan.frames)
            end(Shown);
    });
    QObject::connect(&source, &FrameSource::signalLost, &loop, [&](const QString& reason) {
        error = taken == 0 ? reason
                           : Scripted::tr("%1, after %2 of the recording")
                                 .arg(reason, framesText(taken));
        end(Unreachable);
    });
    QTimer stopLook;
    QObject::connect(&stopLook, &QTimer::timeout, &loop, [&] {
        if (platform::stopRequested())
            end(Shown);
    });
    stopLook.start(stopLookMs);
    source.start();
    loop.exec();
    // A failure that came while the last frames were written.
    const QString failure = recorder.finish();
    if (!failure.isEmpty()) {
        error = failure;
        return Unwritten;
    }
    if (recorder.dropped() > 0)
        note = Scripted::tr("%1 dropped: the disk did not keep up with the camera")
                   .arg(framesText(recorder.dropped()));
    return *status;
}
