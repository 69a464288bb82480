// Memory: the tool's peak resident memory once connected to the simulated camera, against a bare
// QMainWindow program's after its first frame. Each in a process of its own, so that nothing else
// has raised the peak.
#include "launch.h"
#include "measure.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// Peak memory hardly varies from run to run; three runs only guard against a stray one.
constexpr int runs = 3;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QProcessEnvironment environment = bench::probeEnvironment(folder.path());
    const QString window = QStringLiteral(ORVEX_WINDOW_PROBE);
    const QString bare = QStringLiteral(ORVEX_BARE_PROBE);
    const QStringList arguments{QStringLiteral("--memory")};

    std::vector<double> windowKib;
    std::vector<double> bareKib;
    bool known = true;
    for (int run = 0; run < runs; ++run) {
        for (const QString& program : {window, bare}) {
            const bench::ProbeRun probe = bench::runProbe(program, arguments, environment);
            if (!probe.ok) {
                std::fprintf(stderr, "%s\n", qPrintable(probe.failure));
                return 1;
            }
            known = known && probe.peakResidentKib >= 0;
            (program == window ? windowKib : bareKib).push_back(double(probe.peakResidentKib));
        }
    }

    const long windowPeak = known ? long(bench::median(windowKib)) : -1;
    const long barePeak = known ? long(bench::median(bareKib)) : -1;
    bench::heading(
        QStringLiteral("Memory: peak resident set (VmHWM, median of %1 runs each)").arg(runs));
    bench::figure(QStringLiteral("tool window, connected to SIM1"), bench::kib(windowPeak));
    bench::figure(QStringLiteral("bare QMainWindow, first frame"), bench::kib(barePeak));
    bench::figure(QStringLiteral("ratio (tool / bare)"),
                  bench::ratio(double(windowPeak), double(barePeak)));
    bench::figure(QStringLiteral("tool's own share (difference)"),
                  known ? bench::kib(windowPeak - barePeak) : QStringLiteral("n/a"));
    return 0;
}
