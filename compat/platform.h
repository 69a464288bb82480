// Where the operating systems differ in what the programs ask of them: the one place that calls
// them directly.
#pragma once

#include <QString>
#include <QStringList>

#include <csignal>
#include <cstdio>

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
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

// The program's words as they were typed, read before any application object exists. Windows hands
// main() its words in the local 8-bit code page, which loses what that page cannot spell (a file
// name in another script), so there the wide command line is read instead.
inline QStringList commandLineArguments(int argc, char** argv)
{
    QStringList words;
#ifdef _WIN32
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int index = 0; index < count; ++index)
            words << QString::fromWCharArray(wide[index]);
        LocalFree(wide);
        return words;
    }
#endif
    for (int index = 0; index < argc; ++index)
        words << QString::fromLocal8Bit(argv[index]);
    return words;
}

} // namespace platform
