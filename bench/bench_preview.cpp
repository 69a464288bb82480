// The simulated camera's whole video chain at 1280x1024 on one thread (scene, corrections,
// contrast, zoom, flips, detector), against the 25 frames a second budget and against OpenCV's
// bare CLAHE on the same frame; and how long orvexhd-preview takes to show a change that another
// program writes into the state file.
#include "measure.h"
#include "pipeline.h"
#include "simcontrol.h"
#include "simulatedsource.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int frames = 100;
// Enough for a 90th percentile that is not simply the slowest.
constexpr int changes = 30;
constexpr double budgetMs = 1000.0 / imaging::framesPerSecond;

double medianMs(const std::function<void(int)>& work)
{
    for (int warmUp = 0; warmUp < 5; ++warmUp)
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
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
    return 0;
}
