#include "logsink.h"

#include "inifile.h"
#include "sdkconfiguration.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace orvex_sim {

LogSink& LogSink::instance()
{
    static LogSink sink;
    return sink;
}

// Records written before the configuration is read go where the built-in configuration sends them.
LogSink::LogSink() : path_(builtInLogFile()) {}

void LogSink::setPath(const QString& path)
{
    // Reopened even for the same path: a file removed since is made anew.
    const std::lock_guard<std::mutex> lock(mutex_);
    file_.close();
    path_ = path;
    failureReported_ = false;
}

QString LogSink::path() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

void LogSink::append(const std::string& line)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!file_.isOpen()) {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        file_.setFileName(path_);
        // Unbuffered: each record is one write of its own, whole, and on disk at once.
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            if (!failureReported_)
                reportConfigurationProblem(QStringLiteral("SDK log file %1 cannot be opened "
                                                          "(%2); its records are dropped")
                                               .arg(path_, file_.errorString()));
            failureReported_ = true;
            return;
        }
    }
    std::string whole = line;
    whole += '\n';
    file_.write(whole.data(), qint64(whole.size()));
}

std::string formatLogRecord(int level, const std::string& text)
{
    static const char* const names[] = {"trace", "debug", "info", "warning", "error", "fatal"};
    const char* name = level >= 0 && level < 6 ? names[level] : "unknown";

    std::string line = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
    line += ' ';
    line += std::to_string(level);
    line += ' ';
    line += name;
    line += ' ';
    for (const char c : text) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
    return line;
}

} // namespace orvex_sim
