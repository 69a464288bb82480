// orvexhd-preview: a simulated camera's video as its settings make it, following what the window
// and orvexhd-cli change, or a capture device's video; or, with --snapshot, one frame of it to a
// PNG file.
#include "camerafollower.h"
#include "capturesource.h"
#include "capturethread.h"
#include "gstreamer.h"
#include "platform.h"
#include "previewwindow.h"
#include "qtcompat.h"
#include "recorder.h"
#include "scriptedrecording.h"
#include "sdkaccess.h"
#include "simulatedsource.h"
#include "snapshot.h"
#include "temperaturemonitor.h"
#include "wholefiles.h"

#include <QApplication>
#include <QCommandLineParser>
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

// The options that a QApplication takes for itself (-platform, -style, -qwindowgeometry, ...), as
// Qt documents them: they are read before the application exists, so the parser must know them,
// and the application made later still finds them.
QList<QCommandLineOption> qtOptions()
{
    QList<QCommandLineOption> options;
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "geometry", "qwindowtitle", "title", "qwindowicon",
                             "icon", "session", "display", "style", "stylesheet"})
        options << QCommandLineOption(QString::fromLatin1(name), QString(),
                                      QStringLiteral("VALUE"));
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        options << QCommandLineOption(QString::fromLatin1(name), QString());
    for (QCommandLineOption& option : options)
        option.setFlags(QCommandLineOption::HiddenFromHelp);
    return options;
}

// Qt's help names the program as its application object was started, so it needs one; only one
// without a display, since the help is asked for before any window.
QString helpText(const QCommandLineParser& parser, int& argc, char** argv)
{
    QCoreApplication application(argc, argv);
    return parser.helpText();
}

// --record's plan; nothing without --record, or when problem says what is wrong with the options.
std::optional<RecordingPlan> recordingPlan(const QCommandLineParser& parser,
                                           const QCommandLineOption& record,
                                           const QCommandLineOption& frames,
                                           const QCommandLineOption& seconds, QString& problem)
{
    const bool counted = parser.isSet(frames);
    const bool timed = parser.isSet(seconds);
    if (!parser.isSet(record)) {
        if (counted || timed)
            problem = Preview::tr("--%1 goes with --record")
                          .arg(QLatin1String(counted ? "frames" : "seconds"));
        return std::nullopt;
    }
    RecordingPlan plan;
    plan.name = Recorder::nameOf(parser.value(record));
    bool isNumber = false;
    if (parser.value(record).isEmpty()) {
        problem = Preview::tr("--record needs a name");
    } else if (const QString last = QFileInfo(plan.name).fileName();
               last.isEmpty() || last == QLatin1String(".") || last == QLatin1String("..")) {
        // A folder's name ("run/") would make files named by their extensions alone, hidden.
        problem = Preview::tr("--record needs a name after the folder, not \"%1\"")
                      .arg(parser.value(record));
    } else if (counted == timed) {
        problem = Preview::tr("--record takes --frames or --seconds, one of them");
    } else if (counted) {
        plan.frames = parser.value(frames).toLongLong(&isNumber);
        if (!isNumber || *plan.frames < 1)
            problem = Preview::tr("--frames takes a whole number, 1 or more, not \"%1\"")
                          .arg(parser.value(frames));
        plan.mostFrames = plan.frames;
    } else {
        plan.seconds = parser.value(seconds).toDouble(&isNumber);
        if (!isNumber || !std::isfinite(*plan.seconds) || *plan.seconds <= 0.0)
            problem = Preview::tr("--seconds takes a number above 0, not \"%1\"")
                          .arg(parser.value(seconds));
    }
    if (!problem.isEmpty())
        return std::nullopt;
    return plan;
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

// The status of a recording, with its problem or note said on standard error.
int finishRecording(int status, const QString& error, const QString& note)
{
    if (status != Shown)
        complain(error);
    else if (!note.isEmpty())
        complain(note);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // As the window starts: a screen reader finds it, and it keeps its size on a scaled screen.
    qtcompat::prepareAccessibilityBridge();
    qtcompat::scaleToTheScreen();
    platform::surviveClosedPipes();
    QCoreApplication::setApplicationName(QStringLiteral("orvexhd-preview"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        Preview::tr("Shows a simulated Orvex HD camera's video, processed by the camera's current "
                    "settings, and follows every change the window or orvexhd-cli makes; or a "
                    "real camera's video from a capture device."));
    // Under every name Qt's programs take help by; Qt 5 and Qt 6 differ in which they add.
    const QCommandLineOption helpOption({QStringLiteral("?"), QStringLiteral("h"),
                                         QStringLiteral("help"), QStringLiteral("help-all")},
                                        Preview::tr("Displays this help."));
    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           Preview::tr("Displays version information."));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        Preview::tr("The simulated camera's port, e.g. SIM1. With --device: the camera's port, "
                    "whose temperatures the status bar shows."),
        Preview::tr("PORT"));
    const QCommandLineOption deviceOption(
        QStringLiteral("device"),
        Preview::tr("The capture device to show: a path (/dev/video0), an index (0), or a "
                    "GStreamer pipeline that ends in an appsink."),
        Preview::tr("DEV"));
    const QCommandLineOption listOption(
        QStringLiteral("list-devices"),
        Preview::tr("List the capture devices with their formats, and exit."));
    const QCommandLineOption snapshotOption(
        QStringLiteral("snapshot"),
        Preview::tr("Write one frame, as shown with the grey palette, to FILE (PNG; - is standard "
                    "output) and exit: with --device the next one."),
        Preview::tr("FILE"));
    const QCommandLineOption frameOption(
        QStringLiteral("frame"),
        Preview::tr("The frame --snapshot writes: 0 or more, 25 a second of the scene."),
        Preview::tr("N"), QStringLiteral("0"));
    const QCommandLineOption overlaysOption(
        QStringLiteral("overlays"),
        Preview::tr("Draw the contrast's ROI, the zoom's window and centre and the detector's "
                    "boxes on the picture: in the window from the start, or in the --snapshot."));
    const QCommandLineOption recordOption(
        QStringLiteral("record"),
        Preview::tr("Record the video to NAME.tiff (the raw counts, a page a frame), NAME.csv "
                    "(each frame's time and settings) and NAME.webm (the picture, grey), and "
                    "exit: with --frames or --seconds."),
        Preview::tr("NAME"));
    const QCommandLineOption framesOption(
        QStringLiteral("frames"), Preview::tr("The frames --record writes: 1 or more."),
        Preview::tr("N"));
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"),
        Preview::tr("The seconds of video --record writes, from its first frame: more than 0."),
        Preview::tr("S"));
    parser.addOptions({helpOption, versionOption, portOption, deviceOption, listOption,
                       snapshotOption, frameOption, overlaysOption, recordOption, framesOption, secondsOption});
    // Qt's own options have one dash, and take their values as ours do.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(qtOptions());

    const auto usage = [&](const QString& problem) {
        complain(problem);
        QTextStream(stderr) << helpText(parser, argc, argv);
        return int(Usage);
    };
    if (!parser.parse(platform::commandLineArguments(argc, argv)))
        return usage(parser.errorText());
    if (parser.isSet(helpOption))
        return print(helpText(parser, argc, argv));
    if (parser.isSet(versionOption))
        return print(QStringLiteral("orvexhd-preview %1\n%2\n")
                         .arg(QStringLiteral(ORVEX_VERSION), sdkaccess::statement()));
    if (!parser.positionalArguments().isEmpty())
        return usage(
            Preview::tr("unexpected argument %1").arg(parser.positionalArguments().first()));
    // A value given twice leaves the first unused: which was meant cannot be told.
    for (const QCommandLineOption& option : {portOption, deviceOption, snapshotOption, frameOption,
                                             recordOption, framesOption, secondsOption}) {
        if (parser.values(option).size() > 1)
            return usage(
                Preview::tr("--%1 is given twice; give it once").arg(option.names().constFirst()));
    }
    if (parser.isSet(listOption)) {
        if (parser.optionNames().size() > 1)
            return usage(Preview::tr("--list-devices goes alone"));
        QCoreApplication application(argc, argv);
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
    const QString device = parser.value(deviceOption);
    const bool capture = parser.isSet(deviceOption);
    const bool snapshot = parser.isSet(snapshotOption);
    if (capture && device.isEmpty())
        return usage(Preview::tr("--device needs a device"));
    if (!capture && parser.value(portOption).isEmpty())
        return usage(Preview::tr("--port or --device names the camera to show"));
    if (parser.isSet(portOption) && parser.value(portOption).isEmpty())
        return usage(Preview::tr("--port needs a port"));
    if (snapshot && parser.value(snapshotOption).isEmpty())
        return usage(Preview::tr("--snapshot needs a file name"));
    if (parser.isSet(frameOption) && (!snapshot || capture))
        return usage(capture ? Preview::tr("--frame numbers the simulated camera's frames; "
                                           "--device takes the next one")
                             : Preview::tr("--frame goes with --snapshot"));
    if (capture && parser.isSet(overlaysOption))
        return usage(Preview::tr("--overlays draws a simulated camera's settings, which a capture "
                                 "device's picture does not carry"));
    if (capture && snapshot && parser.isSet(portOption))
        return usage(Preview::tr("--port adds the temperatures to the window; a --snapshot of "
                                 "--device takes none"));
    bool isNumber = false;
    const qint64 frame = parser.value(frameOption).toLongLong(&isNumber);
    if (!isNumber || frame < 0)
        return usage(Preview::tr("--frame takes a whole number, 0 or more, not \"%1\"")
                         .arg(parser.value(frameOption)));
    QString planProblem;
    std::optional<RecordingPlan> plan =
        recordingPlan(parser, recordOption, framesOption, secondsOption, planProblem);
    if (!planProblem.isEmpty())
        return usage(planProblem);
    if (plan && snapshot)
        return usage(Preview::tr("--record and --snapshot: one at a time"));
    if (plan && capture && parser.isSet(portOption))
        return usage(Preview::tr("--port adds the temperatures to the window; a --record of "
                                 "--device takes none"));
    const QString port = parser.value(portOption);
    // A camera's port and a snapshot both want the SDK that was named, never a stand-in for it;
    // a capture device's picture alone needs no SDK, and its window says why there is none.
    if ((!port.isEmpty() || snapshot || plan) && !sdkaccess::usable()) {
        complain(sdkaccess::failure());
        return Unreachable;
    }
    if (!capture && !sdkaccess::standIn())
        return usage(Preview::tr("%1 is a real camera's port: its picture comes from a capture "
                                 "device, which --device names (with --port for the camera's "
                                 "temperatures)")
                         .arg(port));

    if (capture) {
        // What can never become a picture is said at once; a device that is missing may still
        // be plugged in.
        const QString problem = isPipeline(device)          ? pipelineProblem(device)
                                : QFileInfo::exists(device) ? deviceAbsence(device)
                                                            : QString();
        if (!problem.isEmpty())
            return usage(Preview::tr("--device: %1").arg(problem));
        // OpenCV's warnings are for its developers; what fails reaches the status bar.
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR);
        if (plan) {
            QCoreApplication application(argc, argv);
            CaptureSource source(device, snapshotTimeoutMs);
            QString error;
            QString note;
            const int status = recordFrames(source, *plan, error, note);
            return finishRecording(status, error, note);
        }
        if (snapshot) {
            QCoreApplication application(argc, argv);
            QString error;
            const int status = writeCaptureSnapshot(device, snapshotTimeoutMs,
                                                    parser.value(snapshotOption), error);
            if (status != Shown)
                complain(error);
            return status;
        }
        QApplication application(argc, argv);
        PreviewWindow window(std::make_unique<CaptureSource>(device));
        std::unique_ptr<TemperatureMonitor> temperatures;
        if (!port.isEmpty()) {
            temperatures = std::make_unique<TemperatureMonitor>(port);
            QObject::connect(temperatures.get(), &TemperatureMonitor::temperaturesRead, &window,
                             &PreviewWindow::showTemperatures);
            temperatures->start();
        }
        window.show();
        return application.exec();
    }

    // A camera that is not there at the start never comes: the stand-in reads its cameras once.
    const QString absent = CameraFollower::problemOf(port.toStdString());
    if (!absent.isEmpty()) {
        complain(absent);
        return Unreachable;
    }
    if (plan) {
        QCoreApplication application(argc, argv);
        SimulatedSource source(port);
        plan->mostFrames = simulatedFrames(*plan);
        QString error;
        QString note;
        const int status = recordFrames(source, *plan, error, note);
        return finishRecording(status, error, note);
    }
    if (snapshot) {
        QCoreApplication application(argc, argv);
        QString error;
        const int status = writeSnapshot(port, frame, parser.value(snapshotOption), error,
                                         parser.isSet(overlaysOption));
        if (status != Shown)
            complain(error);
        return status;
    }
    QApplication application(argc, argv);
    PreviewWindow window(std::make_unique<SimulatedSource>(port));
    window.setOverlaysShown(parser.isSet(overlaysOption));
    window.show();
    return application.exec();
}
