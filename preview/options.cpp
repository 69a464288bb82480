#include "options.h"

#include "recorder.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace {

struct Preview {
    Q_DECLARE_TR_FUNCTIONS(Preview)
};

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

} // namespace

PreviewOptions::PreviewOptions()
    // Under every name Qt's programs take help by; Qt 5 and Qt 6 differ in which they add.
    : help_({QStringLiteral("?"), QStringLiteral("h"), QStringLiteral("help"),
             QStringLiteral("help-all")},
            Preview::tr("Displays this help.")),
      version_(QStringLiteral("version"), Preview::tr("Displays version information.")),
      port_(QStringLiteral("port"),
            Preview::tr("The simulated camera's port, e.g. SIM1. With --device: the camera's port, "
                        "whose temperatures the status bar shows."),
            Preview::tr("PORT")),
      device_(QStringLiteral("device"),
              Preview::tr("The capture device to show: a path (/dev/video0), an index (0), or a "
                          "GStreamer pipeline that ends in an appsink."),
              Preview::tr("DEV")),
      list_(QStringLiteral("list-devices"),
            Preview::tr("List the capture devices with their formats, and exit.")),
      snapshot_(QStringLiteral("snapshot"),
                Preview::tr("Write one frame, as shown with the grey palette, to FILE (PNG; - is "
                            "standard output) and exit: with --device the next one."),
                Preview::tr("FILE")),
      frame_(QStringLiteral("frame"),
             Preview::tr("The frame --snapshot writes: 0 or more, 25 a second of the scene."),
             Preview::tr("N"), QStringLiteral("0")),
      overlays_(QStringLiteral("overlays"),
                Preview::tr("Draw the contrast's ROI, the zoom's window and centre and the "
                            "detector's boxes on the picture: in the window from the start, or in "
                            "the --snapshot.")),
      record_(QStringLiteral("record"),
              Preview::tr("Record the video to NAME.tiff (the raw counts, a page a frame), "
                          "NAME.csv (each frame's time and settings) and NAME.webm (the picture, "
                          "grey), and exit: with --frames or --seconds."),
              Preview::tr("NAME")),
      frames_(QStringLiteral("frames"), Preview::tr("The frames --record writes: 1 or more."),
              Preview::tr("N")),
      seconds_(QStringLiteral("seconds"),
               Preview::tr("The seconds of video --record writes, from its first frame: more "
                           "than 0."),
               Preview::tr("S"))
{
    parser_.setApplicationDescription(
        Preview::tr("Shows a simulated Orvex HD camera's video, processed by the camera's current "
                    "settings, and follows every change the window or orvexhd-cli makes; or a "
                    "real camera's video from a capture device."));
    parser_.addOptions({help_, version_, port_, device_, list_, snapshot_, frame_, overlays_,
                        record_, frames_, seconds_});
    // Qt's own options have one dash, and take their values as ours do.
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addOptions(qtOptions());
}

std::optional<PreviewPlan> PreviewOptions::check(const QStringList& arguments, QString& problem)
{
    using Mode = PreviewPlan::Mode;
    const auto just = [](Mode mode) {
        PreviewPlan plan;
        plan.mode = mode;
        return plan;
    };
    if (!parser_.parse(arguments)) {
        problem = parser_.errorText();
        return std::nullopt;
    }
    if (parser_.isSet(help_))
        return just(Mode::Help);
    if (parser_.isSet(version_))
        return just(Mode::Version);
    problem = wordsProblem();
    if (!problem.isEmpty())
        return std::nullopt;
    if (parser_.isSet(list_))
        return just(Mode::ListDevices);
    return cameraPlan(problem);
}

// What is wrong whatever the options ask for: a stray word, a value given twice, or a listing
// asked for beside anything else.
QString PreviewOptions::wordsProblem() const
{
    if (!parser_.positionalArguments().isEmpty())
        return Preview::tr("unexpected argument %1").arg(parser_.positionalArguments().first());
    // A value given twice leaves the first unused: which was meant cannot be told.
    for (const QCommandLineOption& option :
         {port_, device_, snapshot_, frame_, record_, frames_, seconds_}) {
        if (parser_.values(option).size() > 1)
            return Preview::tr("--%1 is given twice; give it once")
                .arg(option.names().constFirst());
    }
    if (parser_.isSet(list_) && parser_.optionNames().size() > 1)
        return Preview::tr("--list-devices goes alone");
    return QString();
}

// The window, the snapshot or the recording of one camera that the options ask for.
std::optional<PreviewPlan> PreviewOptions::cameraPlan(QString& problem) const
{
    const auto refuse = [&problem](const QString& text) {
        problem = text;
        return std::optional<PreviewPlan>();
    };
    PreviewPlan plan;
    plan.port = parser_.value(port_);
    plan.device = parser_.value(device_);
    plan.file = parser_.value(snapshot_);
    plan.overlays = parser_.isSet(overlays_);
    const bool capture = parser_.isSet(device_);
    const bool snapshot = parser_.isSet(snapshot_);
    const bool withPort = parser_.isSet(port_);
    if (capture && plan.device.isEmpty())
        return refuse(Preview::tr("--device needs a device"));
    if (!capture && plan.port.isEmpty())
        return refuse(Preview::tr("--port or --device names the camera to show"));
    if (withPort && plan.port.isEmpty())
        return refuse(Preview::tr("--port needs a port"));
    if (snapshot && plan.file.isEmpty())
        return refuse(Preview::tr("--snapshot needs a file name"));
    if (parser_.isSet(frame_) && (!snapshot || capture))
        return refuse(capture ? Preview::tr("--frame numbers the simulated camera's frames; "
                                            "--device takes the next one")
                              : Preview::tr("--frame goes with --snapshot"));
    if (capture && plan.overlays)
        return refuse(Preview::tr("--overlays draws a simulated camera's settings, which a "
                                  "capture device's picture does not carry"));
    if (capture && snapshot && withPort)
        return refuse(Preview::tr("--port adds the temperatures to the window; a --snapshot of "
                                  "--device takes none"));
    bool isNumber = false;
    plan.frame = parser_.value(frame_).toLongLong(&isNumber);
    if (!isNumber || plan.frame < 0)
        return refuse(Preview::tr("--frame takes a whole number, 0 or more, not \"%1\"")
                          .arg(parser_.value(frame_)));
    const std::optional<RecordingPlan> recording = recordingPlan(problem);
    if (!problem.isEmpty())
        return std::nullopt;
    if (recording && snapshot)
        return refuse(Preview::tr("--record and --snapshot: one at a time"));
    if (recording && capture && withPort)
        return refuse(Preview::tr("--port adds the temperatures to the window; a --record of "
                                  "--device takes none"));
    if (recording) {
        plan.mode = PreviewPlan::Mode::Record;
        plan.recording = *recording;
    } else if (snapshot) {
        plan.mode = PreviewPlan::Mode::Snapshot;
    }
    return plan;
}

// --record's plan; nothing without --record, or when problem says what is wrong with the options.
std::optional<RecordingPlan> PreviewOptions::recordingPlan(QString& problem) const
{
    const bool counted = parser_.isSet(frames_);
    const bool timed = parser_.isSet(seconds_);
    if (!parser_.isSet(record_)) {
        if (counted || timed)
            problem = Preview::tr("--%1 goes with --record")
                          .arg(QLatin1String(counted ? "frames" : "seconds"));
        return std::nullopt;
    }
    RecordingPlan plan;
    plan.name = Recorder::nameOf(parser_.value(record_));
    bool isNumber = false;
    if (parser_.value(record_).isEmpty()) {
        problem = Preview::tr("--record needs a name");
    } else if (const QString last = QFileInfo(plan.name).fileName();
               last.isEmpty() || last == QLatin1String(".") || last == QLatin1String("..")) {
        // A folder's name ("run/") would make files named by their extensions alone, hidden.
        problem = Preview::tr("--record needs a name after the folder, not \"%1\"")
                      .arg(parser_.value(record_));
    } else if (counted == timed) {
        problem = Preview::tr("--record takes --frames or --seconds, one of them");
    } else if (counted) {
        plan.frames = parser_.value(frames_).toLongLong(&isNumber);
        if (!isNumber || *plan.frames < 1)
            problem = Preview::tr("--frames takes a whole number, 1 or more, not \"%1\"")
                          .arg(parser_.value(frames_));
        plan.mostFrames = plan.frames;
    } else {
        plan.seconds = parser_.value(seconds_).toDouble(&isNumber);
        if (!isNumber || !std::isfinite(*plan.seconds) || *plan.seconds <= 0.0)
            problem = Preview::tr("--seconds takes a number above 0, not \"%1\"")
                          .arg(parser_.value(seconds_));
    }
    if (!problem.isEmpty())
        return std::nullopt;
    return plan;
}
