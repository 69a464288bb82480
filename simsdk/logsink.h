// The SDK log file: every SDKLogger record ends here as one line.
#pragma once

#include <QFile>
#include <QString>

#include <mutex>
#include <string>

namespace orvex_sim {

class LogSink
{
public:
    static LogSink& instance();

    // Every configuration load sets the path, which closes the file; the next record opens it.
    void setPath(const QString& path);
    QString path() const;

    // Appends one line (a line feed is added) in one write, under a lock, so that records of
    // separate loggers never interleave. A file that cannot be opened or written is said once, and
    // its records are dropped from then on.
    void append(const std::string& line);

private:
    LogSink();

    // Opens the file at the first record; false when the records are dropped.
    bool ready();
    void dropRecords(const QString& why);

    mutable std::mutex mutex_;
    QString path_;
    QFile file_;
    bool dropping_ = false;
};

// The record line without its line feed: ISO 8601 UTC time stamp with milliseconds, the
// severity level's number and name, then the text with backslashes, line feeds and carriage
// returns escaped.
std::string formatLogRecord(int level, const std::string& text);

} // namespace orvex_sim
