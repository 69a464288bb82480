// Memory: the tool's peak resident memory once connected to the simulated camera, against two
// yardsticks after their first frame: its own form alone (the same widgets, none of the tool's
// code) and a bare QMainWindow program. Each in a process of its own, so that nothing else has
// raised the peak.
#include "launch.h"
#include "measure.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <vector>

namespace {

// Peak memory hardly varies from run to run; three runs only guard against a stray one.
constexpr int runs = 3;

// -1 when the system does not tell.
long medianPeakKib(const bench::Probe& probe)
{
    std::vector<double> kib;
    for (const bench::ProbeRun& run : probe.runs) {
        if (run.peakResidentKib < 0)
            return -1;
        kib.push_back(double(run.peakResidentKib));
    }
    return long(bench::median(kib));
}

QString difference(long minuend, long subtrahend)
{
    if (minuend < 0 || subtrahend < 0)
        return QStringLiteral("n/a");
    return bench::kib(minuend - subtrahend);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QProcessEnvironment environment = bench::probeEnvironment(folder.path());
    std::vector<bench::Probe> probes{
        {QStringLiteral("tool window, connected to SIM1"), QStringLiteral(ORVEX_WINDOW_PROBE), {}},
        {QStringLiteral("form alone (same widgets, no tool code)"),
         QStringLiteral(ORVEX_FORM_PROBE),
         {}},
        {QStringLiteral("bare QMainWindow, first frame"), QStringLiteral(ORVEX_BARE_PROBE), {}}};
    if (!bench::launchInTurn(probes, runs, {QStringLiteral("--memory")}, environment))
        return 1;

    const long tool = medianPeakKib(probes[0]);
    const long form = medianPeakKib(probes[1]);
    const long bare = medianPeakKib(probes[2]);
    bench::heading(
        QStringLiteral("Memory: peak resident set (VmHWM, median of %1 runs each)").arg(runs));
    for (const bench::Probe& probe : probes)
        bench::figure(probe.label, bench::kib(medianPeakKib(probe)));
    bench::figure(QStringLiteral("ratio (tool / form alone)"),
                  bench::ratio(double(tool), double(form)));
    bench::figure(QStringLiteral("ratio (tool / bare)"), bench::ratio(double(tool), double(bare)));
    bench::figure(QStringLiteral("tool's own share (tool - form alone)"), difference(tool, form));
    return 0;
}
