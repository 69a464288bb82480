#include "logsink.h"

#include "guardedfile.h"
#include "inifile.h"
#include "sdkconfiguration.h"

#include <QDateTime>

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
    dropping_ = false;
}

QString LogSink::path() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

void LogSink::dropRecords(const QString& why)
{
    file_.close();
    dropping_ = true;
    if (!why.isEmpty())
        reportConfigurationProblem(
            QStringLiteral("SDK log file %1 %2; its records are dropped").arg(path_, why));
}

bool LogSink::ready()
{
    if (dropping_ || file_.isOpen())
        return !dropping_;
    const GuardedOpen opened = openGuarded(file_, path_, QIODevice::WriteOnly | QIODevice::Append);
    // The null device drops them silently, as it was named to.
    if (opened.outcome != GuardedOpen::Opened)
        dropRecords(opened.outcome == GuardedOpen::NullDevice ? QString() : opened.why);
    return !dropping_;
}

void LogSink::append(const std::string& line)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!ready())
        return;
    std::string whole = line;
    whole += '\n';
    if (file_.write(whole.data(), qint64(whole.size())) != qint64(whole.size()))
        dropRecords(QStringLiteral("cannot be written (%1)").arg(file_.errorString()));
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
