#include "accessibilitybridge.h"
#include "mainwindow.h"
#include "qtcompat.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    prepareAccessibilityBridge();
    announceStartup();
    qtcompat::scaleToTheScreen();
    QApplication application(argc, argv);
    MainWindow window;
    window.show();
    return application.exec();
}
