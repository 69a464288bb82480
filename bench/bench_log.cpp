// Log growth: what one report costs (setOxSerialNumber with the simulated camera connected: one
// device call, one log line) when the log view already holds 100 000 lines, against the same
// report into an empty log. An append should not grow with the log.
#include "demowindow.h"
#include "measure.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>

#include <cstdio>
#include <vector>

namespace {

constexpr int filledLines = 100000;
constexpr int rounds = 5;
constexpr int reportsPerRound = 200;

QString earlierSession()
{
    QStringList lines;
    lines.reserve(filledLines);
    for (int line = 0; line < filledLines; ++line)
        lines.append(QStringLiteral("Set GAMMA value OK (earlier report %1)").arg(line));
    return lines.join(QLatin1Char('\n'));
}

// Microseconds per report: the slot alone, and the slot with the repaint that shows its line.
struct Costs {
    std::vector<double> slot;
    std::vector<double> shown;
};

void timeReports(bench::DemoWindow& demo, Costs& roundMedians)
{
    Costs round;
    for (int report = 0; report < reportsPerRound; ++report) {
        QElapsedTimer clock;
        clock.start();
        demo.invoke("setOxSerialNumber");
        const double slot = double(clock.nsecsElapsed()) / 1e3;
        QApplication::processEvents();
        round.slot.push_back(slot);
        round.shown.push_back(double(clock.nsecsElapsed()) / 1e3);
    }
    roundMedians.slot.push_back(bench::median(round.slot));
    roundMedians.shown.push_back(bench::median(round.shown));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    bench::DemoWindow demo;
    if (!bench::connectCamera(demo.window()))
        return 1;
    auto* log = demo.child<QPlainTextEdit>("logView");
    demo.child<QDoubleSpinBox>("serialNumberSP")->setValue(54321.0);
    const QString filled = earlierSession();

    log->clear();
    demo.invoke("setOxSerialNumber");
    if (log->toPlainText().isEmpty()) {
        std::fprintf(stderr, "setOxSerialNumber logged nothing\n");
        return 1;
    }

    // The empty log is emptied once a round, not before each report: its own reports soon fill
    // the view, so both sides repaint a full page and differ only in what the log holds.
    Costs empty;
    Costs full;
    int linesBeforeReports = 0;
    for (int round = 0; round < rounds; ++round) {
        log->clear();
        QApplication::processEvents();
        timeReports(demo, empty);

        log->setPlainText(filled);
        QApplication::processEvents();
        linesBeforeReports = log->document()->blockCount();
        timeReports(demo, full);
    }

    const double emptyShown = bench::median(empty.shown);
    const double fullShown = bench::median(full.shown);
    const double emptySlot = bench::median(empty.slot);
    const double fullSlot = bench::median(full.slot);
    bench::heading(
        QStringLiteral("Log growth: one report, setOxSerialNumber (median of %1 rounds x "
                       "%2 reports)")
            .arg(rounds)
            .arg(reportsPerRound));
    bench::figure(QStringLiteral("empty log: report + repaint"), bench::microseconds(emptyShown));
    bench::figure(QStringLiteral("%1 lines: report + repaint").arg(linesBeforeReports),
                  bench::microseconds(fullShown));
    bench::figure(QStringLiteral("ratio (full / empty)"), bench::ratio(fullShown, emptyShown));
    bench::figure(QStringLiteral("empty log: slot alone"), bench::microseconds(emptySlot));
    bench::figure(QStringLiteral("%1 lines: slot alone").arg(linesBeforeReports),
                  bench::microseconds(fullSlot));
    bench::figure(QStringLiteral("ratio (full / empty), slot alone"),
                  bench::ratio(fullSlot, emptySlot));
    return 0;
}
