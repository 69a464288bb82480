// Files read and written whole, the one way all the programs do it. Only a regular file is read
// (a folder, a FIFO or a device could block or never end); a regular file is replaced atomically,
// keeping its owner, group and mode, while a FIFO or a device that is named is written into, since
// a file put in its place would take its name and its reader would get nothing. So is another
// user's file that this process may not give back to its owner: replaced, it would become the
// writer's; and so is a file that may be written in a folder that may not. Another user's symbolic
// link is followed only to a file of theirs.
#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;

namespace files {

// A file as read whole, or why it could not be.
struct FileContents {
    enum Problem { None, Missing, Unreadable };
    Problem problem = None;
    QString reason; // for Unreadable: "is a folder", the system's error, ...
    QByteArray bytes;
};

// Larger than any file of settings or rows: a device or a wrong file, not something to hold.
constexpr qint64 largestFile = 16 * 1024 * 1024;

// A file that cannot be read to its end is Unreadable; a file of /proc that says it is empty is
// read to its end, too.
FileContents readWhole(const QString& path);

// A FIFO or a device, which writeWhole writes into rather than replaces: what is written there
// may reach a reader of standard output too (/dev/stdout, a shared pipe).
bool isWrittenInPlace(const QString& path);

// "it is another user's symbolic link, ..." where path is one that no write may follow (see
// platform::isOthersLinkToOthersFile); empty otherwise.
QString othersLinkProblem(const QString& path);

// Written whole or not at all (where written into, a failure part way leaves it part written);
// false with the reason otherwise ("is a folder", the system's error).
bool writeWhole(const QString& path, const QByteArray& bytes, QString& error);

// Every byte into a file already open, flushed; false when a write fails or is cut short (a pipe
// whose reader left), with the reason in the file's errorString().
bool writeAll(QFileDevice& file, const QByteArray& bytes);

} // namespace files
