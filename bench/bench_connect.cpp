// Connect sequence: scanDevice, choose SIM1, connectDevice (user, expert and IA read-backs)
// against a simulated camera whose every operation takes 2 ms, as over a serial link. What the
// wire takes is the camera's business; the rest is the window's own work.
#include "demowindow.h"
#include "measure.h"
#include "simcontrol.h"

#include <QApplication>
#include <QElapsedTimer>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int latencyMs = 2;
constexpr int rounds = 7;

// The stand-in's latency is a sleep, and a sleep overshoots; this is what one really takes here.
double measuredSleepMs()
{
    std::vector<double> sleeps;
    for (int sleep = 0; sleep < 50; ++sleep) {
        QElapsedTimer clock;
        clock.start();
        std::this_thread::sleep_for(std::chrono::milliseconds(latencyMs));
        sleeps.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return bench::median(sleeps);
}

struct Connects {
    double totalMs = -1.0; // median; negative when a connect failed
    double operations = 0.0;
};

Connects measureConnects(bench::Kept kept)
{
    std::vector<double> totalMs;
    std::vector<double> operations;
    for (int round = 0; round < rounds; ++round) {
        bench::DemoWindow demo(kept);
        orvex_sim::faults("SIM1").latencyMs = latencyMs;
        orvex_sim::clearJournal();

        QElapsedTimer clock;
        clock.start();
        const bool connected = bench::connectCamera(demo.window());
        totalMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!connected)
            return {};
        operations.push_back(double(orvex_sim::journal().size()));
    }
    return {bench::median(totalMs), bench::median(operations)};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);

    const Connects connects = measureConnects(bench::Kept::Nothing);
    // The demo keeps its cameras in a state file, which every operation then reads.
    const Connects kept = measureConnects(bench::Kept::InStateFile);
    if (connects.totalMs < 0.0 || kept.totalMs < 0.0)
        return 1;

    const double total = connects.totalMs;
    const double operationCount = connects.operations;
    const double wire = operationCount * latencyMs;
    const double sleepMs = measuredSleepMs();
    const double overshoot = operationCount * (sleepMs - latencyMs);

    bench::heading(QStringLiteral("Connect sequence against SIM1 at %1 ms per operation (median of "
                                  "%2 connects)")
                       .arg(latencyMs)
                       .arg(rounds));
    bench::figure(QStringLiteral("whole connect"), bench::milliseconds(total));
    bench::figure(QStringLiteral("device operations (journal)"),
                  QString::number(operationCount, 'f', 0));
    bench::figure(QStringLiteral("wire time (operations x %1 ms)").arg(latencyMs),
                  bench::milliseconds(wire));
    bench::figure(QStringLiteral("window's own work (whole - wire)"),
                  bench::milliseconds(total - wire));
    bench::figure(QStringLiteral("ratio (whole / wire)"), bench::ratio(total, wire));
    bench::figure(QStringLiteral("of the own work, sleep overshoot"),
                  bench::milliseconds(overshoot),
                  QStringLiteral("(a %1 ms sleep takes %2 here)")
                      .arg(latencyMs)
                      .arg(bench::milliseconds(sleepMs)));
    // The sleep overshoot is the stand-in's, not the window's: without it, what the window adds to
    // a perfect 2 ms link.
    bench::figure(QStringLiteral("ratio (whole - sleep overshoot) / wire"),
                  bench::ratio(total - overshoot, wire));
    bench::figure(QStringLiteral("whole connect, with a state file"),
                  bench::milliseconds(kept.totalMs),
                  QStringLiteral("(%1 operations)").arg(kept.operations, 0, 'f', 0));
    bench::figure(QStringLiteral("ratio (with state file / without)"),
                  bench::ratio(kept.totalMs, total));
    return 0;
}
