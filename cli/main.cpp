// orvexhd-cli: the camera from the command line, over the same SDK and the same camera table as
// the window.
#include "commands.h"
#include "output.h"
#include "platform.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    platform::surviveClosedPipes();
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    cli::Console console(out, err, platform::standardErrorIsTerminal());
    return cli::run(QCoreApplication::arguments(), console);
}
