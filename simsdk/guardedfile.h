// The stand-in's own files, the SDK log and the state file, opened without trusting what another
// user may have left at their paths. A symbolic link of another user's is followed only to a file
// of that same user, so that nobody can point this program's writes at someone else's file. A FIFO,
// a socket, a folder or a device is never opened: a FIFO holds whoever opens it until a reader
// comes, and opening a device can act on what it drives. The null device is the exception, named
// to drop what is written: it is recognised, and not opened either.
#pragma once

#include <QFile>
#include <QString>

namespace orvex_sim {

struct GuardedOpen {
    enum Outcome { Opened, Missing, NullDevice, Refused };
    Outcome outcome = Refused;
    // For Refused and NullDevice, the end of a sentence that starts with the path: "is a socket",
    // "cannot be opened (Permission denied)", "is the null device".
    QString why;
};

// What is at path now, without opening it: Missing, NullDevice or Refused, or Opened for a file
// that openGuarded would open.
GuardedOpen lookAt(const QString& path);

// Opens the file at path into file, for reading or for appending, unbuffered: each write is one of
// its own, whole. A file to append to is made when it is missing, with its missing folders, for
// this user only.
GuardedOpen openGuarded(QFile& file, const QString& path, QIODevice::OpenMode mode);

// Makes the folder and those above it that are missing, each for this user only.
bool makePrivateFolders(const QString& folder);

} // namespace orvex_sim
