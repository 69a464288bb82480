// Launches a probe program (bench_probe_bare, bench_probe_window) and reads what it says: the time
// from launch to its first painted frame, and its peak memory when asked for.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace bench {

struct ProbeRun {
    bool ok = false;
    double msToFirstPaint = 0.0;
    long peakResidentKib = -1; // -1 when not asked for or not known
    QString failure;
};

// The offscreen platform and the stand-in's built-in configuration, with its log file in
// temporaryFolder rather than in the demo's.
QProcessEnvironment probeEnvironment(const QString& temporaryFolder);

ProbeRun runProbe(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment);

} // namespace bench
