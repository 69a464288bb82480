#include "firstpaint.h"

#include "measure.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace bench {

FirstPaintProbe::FirstPaintProbe(QWidget& window, std::function<int()> afterPaint)
    : window_(window), afterPaint_(std::move(afterPaint))
{
    window_.installEventFilter(this);
}

bool FirstPaintProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &window_ || event->type() != QEvent::Paint)
        return QObject::eventFilter(watched, event);

    window_.removeEventFilter(this);
    // The window is painted before its children, all in one pass; a zero timer fires once the
    // whole pass, and so the whole first frame, is done.
    QTimer::singleShot(0, this, [this] {
        std::printf("%s\n", firstPaintLine);
        std::fflush(stdout);
        QCoreApplication::exit(afterPaint_ ? afterPaint_() : 0);
    });
    return false;
}

int showUntilFirstPaint(QWidget& window)
{
    const bool memory = QApplication::arguments().contains(QStringLiteral("--memory"));
    FirstPaintProbe probe(window, [memory] {
        if (memory)
            reportPeakResident();
        return 0;
    });
    window.show();
    return QApplication::exec();
}

} // namespace bench
