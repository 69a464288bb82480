// Where the operating systems differ in what the programs ask of them: the one place that calls
// them directly.
#pragma once

#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace platform {

// A reader that goes away (`orvexhd-cli provision rows.csv | head`, a snapshot into a pipe) must
// not end the program silently: the failed write is reported instead.
inline void surviveClosedPipes()
{
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

// Progress lines are for a person watching, not for a file or a pipe.
inline bool standardErrorIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

// Standard output as it is written, byte for byte: Windows turns each line feed into two bytes
// unless told otherwise, which would break a picture written there.
inline void binaryStandardOutput()
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

} // namespace platform
