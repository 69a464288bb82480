// Tells the launching driver when a window's first frame is on screen: the probe programs of the
// start-up and memory benchmarks, ours and the bare one, share it so both stop the clock alike.
#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace bench {

class FirstPaintProbe : public QObject
{
public:
    // afterPaint runs once the first frame is painted and gives the process's exit code; without
    // it the process simply exits.
    explicit FirstPaintProbe(QWidget& window, std::function<int()> afterPaint = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    std::function<int()> afterPaint_;
};

// What a yardstick probe does once its window is built: shows it, runs the event loop until the
// first frame is painted and, when the process was given --memory, reports the peak resident
// memory. Gives the exit code.
int showUntilFirstPaint(QWidget& window);

} // namespace bench
