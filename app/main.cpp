#include "mainwindow.h"
#include "platform.h"
#include "qtcompat.h"
#include "sdkaccess.h"
#include "startup.h"

#include <QApplication>

#include <cstring>
#include <iostream>

int main(int argc, char** argv)
{
    // Answered before anything starts: no start-up lines, no SDK loaded, no window.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        platform::surviveClosedPipes();
        std::cout << "orvexhd " ORVEX_VERSION "\n"
                  << sdkaccess::statement().toLocal8Bit().constData() << std::endl;
        if (std::cout)
            return 0;
        std::cerr << "orvexhd: standard output cannot be written" << std::endl;
        return 4;
    }
    qtcompat::prepareAccessibilityBridge();
    announceStartup();
    announceSdkInForce();
    qtcompat::scaleToTheScreen();
    QApplication application(argc, argv);
    MainWindow window;
    window.show();
    return application.exec();
}
