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
    platform::heedStopRequests(
        QStringLiteral("orvexhd-cli: %1\n")
            .arg(cli::Cli::tr("stopping after the operation in hand; interrupt again to stop at "
                              "once"))
            .toLocal8Bit());
    console.setStopCheck(platform::stopRequested);
    return cli::run(QCoreApplication::arguments(), console);
}
