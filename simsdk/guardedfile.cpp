#include "guardedfile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orvex_sim {
namespace {

GuardedOpen refused(const QString& why)
{
    return {GuardedOpen::Refused, why};
}

QString cannotOpen(const QString& reason)
{
    return QStringLiteral("cannot be opened (%1)").arg(reason);
}

} // namespace

#ifdef _WIN32

// Only an administrator or a developer makes symbolic links here, so they are followed.
GuardedOpen lookAt(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    if (name.compare(QLatin1String("NUL"), Qt::CaseInsensitive) == 0)
        return {GuardedOpen::NullDevice, QStringLiteral("is the null device")};
    const QFileInfo info(path);
    if (!info.exists())
        return {GuardedOpen::Missing, {}};
    if (info.isDir())
        return refused(QStringLiteral("is a folder"));
    if (!info.isFile())
        return refused(QStringLiteral("is no file"));
    return {GuardedOpen::Opened, {}};
}

GuardedOpen openGuarded(QFile& file, const QString& path, QIODevice::OpenMode mode)
{
    const bool appending = mode & QIODevice::WriteOnly;
    if (appending)
        makePrivateFolders(QFileInfo(path).absolutePath());
    const GuardedOpen found = lookAt(path);
    if (found.outcome == GuardedOpen::NullDevice || found.outcome == GuardedOpen::Refused ||
        (found.outcome == GuardedOpen::Missing && !appending))
        return found;
    file.setFileName(path);
    if (!file.open(mode | QIODevice::Unbuffered))
        return refused(cannotOpen(file.errorString()));
    return {GuardedOpen::Opened, {}};
}

bool makePrivateFolders(const QString& folder)
{
    // The user's own folders on Windows let nobody else in already.
    return QDir().mkpath(folder);
}

#else

namespace {

QString errorText()
{
    return qt_error_string(errno);
}

// The null device wherever it is named: the device node, not the name /dev/null.
bool isNullDevice(const struct stat& status)
{
    struct stat null {
    };
    return S_ISCHR(status.st_mode) && ::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) &&
           status.st_rdev == null.st_rdev;
}

QString whyNotAFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("is a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("is a FIFO, which would hold the program until something reads it");
    if (S_ISSOCK(mode))
        return QStringLiteral("is a socket");
    return QStringLiteral("is a device");
}

struct Found {
    GuardedOpen verdict;
    bool throughLink = false;
    bool exists = false;
    struct stat status {
    }; // of the file itself, a link's target
};

Found find(const QByteArray& name)
{
    Found found;
    struct stat link {
    };
    if (::lstat(name.constData(), &link) != 0) {
        // Nothing there, or a plain file where a folder of the path should be: opening says which.
        found.verdict = errno == ENOENT || errno == ENOTDIR ? GuardedOpen{GuardedOpen::Missing, {}}
                                                            : refused(cannotOpen(errorText()));
        return found;
    }
    found.status = link;
    if (S_ISLNK(link.st_mode)) {
        found.throughLink = true;
        const bool target = ::stat(name.constData(), &found.status) == 0;
        // A link of this user's own goes where the user chose, even to a file yet to be made.
        if (link.st_uid != ::geteuid() && (!target || found.status.st_uid != link.st_uid)) {
            found.verdict = refused(target ? QStringLiteral("is another user's symbolic link to "
                                                            "a file that is not theirs")
                                           : QStringLiteral("is another user's symbolic link to "
                                                            "a file that does not exist"));
            return found;
        }
        if (!target) {
            found.verdict = {GuardedOpen::Missing, {}};
            return found;
        }
    }
    found.exists = true;
    if (S_ISREG(found.status.st_mode))
        found.verdict = {GuardedOpen::Opened, {}};
    else if (isNullDevice(found.status))
        found.verdict = {GuardedOpen::NullDevice, QStringLiteral("is the null device")};
    else
        found.verdict = refused(whyNotAFile(found.status.st_mode));
    return found;
}

} // namespace

GuardedOpen lookAt(const QString& path)
{
    return find(QFile::encodeName(path)).verdict;
}

GuardedOpen openGuarded(QFile& file, const QString& path, QIODevice::OpenMode mode)
{
    const bool appending = mode & QIODevice::WriteOnly;
    if (appending)
        makePrivateFolders(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    const Found found = find(name);
    const GuardedOpen::Outcome outcome = found.verdict.outcome;
    if (outcome == GuardedOpen::NullDevice || outcome == GuardedOpen::Refused ||
        (outcome == GuardedOpen::Missing && !appending))
        return found.verdict;

    // Whatever is swapped in after the look is caught here: a link by O_NOFOLLOW, a FIFO or a
    // device by O_NONBLOCK and the check of what was opened.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    flags |= appending ? O_WRONLY | O_APPEND | O_CREAT : O_RDONLY;
    if (!found.throughLink)
        flags |= O_NOFOLLOW;
    const int fd = ::open(name.constData(), flags, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return errno == ENOENT && !appending ? GuardedOpen{GuardedOpen::Missing, {}}
                                             : refused(cannotOpen(errorText()));
    struct stat opened {
    };
    QString why;
    if (::fstat(fd, &opened) != 0)
        why = cannotOpen(errorText());
    else if (!S_ISREG(opened.st_mode))
        why = whyNotAFile(opened.st_mode);
    else if (found.exists &&
             (opened.st_dev != found.status.st_dev || opened.st_ino != found.status.st_ino))
        why = QStringLiteral("was replaced while it was being opened");
    if (!why.isEmpty() ||
        !file.open(fd, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        if (why.isEmpty())
            why = cannotOpen(file.errorString());
        ::close(fd);
        return refused(why);
    }
    return {GuardedOpen::Opened, {}};
}

bool makePrivateFolders(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.exists() || info.isRoot())
        return info.isDir();
    if (!makePrivateFolders(info.absolutePath()))
        return false;
    return ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU) == 0 || errno == EEXIST;
}

#endif

} // namespace orvex_sim
