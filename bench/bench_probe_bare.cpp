// The far yardstick of the start-up and memory benchmarks: a bare QMainWindow, built as the tool
// is. With --memory it reports its peak resident memory after the first frame.
#include "firstpaint.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    return bench::showUntilFirstPaint(window);
}
