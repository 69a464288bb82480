#include "mainwindow.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    announceStartup();
    QApplication application(argc, argv);
    MainWindow window;
    window.show();
    return application.exec();
}
