// orvexhd-preview: a simulated camera's video as its settings make it, following what the window
// and orvexhd-cli change, or a capture device's video; or, with --snapshot, one frame of it to a
// PNG file, or with --record, a recording of it.
#include "camerafollower.h"
#include "capturesource.h"
#include "capturethread.h"
#include "gstreamer.h"
#include "options.h"
#include "platform.h"
#include "previewwindow.h"
#include "qtcompat.h"
#include "scriptedrecording.h"
#include "sdkaccess.h"
#include "simulatedsource.h"
#include "snapshot.h"
#include "temperaturemonitor.h"
#include "wholefiles.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <opencv2/core/utils/logger.hpp>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>

namespace {

// A device that sends nothing for this long fails a snapshot: a grabber needs a moment to start.
constexpr int snapshotTimeoutMs = 5000;

struct Preview {
    Q_DECLARE_TR_FUNCTIONS(Preview)
};

void complain(const QString& text)
{
    QTextStream(stderr) << "orvexhd-preview: " << text << '\n';
}

// Text asked for on standard output; one that cannot be written (a full disk, a closed pipe) is
// said on standard error, as orvexhd-cli does.
int print(const QString& text)
{
    QFile output;
    if (!output.open(stdout, QIODevice::WriteOnly | QIODevice::Text) ||
        !files::writeAll(output, text.toUtf8())) {
        complain(Preview::tr("standard output cannot be written: %1").arg(output.errorString()));
        return Unwritten;
    }
    return Shown;
}

// The frames a simulated camera makes in the plan's seconds: it keeps 25 a second.
std::optional<qint64> simulatedFrames(const RecordingPlan& plan)
{
    if (plan.frames)
        return plan.frames;
    const double frames = std::ceil(*plan.seconds * imaging::framesPerSecond);
    if (frames > double(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return qint64(frames);
}

using Mode = PreviewPlan::Mode;

// As the window starts: a screen reader finds it, and it keeps its size on a scaled screen.
void prepareTheProcess()
{
    qtcompat::prepareAccessibilityBridge();
    qtcompat::scaleToTheScreen();
    platform::surviveClosedPipes();
    QCoreApplication::setApplicationName(QStringLiteral("orvexhd-preview"));
}

// Only a window needs a display. The help needs an application object, since Qt's help names the
// program as it was started; the version is said without one.
std::unique_ptr<QCoreApplication> applicationFor(Mode mode, int& argc, char** argv)
{
    switch (mode) {
    case Mode::Version:
        return nullptr;
    case Mode::Window:
        return std::make_unique<QApplication>(argc, argv);
    case Mode::Help:
    case Mode::ListDevices:
    case Mode::Snapshot:
    case Mode::Record:
        break;
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

// The problem said on standard error; a usage problem with the help after it.
int refuse(const QString& problem, int status, const PreviewOptions& options, int& argc,
           char** argv)
{
    complain(problem);
    if (status == Usage) {
        const std::unique_ptr<QCoreApplication> application =
            applicationFor(Mode::Help, argc, argv);
        QTextStream(stderr) << options.helpText();
    }
    return status;
}

// Why the camera the plan shows cannot be shown, found before any application object starts;
// status says whether the options or the camera are at fault. Empty when it can be.
QString cameraProblem(const PreviewPlan& plan, int& status)
{
    if (!plan.showsACamera())
        return QString();
    status = Unreachable;
    // A camera's port and a snapshot both want the SDK that was named, never a stand-in for it;
    // a capture device's picture alone needs no SDK, and its window says why there is none.
    if ((!plan.port.isEmpty() || plan.mode != Mode::Window) && !sdkaccess::usable())
        return sdkaccess::failure();
    if (plan.capture()) {
        // What can never become a picture is said at once; a device that is missing may still
        // be plugged in.
        const QString problem = isPipeline(plan.device)          ? pipelineProblem(plan.device)
                                : QFileInfo::exists(plan.device) ? deviceAbsence(plan.device)
                                                                 : QString();
        status = Usage;
        return problem.isEmpty() ? problem : Preview::tr("--device: %1").arg(problem);
    }
    if (!sdkaccess::standIn()) {
        status = Usage;
        return Preview::tr("%1 is a real camera's port: its picture comes from a capture device, "
                           "which --device names (with --port for the camera's temperatures)")
            .arg(plan.port);
    }
    // A camera that is not there at the start never comes: the stand-in reads its cameras once.
    return CameraFollower::problemOf(plan.port.toStdString());
}

int listDevices()
{
    QStringList lines;
    QString error;
    if (!listCaptureDevices(lines, error)) {
        complain(error);
        return Unreachable;
    }
    if (lines.isEmpty())
        lines << Preview::tr("No capture devices found.");
    return print(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

int showSimulatedCamera(const PreviewPlan& plan)
{
    PreviewWindow window(std::make_unique<SimulatedSource>(plan.port));
    window.setOverlaysShown(plan.overlays);
    window.show();
    return QApplication::exec();
}

int showCaptureDevice(const PreviewPlan& plan)
{
    PreviewWindow window(std::make_unique<CaptureSource>(plan.device));
    std::unique_ptr<TemperatureMonitor> temperatures;
    if (!plan.port.isEmpty()) {
        temperatures = std::make_unique<TemperatureMonitor>(plan.port);
        QObject::connect(temperatures.get(), &TemperatureMonitor::temperaturesRead, &window,
                         &PreviewWindow::showTemperatures);
        temperatures->start();
    }
    window.show();
    return QApplication::exec();
}

int snapshot(const PreviewPlan& plan)
{
    QString error;
    const int status = plan.capture()
                           ? writeCaptureSnapshot(plan.device, snapshotTimeoutMs, plan.file, error)
                           : writeSnapshot(plan.port, plan.frame, plan.file, error, plan.overlays);
    if (status != Shown)
        complain(error);
    return status;
}

// The status of a recording, with its problem or note said on standard error.
int record(const PreviewPlan& plan)
{
    RecordingPlan recording = plan.recording;
    std::unique_ptr<FrameSource> source;
    if (plan.capture()) {
        source = std::make_unique<CaptureSource>(plan.device, snapshotTimeoutMs);
    } else {
        source = std::make_unique<SimulatedSource>(plan.port);
        recording.mostFrames = simulatedFrames(recording);
    }
    QString error;
    QString note;
    const int status = recordFrames(*source, recording, error, note);
    if (status != Shown)
        complain(error);
    else if (!note.isEmpty())
        complain(note);
    return status;
}

int run(const PreviewPlan& plan, const PreviewOptions& options)
{
    // OpenCV's warnings are for its developers; what fails reaches the status bar.
    if (plan.capture())
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR);
    switch (plan.mode) {
    case Mode::Help:
        return print(options.helpText());
    case Mode::Version:
        return print(QStringLiteral("orvexhd-preview %1\n%2\n")
                         .arg(QStringLiteral(ORVEX_VERSION), sdkaccess::statement()));
    case Mode::ListDevices:
        return listDevices();
    case Mode::Snapshot:
        return snapshot(plan);
    case Mode::Record:
        return record(plan);
    case Mode::Window:
        break;
    }
    return plan.capture() ? showCaptureDevice(plan) : showSimulatedCamera(plan);
}

} // namespace

int main(int argc, char** argv)
{
    prepareTheProcess();
    PreviewOptions options;
    QString problem;
    const std::optional<PreviewPlan> plan =
        options.check(platform::commandLineArguments(argc, argv), problem);
    if (!plan)
        return refuse(problem, Usage, options, argc, argv);
    int status = Shown;
    problem = cameraProblem(*plan, status);
    if (!problem.isEmpty())
        return refuse(problem, status, options, argc, argv);
    const std::unique_ptr<QCoreApplication> application = applicationFor(plan->mode, argc, argv);
    return run(*plan, options);
}
