// orvexhd-cli: the camera from the command line, over the same SDK and the same camera table as
// the window.
#include "commands.h"
#include "output.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// A reader that goes away (`orvexhd-cli provision rows.csv | head`) must not end the program
// between two operations on a camera: the failed write is reported at the end instead.
void surviveClosedPipes()
{
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

// Progress lines are for a person watching, not for a file or a pipe.
bool standardErrorIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    surviveClosedPipes();
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    cli::Console console(out, err, standardErrorIsTerminal());
    return cli::run(QCoreApplication::arguments(), console);
}
