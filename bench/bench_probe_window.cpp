// The tool started as its own main() starts it, in the demo configuration, so that bench_startup
// times the tool's own start-up up to the first frame. With --memory it then connects to the
// simulated camera and reports its peak resident memory.
#include "demowindow.h"
#include "firstpaint.h"
#include "mainwindow.h"
#include "measure.h"
#include "portenumeration.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    announceStartup();

    QApplication application(argc, argv);
    const bool memory = application.arguments().contains(QStringLiteral("--memory"));
    ports::setEnumerator(bench::simulatedPortNames);

    MainWindow window;
    bench::FirstPaintProbe probe(window, [&window, memory] {
        if (!memory)
            return 0;
        if (!bench::connectCamera(window))
            return 1;
        // The connected state is painted too: that is part of what a connect costs.
        QApplication::processEvents();
        bench::reportPeakResident();
        return 0;
    });
    window.show();
    return application.exec();
}
