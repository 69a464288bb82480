#include "launch.h"

#include "measure.h"

#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

namespace bench {
namespace {

constexpr int patienceMs = 30000;

} // namespace

QProcessEnvironment probeEnvironment(const QString& temporaryFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("ORVEX_SDK_CONFIG"));
    // The stand-in, whatever SDK library the machine names, unless a probe names one itself.
    environment.remove(QStringLiteral("ORVEX_SDK_LIBRARY"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       temporaryFolder + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                       temporaryFolder + QStringLiteral("/config-dirs"));
    environment.insert(QStringLiteral("TMPDIR"), temporaryFolder);
    // The built-in SDK log goes there too, not into the user's own.
    environment.insert(QStringLiteral("XDG_STATE_HOME"), temporaryFolder);
    // As a desktop session would have; without it each probe warns and picks a folder of its own.
    if (!environment.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), temporaryFolder);
    return environment;
}

ProbeRun runProbe(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment)
{
    ProbeRun run;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments, QIODevice::ReadOnly);

    bool painted = false;
    const QByteArray peakPrefix(peakResidentPrefix);
    const auto readLines = [&] {
        while (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            if (line == firstPaintLine && !painted) {
                painted = true;
                run.msToFirstPaint = double(clock.nsecsElapsed()) / 1e6;
            } else if (line.startsWith(peakPrefix)) {
                bool known = false;
                const long value = line.mid(peakPrefix.size()).toLong(&known);
                run.peakResidentKib = known ? value : -1;
            }
        }
    };
    while (!painted && process.waitForReadyRead(patienceMs))
        readLines();
    // The next launch must not share the machine with this one.
    if (!process.waitForFinished(patienceMs))
        process.kill();
    process.waitForFinished(patienceMs);
    readLines();

    if (!painted)
        run.failure = program + QStringLiteral(" never reported its first paint");
    else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        run.failure = program + QStringLiteral(" exited with code %1").arg(process.exitCode());
    run.ok = run.failure.isEmpty();
    return run;
}

bool launchInTurn(std::vector<Probe>& probes, int rounds, const QStringList& arguments,
                  const QProcessEnvironment& environment)
{
    for (int round = 0; round < rounds; ++round) {
        for (Probe& probe : probes) {
            QProcessEnvironment own = environment;
            for (const QString& variable : probe.variables)
                own.insert(variable.section(QLatin1Char('='), 0, 0),
                           variable.section(QLatin1Char('='), 1));
            probe.runs.push_back(runProbe(probe.program, arguments, own));
            if (!probe.runs.back().ok) {
                std::fprintf(stderr, "%s\n", qPrintable(probe.runs.back().failure));
                return false;
            }
        }
    }
    return true;
}

} // namespace bench
