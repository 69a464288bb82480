// The near yardstick of the start-up and memory benchmarks: the window's own form (the same
// widgets and images) set up on a plain QMainWindow, with none of the tool's code, so that what
// the tool takes beyond it is the tool's own. With --memory it reports its peak resident memory
// after the first frame.
#include "firstpaint.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    return bench::showUntilFirstPaint(window);
}
