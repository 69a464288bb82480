// The simulated camera's whole video chain at 1280x1024 on one thread (scene, corrections,
// contrast, zoom, flips, detector), against the 25 frames a second budget and against OpenCV's
// bare CLAHE on the same frame; how long orvexhd-preview takes to show a change that another
// program writes into the state file, and how long its window's thread stalls while a large one
// changes; and orvexhd-preview itself, in a process of its own, as its users run it: its peak
// memory and the processor time it spends a frame, beside the chain's own time. What recording
// costs beside the chain: writing a frame's raw page and sidecar row, the whole recording with its
// video, and orvexhd-preview --record in a process of its own, the frames a second it keeps.
// What the panels beside the picture add to a frame on the same thread: the histogram and tone
// curve made and painted with the colour scale, a box measured over the whole picture, and the
// settings drawn over the picture.
//
// bench_preview [PROGRAM] measures another build's orvexhd-preview.
#include "colourscale.h"
#include "measure.h"
#include "measurement.h"
#include "overlays.h"
#include "palettes.h"
#include "pictureview.h"
#include "pipeline.h"
#include "recorder.h"
#include "settingvalues.h"
#include "simcontrol.h"
#include "simulatedsource.h"
#include "tiffpages.h"
#include "tonechart.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if defined(Q_OS_LINUX)
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

constexpr int frames = 100;
// Enough for a 90th percentile that is not simply the slowest.
constexpr int changes = 30;
constexpr double budgetMs = 1000.0 / imaging::framesPerSecond;
// What the simulated camera's window may hold: its frames and the libraries it needs, no more.
constexpr double memoryGoalMib = 64.0;
// The window's work beside the chain (taking the frame, colouring and drawing it) costs no more
// than the chain itself.
constexpr double cpuGoalRatio = 2.0;
// A window whose thread stalls longer than a frame misses one.
constexpr double stallGoalMs = budgetMs;
constexpr int windowSettleMs = 1500;
constexpr int largeChanges = 3;
constexpr int largeChangeWaitMs = 30000;
constexpr int windowMeasureMs = 4000;
// Writing the raw counts costs little beside making them: a page is a copy to the disk.
constexpr double rawRecordingGoalRatio = 1.3;

constexpr int warmUps = 5;
// What each panel may add to the bare chain.
constexpr double panelGoalRatio = 1.15;
// The picture as the window fits it, at its size on first showing.
const QSize fittedPicture(700, 560);

double medianMs(const std::function<void(int)>& work)
{
    for (int warmUp = 0; warmUp < warmUps; ++warmUp)
        work(warmUp);
    std::vector<double> times;
    for (int index = 0; index < frames; ++index) {
        QElapsedTimer clock;
        clock.start();
        work(index);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return bench::median(times);
}

// The value below which the share of the values lie, by nearest rank.
double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(std::ceil(share * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// The processor time this process has spent, all its threads, in ms: in its own code, or in the
// system's on its behalf (writing to a file, above all).
double processCpuMs(bool systemOnly = false)
{
#if defined(Q_OS_LINUX)
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) {
        return double(time.tv_sec) * 1000.0 + double(time.tv_usec) / 1000.0;
    };
    return ms(usage.ru_stime) + (systemOnly ? 0.0 : ms(usage.ru_utime));
#else
    static_cast<void>(systemOnly);
    return 0.0;
#endif
}

struct Cost {
    double wallMs = -1.0;   // median, a frame
    double cpuMs = -1.0;    // processor time, a frame
    double systemMs = -1.0; // of it in the system's code
};

// A frame's raw page and its sidecar row, written as the recording's thread writes them.
Cost rawRecordingCost(imaging::Pipeline& pipeline, const QTemporaryDir& folder)
{
    const imaging::Picture picture = pipeline.render(0, imaging::Settings());
    const orvex_sim::CameraSettings camera;
    TiffPages pages;
    QString error;
    QFile rows(folder.filePath(QStringLiteral("raw.csv")));
    if (!pages.open(folder.filePath(QStringLiteral("raw.tiff")), true, error) ||
        !rows.open(QIODevice::WriteOnly))
        return {};
    bool written = true;
    const double before = processCpuMs();
    const double systemBefore = processCpuMs(true);
    const double ms = medianMs([&](int) {
        QStringList row;
        for (const SettingValue& value : settingValues(camera))
            row << value.value;
        written = pages.add(picture.counts, error) && written &&
                  rows.write(row.join(QLatin1Char(',')).toUtf8() + '\n') > 0 && rows.flush();
    });
    const double cpuMs = (processCpuMs() - before) / (frames + warmUps);
    const double systemMs = (processCpuMs(true) - systemBefore) / (frames + warmUps);
    return written ? Cost{ms, cpuMs, systemMs} : Cost{};
}

// The processor time, all threads, that making frames takes, and making and recording them (raw
// pages, sidecar and video), each frame waited for: ms a frame, or nothing when it failed.
std::optional<std::pair<double, double>> recordingCpuMs(imaging::Pipeline& pipeline,
                                                        const QTemporaryDir& folder)
{
    const auto frame = [&](int index) {
        const imaging::Settings settings;
        Frame made;
        made.picture = std::make_shared<imaging::Picture>(pipeline.render(index, settings));
        made.settings = std::make_shared<imaging::Settings>(settings);
        made.camera = std::make_shared<orvex_sim::CameraSettings>();
        return made;
    };
    double before = processCpuMs();
    for (int index = 0; index < frames; ++index)
        frame(index);
    const double bare = (processCpuMs() - before) / frames;
    Recorder recorder(folder.filePath(QStringLiteral("whole")));
    QString error;
    if (!recorder.begin(error))
        return std::nullopt;
    const QVector<QRgb> colours = paletteColours(Palette::Iron);
    before = processCpuMs();
    for (int index = 0; index < frames; ++index) {
        const Frame made = frame(index);
        while (!recorder.add(made, colours) && recorder.failure().isEmpty())
            QThread::msleep(1);
    }
    if (!recorder.finish().isEmpty())
        return std::nullopt;
    return std::make_pair(bare, (processCpuMs() - before) / frames);
}

// The frames a second that orvexhd-preview --record kept, from the times its sidecar lists.
double recordedRate(const QString& sidecar)
{
    QFile file(sidecar);
    if (!file.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    if (lines.size() < 3)
        return 0.0;
    const double seconds = lines.last().split(',').value(2).toDouble();
    return seconds > 0.0 ? double(lines.size() - 2) / seconds : 0.0;
}

// From writing a polarity into the state file to the first frame that shows it, as another
// program's change reaches a running preview; empty when a change did not show.
std::vector<double> followingMs(const QTemporaryDir& folder)
{
    QFile ini(folder.filePath(QStringLiteral("sdk.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return {};
    ini.write("[sdk]\nlogFile=sdk.log\nstateFile=state.ini\n");
    ini.close();
    orvex_sim::reset(ini.fileName().toStdString());
    SimulatedSource source(QStringLiteral("SIM1"));
    bool inverted = false;
    bool shown = false;
    const cv::Rect sky(0, 0, imaging::sensorWidth, 300);
    QObject::connect(&source, &FrameSource::frameReady, [&](const Frame& frame) {
        // White-hot shows the cold sky dark, black-hot bright.
        shown = (cv::mean(frame.picture->levels(sky))[0] > 128) == inverted;
    });
    source.start();
    std::vector<double> times;
    for (int change = 0; change < changes; ++change) {
        QEventLoop settle;
        QTimer::singleShot(200, &settle, &QEventLoop::quit);
        settle.exec();
        inverted = !inverted;
        shown = false;
        QFile state(folder.filePath(QStringLiteral("state.new")));
        if (!state.open(QIODevice::WriteOnly))
            return {};
        state.write(inverted ? "[camera.SIM1]\npolarity=true\n"
                             : "[camera.SIM1]\npolarity=false\n");
        state.close();
        QFile::remove(folder.filePath(QStringLiteral("state.ini")));
        QElapsedTimer clock;
        clock.start();
        state.rename(folder.filePath(QStringLiteral("state.ini")));
        while (!shown && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!shown)
            return {};
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return times;
}

// A state file of nearly 16 MiB parses for a good part of a second: a fleet of cameras' settings.
QByteArray largeStateFile(int version)
{
    QByteArray text =
        "[camera.SIM1]\npolarity=" + QByteArray(version % 2 ? "true" : "false") + "\n";
    // Just within what the stand-in reads of a file.
    for (int camera = 2; text.size() < 16 * 1024 * 1024 - 1024; ++camera)
        text += "[camera.FLEET" + QByteArray::number(camera) +
                "]\ngamma=98304\nclhe=41\nzoomXCenter=100\nzoomYCenter=200\n";
    return text;
}

// The longest the window's thread went without turning its event loop while another program
// rewrote a large state file a few times, each change waited for until it showed; nothing when
// one did not show.
std::optional<double> longestStallMs(const QTemporaryDir& folder)
{
    QFile ini(folder.filePath(QStringLiteral("sdk.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return std::nullopt;
    ini.write("[sdk]\nlogFile=sdk.log\nstateFile=large.ini\n");
    ini.close();
    // Written by another thread, as by another program: the writing is not the window's stall.
    std::vector<QByteArray> versions;
    for (int version = 0; version <= largeChanges; ++version)
        versions.push_back(largeStateFile(version));
    const auto write = [&](int version) {
        std::atomic<bool> written{false};
        bool ok = false;
        std::thread writer([&] {
            QFile state(folder.filePath(QStringLiteral("large.ini")));
            ok = state.open(QIODevice::WriteOnly) && state.write(versions[std::size_t(version)]) ==
                                                         versions[std::size_t(version)].size();
            written = true;
        });
        while (!written)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        writer.join();
        return ok;
    };
    if (!write(0))
        return std::nullopt;
    orvex_sim::reset(ini.fileName().toStdString());
    SimulatedSource source(QStringLiteral("SIM1"));
    std::optional<bool> inverted;
    const cv::Rect sky(0, 0, imaging::sensorWidth, 300);
    QObject::connect(&source, &FrameSource::frameReady, [&](const Frame& frame) {
        inverted = cv::mean(frame.picture->levels(sky))[0] > 128;
    });
    source.start();
    double longest = 0.0;
    QElapsedTimer sinceTurn;
    QTimer turns;
    turns.setInterval(1);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longest = std::max(longest, double(sinceTurn.nsecsElapsed()) / 1e6);
        sinceTurn.restart();
    });
    const auto shows = [&](bool polarity) {
        QElapsedTimer waiting;
        waiting.start();
        while (inverted != polarity && waiting.elapsed() < largeChangeWaitMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return inverted == polarity;
    };
    if (!shows(false))
        return std::nullopt;
    sinceTurn.start();
    turns.start();
    for (int version = 1; version <= largeChanges; ++version) {
        if (!write(version) || !shows(version % 2 == 1))
            return std::nullopt;
    }
    return longest;
}

// orvexhd-preview in a process of its own: its peak resident memory, and the processor time it
// spent while it showed frames (after it settled, for measureMs) when it runs for a window.
struct ProcessRun {
    bool ok = false;
    long peakKib = -1;
    double cpuMs = 0.0;
};

#if defined(Q_OS_LINUX)
// The process's peak resident memory so far, in KiB.
long peakKibOf(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

double cpuMsOf(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The fields after the command's name, which is in brackets and may hold spaces.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double ticks = 0.0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14 || index == 15)
            ticks += std::stod(field);
    }
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

ProcessRun runPreview(const QString& program, const QStringList& arguments, int measureMs)
{
    std::vector<std::string> words{program.toStdString()};
    for (const QString& argument : arguments)
        words.push_back(argument.toStdString());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    ProcessRun result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;
    if (measureMs > 0) {
        QThread::msleep(windowSettleMs);
        const double before = cpuMsOf(pid);
        QThread::msleep(measureMs);
        result.cpuMs = cpuMsOf(pid) - before;
        result.peakKib = peakKibOf(pid);
        kill(pid, SIGTERM);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return result;
    result.ok = measureMs > 0 || (WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // A program that ran to its end says its peak here. Linux counts the memory of the process
    // that started it as it was at the start, so this one is measured while it is still small.
    if (measureMs == 0)
        result.peakKib = usage.ru_maxrss;
    return result;
}
#else
ProcessRun runPreview(const QString&, const QStringList&, int)
{
    return {};
}
#endif

// What the panels add to a frame of the chain on one thread. Each step of each frame is timed on
// its own, all in the same frames, so that a change in the machine's load moves them alike.
void benchPanels(imaging::Pipeline& pipeline, const imaging::Settings& settings)
{
    const QVector<QRgb> colours = paletteColours(Palette::Iron);
    ToneChart chart;
    chart.resize(chart.sizeHint());
    ColourScale scale;
    scale.resize(scale.sizeHint().width(), fittedPicture.height());
    PictureView view;
    view.resize(fittedPicture);
    QImage canvas(fittedPicture, QImage::Format_RGB32);
    QImage panels(chart.width() + scale.width(), fittedPicture.height(), QImage::Format_RGB32);
    const auto paintPicture = [&](const imaging::Picture& picture,
                                  const std::optional<imaging::Overlays>& overlays) {
        QImage image(picture.levels.data, picture.levels.cols, picture.levels.rows,
                     int(picture.levels.step), QImage::Format_Indexed8);
        image.setColorTable(colours);
        view.setPicture(image);
        view.setOverlays(overlays);
        view.render(&canvas);
    };
    const cv::Rect whole(0, 0, imaging::sensorWidth, imaging::sensorHeight);
    std::vector<double> chainMs;
    std::vector<double> histogramMs;
    std::vector<double> measuredMs;
    std::vector<double> paintedMs;
    std::vector<double> overlaidMs;
    const auto timed = [](std::vector<double>& times, int frame, const auto& work) {
        QElapsedTimer clock;
        clock.start();
        work();
        if (frame >= 0)
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
    };
    for (int frame = -5; frame < frames; ++frame) {
        imaging::Picture picture;
        timed(chainMs, frame, [&] { picture = pipeline.render(frame + 5, settings); });
        timed(histogramMs, frame, [&] {
            const auto tone = std::make_shared<const imaging::Tone>(pipeline.tone());
            chart.setTone(tone, colours);
            scale.setScale(tone, colours);
            chart.render(&panels);
            scale.render(&panels, QPoint(chart.width(), 0));
        });
        timed(measuredMs, frame, [&] { imaging::measure(picture, {cv::Point(640, 512), whole}); });
        timed(paintedMs, frame, [&] { paintPicture(picture, std::nullopt); });
        timed(overlaidMs, frame,
              [&] { paintPicture(picture, imaging::overlaysOf(picture, settings)); });
    }
    const double chain = bench::median(chainMs);
    const double histogram = bench::median(histogramMs);
    const double measured = bench::median(measuredMs);
    // Each frame's own difference: the picture's painting varies more from frame to frame than
    // the overlays cost.
    std::vector<double> overlaysMs(overlaidMs.size());
    std::transform(overlaidMs.begin(), overlaidMs.end(), paintedMs.begin(), overlaysMs.begin(),
                   std::minus<>());
    const double overlays = bench::median(overlaysMs);

    bench::heading(QStringLiteral("What the panels add to the busiest chain on its one thread "
                                  "(medians of %1 frames)")
                       .arg(frames));
    bench::figure(QStringLiteral("ms per frame, the chain"), bench::milliseconds(chain));
    bench::figure(QStringLiteral("histogram and tone curve, painted"),
                  bench::milliseconds(histogram),
                  QStringLiteral("(from the chain's own table, with the colour scale)"));
    bench::figure(QStringLiteral("a box over the whole picture, measured"),
                  bench::milliseconds(measured));
    bench::figure(QStringLiteral("the picture painted"),
                  bench::milliseconds(bench::median(paintedMs)),
                  QStringLiteral("(fitted to %1x%2, as the window first shows it)")
                      .arg(fittedPicture.width())
                      .arg(fittedPicture.height()));
    // A few outlines: tens of microseconds, lost in milliseconds' second decimal.
    bench::figure(QStringLiteral("overlays, worked out and painted"),
                  bench::microseconds(overlays * 1000.0),
                  QStringLiteral("(over the painted picture)"));
    const QString goal = QStringLiteral("(goal: at most %1 x)").arg(panelGoalRatio);
    bench::figure(QStringLiteral("chain + histogram / bare chain"),
                  bench::ratio(chain + histogram, chain), goal);
    bench::figure(QStringLiteral("chain + measured box / bare chain"),
                  bench::ratio(chain + measured, chain), goal);
    bench::figure(QStringLiteral("chain + overlays / bare chain"),
                  bench::ratio(chain + overlays, chain), goal);
    bench::figure(QStringLiteral("all of it, painted / 25 fps budget"),
                  bench::ratio(chain + histogram + measured + bench::median(overlaidMs), budgetMs));
}

} // namespace

int main(int argc, char** argv)
{
    // The program as its users start it, with a configuration and a state file of its own; first,
    // while this process is small (see runPreview), before it has an application that loads
    // Qt's platform and fonts.
    const QString program =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(ORVEX_PREVIEW_PROGRAM);
    QTemporaryDir programFolder;
    {
        QFile ini(programFolder.filePath(QStringLiteral("sdk.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return 1;
        ini.write("[sdk]\nlogFile=sdk.log\nstateFile=state.ini\n");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ORVEX_SDK_CONFIG",
            QFile::encodeName(programFolder.filePath(QStringLiteral("sdk.ini"))));
    const ProcessRun snapshot = runPreview(
        program,
        {"--port", "SIM1", "--snapshot", programFolder.filePath(QStringLiteral("shot.png"))}, 0);
    const ProcessRun window = runPreview(program, {"--port", "SIM1"}, windowMeasureMs);
    // Stopped as a script's user stops it, which finishes the files.
    const QString recorded = programFolder.filePath(QStringLiteral("recorded"));
    const ProcessRun recording = runPreview(
        program, {"--port", "SIM1", "--record", recorded, "--seconds", "3600"}, windowMeasureMs);
    const ProcessRun overlaid =
        runPreview(program, {"--port", "SIM1", "--overlays"}, windowMeasureMs);
    if (!window.ok || !snapshot.ok || !overlaid.ok || !recording.ok) {
        std::fprintf(stderr, "bench_preview: %s did not run\n", qPrintable(program));
        return 1;
    }
    qunsetenv("ORVEX_SDK_CONFIG");
    // The panels are painted as the window paints them, without a display.
    QApplication application(argc, argv);

    cv::setNumThreads(1);
    imaging::Pipeline pipeline;
    const auto chain = [&](const imaging::Settings& settings) {
        return medianMs([&](int frame) { pipeline.render(frame, settings); });
    };
    const imaging::Settings defaults;
    imaging::Settings local;
    local.contrastType = 1;
    imaging::Settings busiest = local;
    busiest.zoomFactor = 2.0;
    busiest.zoomMethod = 1;
    busiest.horizontalFlip = true;
    busiest.verticalFlip = true;
    busiest.detector.outputType = 3;
    const double defaultMs = chain(defaults);
    const double localMs = chain(local);
    const double busiestMs = chain(busiest);

    const cv::Mat frame = pipeline.render(0, defaults).levels;
    cv::Ptr<cv::CLAHE> clahe = cv::createCLAHE(40.0, {8, 8});
    cv::Mat equalised;
    const double claheMs = medianMs([&](int) { clahe->apply(frame, equalised); });

    bench::heading(QStringLiteral("The simulated camera's video chain, 1280x1024, one thread "
                                  "(median of %1 frames)")
                       .arg(frames));
    bench::figure(QStringLiteral("ms per frame, camera defaults"), bench::milliseconds(defaultMs),
                  QStringLiteral("(CLHE over the ROI)"));
    bench::figure(QStringLiteral("ms per frame, CLAHE in tiles"), bench::milliseconds(localMs));
    bench::figure(QStringLiteral("ms per frame, busiest"), bench::milliseconds(busiestMs),
                  QStringLiteral("(CLAHE, zoom 2 bilinear, both flips, detector)"));
    bench::figure(QStringLiteral("OpenCV's bare CLAHE on the same frame"),
                  bench::milliseconds(claheMs), QStringLiteral("(8-bit, 8x8 tiles)"));
    bench::figure(QStringLiteral("defaults / 25 fps budget (40 ms)"),
                  bench::ratio(defaultMs, budgetMs));
    bench::figure(QStringLiteral("busiest / 25 fps budget (40 ms)"),
                  bench::ratio(busiestMs, budgetMs));
    bench::figure(QStringLiteral("defaults / bare CLAHE"), bench::ratio(defaultMs, claheMs));
    bench::figure(QStringLiteral("busiest / bare CLAHE"), bench::ratio(busiestMs, claheMs));
    benchPanels(pipeline, busiest);

    QTemporaryDir recordingFolder;
    const Cost raw = rawRecordingCost(pipeline, recordingFolder);
    const auto wholeMs = recordingCpuMs(pipeline, recordingFolder);
    if (raw.cpuMs < 0.0 || !wholeMs) {
        std::fprintf(stderr, "bench_preview: a recording could not be written in %s\n",
                     qPrintable(recordingFolder.path()));
        return 1;
    }
    bench::heading(QStringLiteral("Recording, beside the chain (camera defaults; median of %1 "
                                  "frames)")
                       .arg(frames));
    bench::figure(QStringLiteral("ms a frame, raw page and sidecar row"),
                  bench::milliseconds(raw.wallMs),
                  QStringLiteral("(16-bit TIFF page, 2.5 MiB: the disk's pace, on its own thread)"));
    bench::figure(QStringLiteral("processor time a frame, bare chain"),
                  bench::milliseconds(wholeMs->first));
    bench::figure(QStringLiteral("processor time a frame, raw page and sidecar row"),
                  bench::milliseconds(raw.cpuMs),
                  QStringLiteral("(%1 ms of it the system's writing to the file)")
                      .arg(raw.systemMs, 0, 'f', 2));
    bench::figure(QStringLiteral("chain and raw recording / bare chain"),
                  bench::ratio(wholeMs->first + raw.cpuMs, wholeMs->first),
                  QStringLiteral("(processor time; goal: at most %1 x)").arg(rawRecordingGoalRatio));
    bench::figure(QStringLiteral("chain and raw recording / bare chain, the program's own"),
                  bench::ratio(wholeMs->first + raw.cpuMs - raw.systemMs, wholeMs->first),
                  QStringLiteral("(the system's writing left out)"));
    bench::figure(QStringLiteral("processor time a frame, chain and whole recording"),
                  bench::milliseconds(wholeMs->second),
                  QStringLiteral("(raw, sidecar and VP8 video, all threads)"));
    bench::figure(QStringLiteral("chain and whole recording / bare chain"),
                  bench::ratio(wholeMs->second, wholeMs->first));

    QTemporaryDir folder;
    const std::vector<double> following = followingMs(folder);
    if (following.empty()) {
        std::fprintf(stderr, "bench_preview: the preview did not show a change of the state "
                             "file\n");
        return 1;
    }
    const double typical = bench::median(following);
    const double slowest = percentile(following, 1.0);
    bench::heading(QStringLiteral("A change in the state file, to the first frame that shows it "
                                  "(%1 changes)")
                       .arg(changes));
    bench::figure(QStringLiteral("state file to picture, median"), bench::milliseconds(typical),
                  QStringLiteral("(the preview watches the file; a frame every 40 ms)"));
    bench::figure(QStringLiteral("state file to picture, 90th percentile"),
                  bench::milliseconds(percentile(following, 0.9)));
    bench::figure(QStringLiteral("state file to picture, slowest"), bench::milliseconds(slowest));
    bench::figure(QStringLiteral("median / the 100 ms the preview promises"),
                  bench::ratio(typical, 100.0));
    bench::figure(QStringLiteral("slowest / the 100 ms the preview promises"),
                  bench::ratio(slowest, 100.0));

    QTemporaryDir largeFolder;
    const std::optional<double> stall = longestStallMs(largeFolder);
    if (!stall) {
        std::fprintf(stderr, "bench_preview: the preview did not follow a large state file\n");
        return 1;
    }
    bench::heading(QStringLiteral("A state file of nearly 16 MiB rewritten %1 times, each change "
                                  "waited for until it shows")
                       .arg(largeChanges));
    bench::figure(QStringLiteral("longest stall of the window's thread"),
                  bench::milliseconds(*stall),
                  QStringLiteral("(goal: at most a frame, %1 ms)").arg(stallGoalMs));
    bench::figure(QStringLiteral("longest stall / a frame"), bench::ratio(*stall, stallGoalMs));

    const double framesShown = windowMeasureMs / budgetMs;
    const double cpuPerFrame = window.cpuMs / framesShown;
    bench::heading(QStringLiteral("orvexhd-preview --port SIM1 in a process of its own, offscreen "
                                  "(%1 s at 25 frames a second)")
                       .arg(windowMeasureMs / 1000));
    bench::figure(QStringLiteral("peak memory, window"), bench::kib(window.peakKib),
                  QStringLiteral("(goal: %1 MiB)").arg(memoryGoalMib));
    bench::figure(QStringLiteral("peak memory, --snapshot"), bench::kib(snapshot.peakKib));
    bench::figure(QStringLiteral("window / goal"),
                  bench::ratio(double(window.peakKib) / 1024.0, memoryGoalMib));
    bench::figure(QStringLiteral("processor time a frame, window"),
                  bench::milliseconds(cpuPerFrame),
                  QStringLiteral("(all threads: the chain, taking, colouring, drawing)"));
    bench::figure(QStringLiteral("window's time a frame / the chain's own"),
                  bench::ratio(cpuPerFrame, defaultMs),
                  QStringLiteral("(goal: at most %1 x)").arg(cpuGoalRatio));
    bench::figure(QStringLiteral("window's time a frame / 25 fps budget"),
                  bench::ratio(cpuPerFrame, budgetMs));
    const double overlaidPerFrame = overlaid.cpuMs / framesShown;
    bench::figure(QStringLiteral("processor time a frame, with --overlays"),
                  bench::milliseconds(overlaidPerFrame));
    bench::figure(QStringLiteral("with --overlays / without"),
                  bench::ratio(overlaidPerFrame, cpuPerFrame));

    const double rate = recordedRate(recorded + QStringLiteral(".csv"));
    const double recordingCpu = recording.cpuMs / framesShown;
    bench::heading(QStringLiteral("orvexhd-preview --port SIM1 --record in a process of its own "
                                  "(%1 s)")
                       .arg(windowMeasureMs / 1000));
    bench::figure(QStringLiteral("frames a second recorded"), QString::number(rate, 'f', 1),
                  QStringLiteral("(goal: the camera's %1)").arg(imaging::framesPerSecond));
    bench::figure(QStringLiteral("recorded / the camera's rate"),
                  bench::ratio(rate, imaging::framesPerSecond));
    bench::figure(QStringLiteral("peak memory, --record"), bench::kib(recording.peakKib));
    bench::figure(QStringLiteral("processor time a frame, --record"),
                  bench::milliseconds(recordingCpu),
                  QStringLiteral("(all threads: the chain, raw pages, sidecar, video)"));
    bench::figure(QStringLiteral("--record's time a frame / the chain's own"),
                  bench::ratio(recordingCpu, defaultMs));
    return 0;
}
