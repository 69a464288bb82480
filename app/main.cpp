#include "mainwindow.h"
#include "qtcompat.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    qtcompat::prepareAccessibilityBridge();
    announceStartup();
    qtcompat::scaleToTheScreen();
    QApplication application(argc, argv);
    MainWindow window;
    window.show();
    return application.exec();
}
