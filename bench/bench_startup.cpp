// Start-up: from launching the process to its window's first painted frame, the tool (demo
// configuration) against two yardsticks: its own form alone, which builds and paints the same
// widgets with none of the tool's code, and a bare QMainWindow program. And the tool with a
// vendor's SDK library named (the tests' vendor-like one), loaded at run time, against the tool
// over the stand-in it links. All are launched in turn so that they meet the same machine.
#include "launch.h"
#include "measure.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <vector>

namespace {

constexpr int launches = 25;

double medianMsToFirstPaint(const bench::Probe& probe)
{
    std::vector<double> ms;
    for (const bench::ProbeRun& run : probe.runs)
        ms.push_back(run.msToFirstPaint);
    return bench::median(ms);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QProcessEnvironment environment = bench::probeEnvironment(folder.path());
    std::vector<bench::Probe> probes{
        {QStringLiteral("tool window (demo configuration)"),
         QStringLiteral(ORVEX_WINDOW_PROBE),
         {}},
        {QStringLiteral("tool window (vendor library at run time)"),
         QStringLiteral(ORVEX_WINDOW_PROBE),
         {},
         {QStringLiteral("ORVEX_SDK_LIBRARY=" ORVEX_VENDOR_LIKE)}},
        {QStringLiteral("form alone (same widgets, no tool code)"),
         QStringLiteral(ORVEX_FORM_PROBE),
         {}},
        {QStringLiteral("bare QMainWindow"), QStringLiteral(ORVEX_BARE_PROBE), {}}};

    // One unmeasured launch each, so that none is timed loading its libraries from disk.
    if (!bench::launchInTurn(probes, 1, {}, environment))
        return 1;
    for (bench::Probe& probe : probes)
        probe.runs.clear();
    if (!bench::launchInTurn(probes, launches, {}, environment))
        return 1;

    const double tool = medianMsToFirstPaint(probes[0]);
    const double vendor = medianMsToFirstPaint(probes[1]);
    const double form = medianMsToFirstPaint(probes[2]);
    const double bare = medianMsToFirstPaint(probes[3]);
    bench::heading(QStringLiteral("Start-up: process launch to first painted frame (median of %1 "
                                  "launches each)")
                       .arg(launches));
    for (const bench::Probe& probe : probes)
        bench::figure(probe.label, bench::milliseconds(medianMsToFirstPaint(probe)));
    bench::figure(QStringLiteral("ratio (tool / form alone)"), bench::ratio(tool, form));
    bench::figure(QStringLiteral("ratio (tool / bare)"), bench::ratio(tool, bare));
    bench::figure(QStringLiteral("ratio (vendor's library / stand-in)"),
                  bench::ratio(vendor, tool));
    bench::figure(QStringLiteral("tool's own start-up (tool - form alone)"),
                  bench::milliseconds(tool - form));
    return 0;
}
