// Launches the probe programs (bench_probe_window, bench_probe_form, bench_probe_bare) and reads
// what they say: the time from launch to the first painted frame, and peak memory when asked for.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <vector>

namespace bench {

struct ProbeRun {
    bool ok = false;
    double msToFirstPaint = 0.0;
    long peakResidentKib = -1; // -1 when not asked for or not known
    QString failure;
};

// The offscreen platform and the stand-in's built-in configuration, with its log file in
// temporaryFolder rather than in the demo's; no SDK library named.
QProcessEnvironment probeEnvironment(const QString& temporaryFolder);

ProbeRun runProbe(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment);

// One program that a driver compares, and what its launches found.
struct Probe {
    QString label;
    QString program;
    std::vector<ProbeRun> runs;
    // Added to the environment that every probe is launched in.
    QStringList variables = {}; // NAME=VALUE
};

// Launches every probe once a round, in turn, so that all of them meet the machine alike. False,
// with the reason on standard error, as soon as a launch fails.
bool launchInTurn(std::vector<Probe>& probes, int rounds, const QStringList& arguments,
                  const QProcessEnvironment& environment);

} // namespace bench
