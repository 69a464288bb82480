// The yardstick of the start-up and memory benchmarks: a bare QMainWindow, built as the tool is.
// With --memory it reports its peak resident memory after the first frame.
#include "firstpaint.h"
#include "measure.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const bool memory = application.arguments().contains(QStringLiteral("--memory"));

    QMainWindow window;
    bench::FirstPaintProbe probe(window, [memory] {
        if (memory)
            bench::reportPeakResident();
        return 0;
    });
    window.show();
    return application.exec();
}
