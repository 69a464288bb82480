#include "nosdk.h"

namespace sdkaccess {
namespace {

// No link type (so no connect), expert mode off, and zero for every default and limit.
class NoConfiguration final : public orvex_sdk::Configuration
{
public:
    const char* getCommunicationType() override { return ""; }
    double getDefaultGamma() override { return 0.0; }
    double getDefaultClhe() override { return 0.0; }
    double getDefaultSharpening() override { return 0.0; }
    std::int32_t getDefaultGsk() override { return 0; }
    std::int32_t getDefaultGfid() override { return 0; }
    std::int32_t getDefaultTint() override { return 0; }
    std::int32_t getDefaultGms() override { return 0; }
    double getDefaultRoiX1() override { return 0.0; }
    double getDefaultRoiY1() override { return 0.0; }
    double getDefaultRoiX2() override { return 0.0; }
    double getDefaultRoiY2() override { return 0.0; }
    std::uint8_t getDefaultContrastType() override { return 0; }
    bool getDefaultPolarity() override { return false; }
    float getDefaultZoomFactor() override { return 0.0f; }
    std::uint8_t getDefaultZoomMethod() override { return 0; }
    std::int32_t getDefaultZoomXCenter() override { return 0; }
    std::int32_t getDefaultZoomYCenter() override { return 0; }
    bool getDefaultHorizontalFlip() override { return false; }
    bool getDefaultVerticalFlip() override { return false; }
    bool getDefaultVignettingCorrection() override { return false; }
    bool getDefaultColumnCorrection() override { return false; }
    std::uint8_t getDefaultIaMaxBoxes() override { return 0; }
    std::uint8_t getDefaultIaSensitivity() override { return 0; }
    std::uint8_t getDefaultIaInterOverUnion() override { return 0; }
    std::uint8_t getDefaultIaResizeMode() override { return 0; }
    std::uint8_t getDefaultIaOutputType() override { return 0; }
    bool isExpertModeEnabled() override { return false; }
};

class NoSdk final : public orvex_sdk::IOrvexSdk
{
public:
    bool initialize() override { return false; }
    orvex_sdk::Configuration* getConfiguration() override { return &configuration_; }
    bool notifyParametersApplied() override { return false; }
    orvex_sdk::Connection* createConnection() override { return nullptr; }
    void releaseConnection(orvex_sdk::Connection** connection) override
    {
        if (connection)
            *connection = nullptr;
    }

private:
    NoConfiguration configuration_;
};

class NoLogger final : public orvex_sdk::ILogger
{
public:
    ILogger& writeString(std::string) override { return *this; }
    ILogger& writeText(const char*) override { return *this; }
};

} // namespace

orvex_sdk::IOrvexSdk& noSdk()
{
    static NoSdk sdk;
    return sdk;
}

orvex_sdk::ILogger& noLogger()
{
    static NoLogger logger;
    return logger;
}

} // namespace sdkaccess
