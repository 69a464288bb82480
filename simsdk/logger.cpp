#include "logsink.h"
#include "orvex_sdk.h"

#include <string>

namespace orvex_sim {
namespace {

class LogRecord final : public orvex_sdk::ILogger
{
public:
    explicit LogRecord(orvex_sdk::severity_level level) : level_(level) {}

    ILogger& writeString(const std::string& text) override
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

SDKLogger::SDKLogger(severity_level level) : record_(new orvex_sim::LogRecord(level)) {}

SDKLogger::~SDKLogger()
{
    auto* record = static_cast<orvex_sim::LogRecord*>(record_);
    record->complete();
    delete record;
}

ILogger& SDKLogger::GetILogger()
{
    return *record_;
}

} // namespace orvex_sdk
