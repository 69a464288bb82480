// A full profile apply (orvexhd-cli apply: every user, expert and IA setting, with its connect)
// against a simulated camera whose every operation takes 2 ms, as over a serial link. What the
// wire takes is the camera's business; the rest is the command's own work: parsing and checking
// the profile, encoding, reporting, the SDK log. Then the check of a production line's CSV
// (provision --dry-run) at 1 000 and 10 000 rows, which should grow with the rows, no faster. Last, a
// 16 MiB profile of unknown keys, which is read no further than its first 1000 problems: its check
// should cost about what reading the file costs, in time and in memory.
#include "commands.h"
#include "demowindow.h"
#include "measure.h"
#include "simcontrol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int latencyMs = 2;
constexpr int rounds = 7;
constexpr int fewRows = 1000;
constexpr int manyRows = 10000;
constexpr int hostileBytes = 16 * 1024 * 1024 - 1024;

// The command as main() would run it, its output kept out of the figures.
int runCli(const QStringList& arguments, int expected = 0)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    cli::Console console(outStream, errStream, false);
    const int status = cli::run(QStringList{QStringLiteral("orvexhd-cli")} + arguments, console);
    if (status != expected)
        std::fprintf(stderr, "orvexhd-cli %s: status %d\n%s%s", qPrintable(arguments.join(' ')),
                     status, qPrintable(out), qPrintable(err));
    return status;
}

// Rows that each name a port and serial number of their own and one profile, as a line setting up
// many cameras alike writes them.
bool writeRows(const QString& path, int rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = "port,serial,profile\n";
    for (int row = 0; row < rows; ++row)
        text += QByteArray("COM") + QByteArray::number(row + 1) + ',' +
                QByteArray::number(40000 + row) + ",full.ini\n";
    return file.write(text) == text.size();
}

struct Applies {
    double totalMs = -1.0; // median; negative when an apply failed
    double operations = 0.0;
};

Applies measureApplies(const QString& profile, bench::Kept kept)
{
    bench::useDemoConfiguration(kept);
    orvex_sim::reset();
    std::vector<double> totalMs;
    std::vector<double> operations;
    for (int round = 0; round < rounds; ++round) {
        orvex_sim::faults("SIM1").latencyMs = latencyMs;
        orvex_sim::clearJournal();
        QElapsedTimer clock;
        clock.start();
        if (runCli({QStringLiteral("apply"), QStringLiteral("--port"), QStringLiteral("SIM1"),
                    profile}) != 0)
            return {};
        totalMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        operations.push_back(double(orvex_sim::journal().size()));
    }
    return {bench::median(totalMs), bench::median(operations)};
}

// A [user] section of unknown keys filling the largest file a profile may be, written a line at a
// time so that the process never holds it.
bool writeUnknownKeys(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("[user]\n") < 0)
        return false;
    for (int key = 0; file.size() < hostileBytes; ++key) {
        if (file.write('k' + QByteArray::number(key).rightJustified(7, '0') + "=1\n") < 0)
            return false;
    }
    return file.flush();
}

// The median time of rounds of work, in milliseconds; negative when one failed.
double medianMs(const std::function<bool()>& work)
{
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        if (!work())
            return -1.0;
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return bench::median(times);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    bench::useDemoConfiguration();
    orvex_sim::reset();
    QTemporaryDir folder;

    // First, while the process holds little: its peak memory then shows what the check adds.
    const QString hostile = folder.filePath(QStringLiteral("unknown-keys.ini"));
    if (!writeUnknownKeys(hostile))
        return 1;
    const long peakBefore = bench::peakResidentKib();
    const double checkMs = medianMs([&] {
        return runCli({QStringLiteral("apply"), QStringLiteral("--dry-run"), hostile}, 2) == 2;
    });
    const long peakAfter = bench::peakResidentKib();
    const double readMs = medianMs([&] {
        QFile file(hostile);
        return file.open(QIODevice::ReadOnly) && file.readAll().size() == QFileInfo(file).size();
    });
    if (checkMs < 0.0 || readMs < 0.0)
        return 1;

    const QString profile = folder.filePath(QStringLiteral("full.ini"));
    if (runCli({QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("SIM1"),
                QStringLiteral("-o"), profile}) != 0)
        return 1;

    const Applies applies = measureApplies(profile, bench::Kept::Nothing);
    // The demo keeps its cameras in a state file, which every operation then reads.
    const Applies kept = measureApplies(profile, bench::Kept::InStateFile);
    if (applies.totalMs < 0.0 || kept.totalMs < 0.0)
        return 1;

    const double total = applies.totalMs;
    const double operationCount = applies.operations;
    const double wire = operationCount * latencyMs;
    bench::heading(QStringLiteral("Full profile apply against SIM1 at %1 ms per operation "
                                  "(median of %2 applies)")
                       .arg(latencyMs)
                       .arg(rounds));
    bench::figure(QStringLiteral("whole apply (connect, check, send, report)"),
                  bench::milliseconds(total));
    bench::figure(QStringLiteral("device operations (journal)"),
                  QString::number(operationCount, 'f', 0));
    bench::figure(QStringLiteral("wire time (operations x %1 ms)").arg(latencyMs),
                  bench::milliseconds(wire));
    bench::figure(QStringLiteral("command's own work (whole - wire)"),
                  bench::milliseconds(total - wire),
                  QStringLiteral("(includes sleep overshoot, see bench_connect)"));
    bench::figure(QStringLiteral("ratio (whole / wire)"), bench::ratio(total, wire));
    bench::figure(QStringLiteral("whole apply, with a state file"),
                  bench::milliseconds(kept.totalMs),
                  QStringLiteral("(%1 operations)").arg(kept.operations, 0, 'f', 0));
    bench::figure(QStringLiteral("ratio (with state file / without)"),
                  bench::ratio(kept.totalMs, total));

    const QString few = folder.filePath(QStringLiteral("few.csv"));
    const QString many = folder.filePath(QStringLiteral("many.csv"));
    if (!writeRows(few, fewRows) || !writeRows(many, manyRows))
        return 1;
    const auto dryRunMs = [](const QString& csv) {
        return medianMs([&] {
            return runCli({QStringLiteral("provision"), csv, QStringLiteral("--dry-run")}) == 0;
        });
    };
    const double fewMs = dryRunMs(few);
    const double manyMs = dryRunMs(many);
    if (fewMs < 0.0 || manyMs < 0.0)
        return 1;
    bench::heading(QStringLiteral("provision --dry-run: a CSV checked with its profile, no camera "
                                  "opened (median of %1 runs)")
                       .arg(rounds));
    bench::figure(QStringLiteral("%1 rows").arg(fewRows), bench::milliseconds(fewMs));
    bench::figure(QStringLiteral("%1 rows").arg(manyRows), bench::milliseconds(manyMs),
                  QStringLiteral("(goal: under one second)"));
    bench::figure(
        QStringLiteral("ratio (%1 rows / %2 rows; 10 is linear)").arg(manyRows).arg(fewRows),
        bench::ratio(manyMs, fewMs));

    bench::heading(QStringLiteral("A 16 MiB profile of unknown keys, checked as apply checks it "
                                  "(median of %1 runs)")
                       .arg(rounds));
    bench::figure(QStringLiteral("reading the file alone"), bench::milliseconds(readMs));
    bench::figure(QStringLiteral("checking it (stops at 1000 problems)"),
                  bench::milliseconds(checkMs));
    bench::figure(QStringLiteral("ratio (check / read)"), bench::ratio(checkMs, readMs),
                  QStringLiteral("(goal: a few)"));
    if (peakBefore > 0 && peakAfter > 0) {
        const long grown = peakAfter - peakBefore;
        bench::figure(QStringLiteral("peak memory the check adds"), bench::kib(grown));
        bench::figure(QStringLiteral("ratio (added / file size)"),
                      bench::ratio(double(grown), double(hostileBytes) / 1024.0),
                      QStringLiteral("(goal: a few)"));
    }
    return 0;
}
