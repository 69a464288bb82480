// Slider drag: 10 000 moves of gammaSlider through the window's slider and spin-box coupling,
// against the least any coupling must do: setting a bare QSlider and a bare QDoubleSpinBox of the
// same ranges once per move.
#include "demowindow.h"
#include "measure.h"
#include "simcontrol.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int moves = 10000;
constexpr int rounds = 15;
constexpr int topPosition = 20;

// Back and forth over the whole range, so that every move changes the position.
int position(int move)
{
    const int phase = move % (2 * topPosition);
    return phase <= topPosition ? phase : 2 * topPosition - phase;
}

// Milliseconds for the drag, with the repaint that follows it.
template <class Move> double timedDrag(Move move)
{
    QElapsedTimer clock;
    clock.start();
    for (int step = 0; step < moves; ++step)
        move(position(step));
    QApplication::processEvents();
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    bench::DemoWindow demo;
    if (!bench::connectCamera(demo.window()))
        return 1;
    auto* gammaSlider = demo.child<QSlider>("gammaSlider");
    auto* gammaEdit = demo.child<QDoubleSpinBox>("gammaEdit");

    QWidget barePair;
    auto* bareSlider = new QSlider(Qt::Horizontal, &barePair);
    auto* bareEdit = new QDoubleSpinBox(&barePair);
    bareSlider->setRange(0, topPosition);
    bareEdit->setDecimals(1);
    bareEdit->setRange(0.5, 2.5);
    bareEdit->setSingleStep(0.1);
    auto* layout = new QHBoxLayout(&barePair);
    layout->addWidget(bareSlider);
    layout->addWidget(bareEdit);
    barePair.show();
    QApplication::processEvents();

    orvex_sim::clearJournal();
    std::vector<double> windowMs;
    std::vector<double> bareMs;
    for (int round = 0; round < rounds; ++round) {
        gammaSlider->setValue(topPosition);
        bareSlider->setValue(topPosition);
        QApplication::processEvents();
        const auto windowDrag = [&] {
            windowMs.push_back(timedDrag([gammaSlider](int to) { gammaSlider->setValue(to); }));
        };
        const auto bareDrag = [&] {
            bareMs.push_back(timedDrag([bareSlider, bareEdit](int to) {
                bareSlider->setValue(to);
                bareEdit->setValue(0.5 + to * 0.1);
            }));
        };
        // Each side goes first every other round, so that neither always meets a warmer cache.
        if (round % 2 == 0) {
            windowDrag();
            bareDrag();
        } else {
            bareDrag();
            windowDrag();
        }
    }

    const double expected = 0.5 + position(moves - 1) * 0.1;
    if (std::abs(gammaEdit->value() - expected) > 1e-9) {
        std::fprintf(stderr, "gammaEdit shows %g after the drag, not %g: no coupling\n",
                     gammaEdit->value(), expected);
        return 1;
    }
    // The once-a-second temperature refresh goes on during the drags; it is no send.
    const auto journal = orvex_sim::journal();
    const auto sent = std::count_if(journal.begin(), journal.end(), [](const auto& entry) {
        return entry.operation != "getTemperatures";
    });

    const double window = bench::median(windowMs);
    const double bare = bench::median(bareMs);
    bench::heading(QStringLiteral("Slider drag: %1 moves of gammaSlider (median of %2 drags)")
                       .arg(moves)
                       .arg(rounds));
    bench::figure(QStringLiteral("through the window's coupling"), bench::milliseconds(window),
                  bench::microseconds(window * 1e3 / moves) + QStringLiteral(" per move"));
    bench::figure(QStringLiteral("bare QSlider + QDoubleSpinBox"), bench::milliseconds(bare),
                  bench::microseconds(bare * 1e3 / moves) + QStringLiteral(" per move"));
    bench::figure(QStringLiteral("ratio (window / bare)"), bench::ratio(window, bare));
    bench::figure(QStringLiteral("device operations during the drags"), QString::number(sent),
                  QStringLiteral("(a drag sends on release only)"));
    return 0;
}
