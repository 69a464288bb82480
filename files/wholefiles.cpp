#include "wholefiles.h"

#include "platform.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace files {

// A write cut short gives no reason; the next one fails with it.
bool writeAll(QFileDevice& file, const QByteArray& bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 more = file.write(bytes.constData() + done, bytes.size() - done);
        if (more <= 0)
            return false;
        done += more;
    }
    return file.flush() && file.error() == QFile::NoError;
}

FileContents readWhole(const QString& path)
{
    FileContents contents;
    const QFileInfo info(path);
    if (!info.exists()) {
        contents.problem = FileContents::Missing;
        return contents;
    }
    contents.problem = FileContents::Unreadable;
    if (info.isDir()) {
        contents.reason = QStringLiteral("is a folder");
        return contents;
    }
    if (!info.isFile()) {
        contents.reason = QStringLiteral("is no regular file");
        return contents;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        contents.reason = file.errorString();
        return contents;
    }
    // Read to the end rather than to the size the file states, which is 0 for a file of /proc;
    // the size stated is room enough for any other.
    QByteArray bytes;
    bytes.reserve(int(std::min(file.size(), largestFile)));
    char buffer[65536];
    for (;;) {
        const qint64 count = file.read(buffer, sizeof buffer);
        if (count < 0) {
            contents.reason = file.errorString();
            return contents;
        }
        if (count == 0)
            break;
        if (bytes.size() + count > largestFile) {
            contents.reason = QStringLiteral("is larger than %1 MiB").arg(largestFile >> 20);
            return contents;
        }
        bytes.append(buffer, int(count));
    }
    contents.problem = FileContents::None;
    contents.bytes = bytes;
    return contents;
}

bool isWrittenInPlace(const QString& path)
{
    const QFileInfo target(path);
    return target.exists() && !target.isFile() && !target.isDir();
}

namespace {

bool writeInto(const QString& path, const QByteArray& bytes, QString& error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(file, bytes))
        return true;
    error = file.errorString();
    return false;
}

} // namespace

QString othersLinkProblem(const QString& path)
{
    return platform::isOthersLinkToOthersFile(path)
               ? QStringLiteral("it is another user's symbolic link, to a file that is not "
                                "theirs or to none")
               : QString();
}

bool writeWhole(const QString& path, const QByteArray& bytes, QString& error)
{
    if (QFileInfo(path).isDir()) {
        error = QStringLiteral("it is a folder");
        return false;
    }
    error = othersLinkProblem(path);
    if (!error.isEmpty())
        return false;
    if (isWrittenInPlace(path))
        return writeInto(path, bytes, error);
    QSaveFile file(path);
    // A file that may be written in a folder that may not: written where it stands, as the
    // writer's own file would be by anything else.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // A file the new one could not be given to stays its owner's, written where it stands.
    if (!platform::keepOwnerOf(path, int(file.handle()))) {
        file.cancelWriting();
        return writeInto(path, bytes, error);
    }
    if (writeAll(file, bytes) && file.commit())
        return true;
    error = file.errorString();
    return false;
}

} // namespace files
