// Start-up: from launching the process to its window's first painted frame, the tool (demo
// configuration) against a bare QMainWindow program, launched alternately so that both meet the
// same machine.
#include "launch.h"
#include "measure.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int launches = 25;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QProcessEnvironment environment = bench::probeEnvironment(folder.path());
    const QString window = QStringLiteral(ORVEX_WINDOW_PROBE);
    const QString bare = QStringLiteral(ORVEX_BARE_PROBE);

    // One unmeasured launch each, so that neither is timed loading its libraries from disk.
    for (const QString& program : {window, bare}) {
        const bench::ProbeRun warmUp = bench::runProbe(program, {}, environment);
        if (!warmUp.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(warmUp.failure));
            return 1;
        }
    }

    std::vector<double> windowMs;
    std::vector<double> bareMs;
    for (int launch = 0; launch < launches; ++launch) {
        for (const QString& program : {window, bare}) {
            const bench::ProbeRun run = bench::runProbe(program, {}, environment);
            if (!run.ok) {
                std::fprintf(stderr, "%s\n", qPrintable(run.failure));
                return 1;
            }
            (program == window ? windowMs : bareMs).push_back(run.msToFirstPaint);
        }
    }

    const double windowMedian = bench::median(windowMs);
    const double bareMedian = bench::median(bareMs);
    bench::heading(QStringLiteral("Start-up: process launch to first painted frame (median of %1 "
                                  "launches each)")
                       .arg(launches));
    bench::figure(QStringLiteral("tool window (demo configuration)"),
                  bench::milliseconds(windowMedian));
    bench::figure(QStringLiteral("bare QMainWindow"), bench::milliseconds(bareMedian));
    bench::figure(QStringLiteral("ratio (tool / bare)"), bench::ratio(windowMedian, bareMedian));
    bench::figure(QStringLiteral("tool's own start-up (difference)"),
                  bench::milliseconds(windowMedian - bareMedian));
    return 0;
}
