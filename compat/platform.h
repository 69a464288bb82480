// Where the operating systems differ in what the programs ask of them: the one place that calls
// them directly.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#include <fcntl.h>
#include <io.h>
#else
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
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

namespace detail {

// Set from a signal handler, or from the console's own thread on Windows.
inline std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");
// Written as it stands from the handler, which may not build text.
inline std::string& stopNotice()
{
    static std::string notice;
    return notice;
}

#ifdef _WIN32
inline BOOL WINAPI heedConsoleControl(DWORD event)
{
    // Closing the console, logging off and shutting down give no time to finish anything.
    if ((event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) || stopRequested.exchange(true))
        return FALSE;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), stopNotice().data(), DWORD(stopNotice().size()),
              &written, nullptr);
    return TRUE;
}
#else
inline void heedStopSignal(int)
{
    stopRequested = true;
    // A second request is left to the system, which ends the program at once.
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigaction(SIGINT, &byDefault, nullptr);
    sigaction(SIGTERM, &byDefault, nullptr);
    const ssize_t written = write(STDERR_FILENO, stopNotice().data(), stopNotice().size());
    static_cast<void>(written);
}
#endif

} // namespace detail

// An interrupt (Ctrl-C) or a termination request is heeded between operations rather than at once,
// so that no camera is left part way through one and the program can say what it left undone; the
// notice is written on standard error when the request comes. A second request ends the program at
// once, as if none were caught: an operation that never returns must not hold the operator.
// POSIX signals (SIGINT, SIGTERM); on Windows, the console's Ctrl-C and Ctrl-Break.
inline void heedStopRequests(const QByteArray& notice)
{
    detail::stopNotice() = notice.toStdString();
#ifdef _WIN32
    SetConsoleCtrlHandler(detail::heedConsoleControl, TRUE);
#else
    struct sigaction heed = {};
    heed.sa_handler = detail::heedStopSignal;
    sigemptyset(&heed.sa_mask);
    // A read or write under way is finished rather than failed.
    heed.sa_flags = SA_RESTART;
    sigaction(SIGINT, &heed, nullptr);
    sigaction(SIGTERM, &heed, nullptr);
#endif
}

inline bool stopRequested()
{
    return detail::stopRequested;
}

// Gives a file just written, open as descriptor, the owner, group and mode of the file it is to
// replace, so that replacing a file does not take it from its owner. False when the process may not
// (only the superuser gives a file away); true when there is nothing to keep: no file to replace,
// the file itself open to be written in place, or Windows, where a replaced file's owner is not the
// writer's business.
inline bool keepOwnerOf(const QString& replaced, int descriptor)
{
#ifdef _WIN32
    static_cast<void>(replaced);
    static_cast<void>(descriptor);
    return true;
#else
    struct stat old = {};
    if (stat(QFile::encodeName(replaced).constData(), &old) != 0)
        return true;
    struct stat written = {};
    if (fstat(descriptor, &written) != 0)
        return false;
    // Written where it stands: the file keeps what it has.
    if (written.st_dev == old.st_dev && written.st_ino == old.st_ino)
        return true;
    const uid_t owner = written.st_uid == old.st_uid ? uid_t(-1) : old.st_uid;
    const gid_t group = written.st_gid == old.st_gid ? gid_t(-1) : old.st_gid;
    if ((owner != uid_t(-1) || group != gid_t(-1)) && fchown(descriptor, owner, group) != 0)
        return false;
    // After the owner, since a change of owner clears the set-user and set-group bits.
    return fchmod(descriptor, old.st_mode & 07777) == 0;
#endif
}

// Takes the file open as descriptor for this process alone to write, for as long as it stays open;
// false when another holds it. A recording's files, written in place as they grow, would be
// mingled by a second recording to the same name.
inline bool holdForWriting(int descriptor)
{
#ifdef _WIN32
    OVERLAPPED whole = {};
    return LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)),
                      LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                      &whole) != 0;
#else
    return flock(descriptor, LOCK_EX | LOCK_NB) == 0;
#endif
}

// Whether path is another user's symbolic link that leads to a file not theirs, or to none: a write
// that followed it would be aimed by that user, at any file this process may write. The system's
// own guard against such links in shared folders covers only links it follows itself, not one that
// a library resolves before opening its target. The superuser's links are the system's own
// (/dev/stdout), followed by all. Windows: only an administrator makes links.
inline bool isOthersLinkToOthersFile(const QString& path)
{
#ifdef _WIN32
    static_cast<void>(path);
    return false;
#else
    const QByteArray name = QFile::encodeName(path);
    struct stat link = {};
    if (lstat(name.constData(), &link) != 0 || !S_ISLNK(link.st_mode) || link.st_uid == geteuid() ||
        link.st_uid == 0)
        return false;
    struct stat target = {};
    return stat(name.constData(), &target) != 0 || target.st_uid != link.st_uid;
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
