#include "logsink.h"
#include "orvex_sdk.h"

#include <new>
#include <string>

namespace orvex_sim {
namespace {

class LogRecord final : public orvex_sdk::ILogger
{
public:
    explicit LogRecord(orvex_sdk::severity_level level) : level_(level) {}

    ILogger& writeString(std::string text) override
    {
        text_ += text;
        return *this;
    }
    ILogger& writeText(const char* text) override
    {
        if (text)
            text_ += text;
        return *this;
    }

    void complete() const { LogSink::instance().append(formatLogRecord(level_, text_)); }

private:
    orvex_sdk::severity_level level_;
    std::string text_;
};

} // namespace
} // namespace orvex_sim

namespace orvex_sdk {

namespace {

using orvex_sim::LogRecord;
static_assert(sizeof(LogRecord) <= sizeof(SDKLogger), "the record fits the caller's storage");
static_assert(alignof(LogRecord) <= alignof(SDKLogger), "the storage is aligned for the record");

LogRecord* recordIn(unsigned char* storage)
{
    return std::launder(reinterpret_cast<LogRecord*>(storage));
}

} // namespace

SDKLogger::SDKLogger(severity_level level)
{
    new (storage_) LogRecord(level);
}

SDKLogger::~SDKLogger()
{
    LogRecord* record = recordIn(storage_);
    record->complete();
    record->~LogRecord();
}

ILogger& SDKLogger::GetILogger()
{
    return *recordIn(storage_);
}

} // namespace orvex_sdk
