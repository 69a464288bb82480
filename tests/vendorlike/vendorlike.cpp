// A camera SDK library as a vendor ships one, written from sdk/orvex_sdk.h and the standard library
// alone. One camera answers on one port name (ORVEX_VENDOR_LIKE_PORT, or ttyUSB0), a system port
// that the library never opens: the camera is its settings, held in memory. Its log records, and
// a record of its own for each open, close and change, go as "LEVEL TEXT" lines to the file that
// ORVEX_VENDOR_LIKE_LOG names. It makes its own records through its own SDKLogger, as a vendor's
// library does, so a program that exported the stand-in's SDKLogger would take them away from it.
//
// Built broken on purpose: VENDOR_LIKE_WITHOUT_LOGGER leaves SDKLogger out, VENDOR_LIKE_WITHOUT_
// INSTANCE makes get_instance() give null, VENDOR_LIKE_INITIALIZE_FAILS makes initialize() fail,
// VENDOR_LIKE_INITIALIZE_THROWS makes it throw.
#include "orvex_sdk.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* portName()
{
    const char* port = std::getenv("ORVEX_VENDOR_LIKE_PORT");
    return port && *port ? port : "ttyUSB0";
}

void appendRecord(int level, const std::string& text)
{
    static std::mutex mutex;
    const char* path = std::getenv("ORVEX_VENDOR_LIKE_LOG");
    if (!path || !*path)
        return;
    const std::lock_guard<std::mutex> lock(mutex);
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%d %s\n", level, text.c_str());
        std::fclose(file);
    }
}

void note(const std::string& text)
{
#ifdef VENDOR_LIKE_WITHOUT_LOGGER
    appendRecord(orvex_sdk::debug, text);
#else
    orvex_sdk::SDKLogger logger(orvex_sdk::debug);
    logger.GetILogger().writeString(text);
#endif
}

template <class T> bool changed(const char* operation, T& held, T value)
{
    held = value;
    note(std::string(operation) + ' ' + std::to_string(value));
    return true;
}

class Camera final : public orvex_sdk::Device
{
public:
    bool getFirmwareVersions(orvex_sdk::FirmwareVersions* versions) override
    {
        *versions = {0x2104, 0x0310};
        return true;
    }
    bool prepareParameterRead() override { return true; }
    std::uint32_t getRoiX1() override { return std::uint32_t(roi_[0]); }
    std::uint32_t getRoiX2() override { return std::uint32_t(roi_[1]); }
    std::uint32_t getRoiY1() override { return std::uint32_t(roi_[2]); }
    std::uint32_t getRoiY2() override { return std::uint32_t(roi_[3]); }
    std::uint32_t getSerialNumber() override { return serialNumber_; }
    bool getTemperatures(orvex_sdk::Temperatures* temperatures) override
    {
        *temperatures = {305000.0f, 318000.0f}; // 32 C and 45 C
        return true;
    }
    std::uint32_t getGsk() override { return gsk_; }
    bool setGsk(std::uint32_t value) override { return changed("setGsk", gsk_, value); }
    bool setGfid(std::uint32_t value) override { return changed("setGfid", gfid_, value); }
    bool setGms(std::uint32_t value) override { return changed("setGms", gms_, value); }
    std::uint32_t getGfid() override { return gfid_; }
    std::uint32_t getGms() override { return gms_; }
    std::uint32_t getTint() override { return tint_; }
    bool setTint(std::uint32_t value) override { return changed("setTint", tint_, value); }
    bool getBprCorrection() override { return switches_[0]; }
    bool setBprCorrection(bool on) override
    {
        return changed("setBprCorrection", switches_[0], on);
    }
    bool getOffsetCorrection() override { return switches_[1]; }
    bool setOffsetCorrection(bool on) override
    {
        return changed("setOffsetCorrection", switches_[1], on);
    }
    bool getGainCorrection() override { return switches_[2]; }
    bool setGainCorrection(bool on) override
    {
        return changed("setGainCorrection", switches_[2], on);
    }
    bool getHorizontalFlip() override { return switches_[3]; }
    bool setHorizontalFlip(bool on) override
    {
        return changed("setHorizontalFlip", switches_[3], on);
    }
    bool getVerticalFlip() override { return switches_[4]; }
    bool setVerticalFlip(bool on) override { return changed("setVerticalFlip", switches_[4], on); }
    bool getVignettingCorrection() override { return switches_[5]; }
    bool setVignettingCorrection(bool on) override
    {
        return changed("setVignettingCorrection", switches_[5], on);
    }
    bool getColumnCorrection() override { return switches_[6]; }
    bool setColumnCorrection(bool on) override
    {
        return changed("setColumnCorrection", switches_[6], on);
    }
    bool setVideoOutput(std::uint8_t output) override
    {
        return changed("setVideoOutput", videoOutput_, output);
    }
    bool setZoom(const orvex_sdk::ZoomSettings* zoom) override
    {
        zoom_ = *zoom;
        note("setZoom " + std::to_string(zoom->factor));
        return true;
    }
    bool getZoom(orvex_sdk::ZoomSettings* zoom) override
    {
        *zoom = zoom_;
        return true;
    }
    std::uint8_t getContrastType() override { return contrastType_; }
    bool setContrastType(std::uint8_t type) override
    {
        return changed("setContrastType", contrastType_, type);
    }
    bool setIaConfiguration(const orvex_sdk::IaConfiguration* configuration) override
    {
        ia_ = *configuration;
        note("setIaConfiguration " + std::to_string(configuration->maxBoxes));
        return true;
    }
    std::uint8_t getIaConfiguration(orvex_sdk::IaConfiguration* configuration) override
    {
        *configuration = ia_;
        return 1;
    }
    bool setShutterPosition(bool closed) override
    {
        return changed("setShutterPosition", shutterClosed_, closed);
    }
    bool getShutterPosition(std::uint8_t* closed) override
    {
        *closed = shutterClosed_ ? 1 : 0;
        return true;
    }
    std::uint8_t getShutterPresence(std::uint8_t* present) override
    {
        *present = 1;
        return 1;
    }
    std::uint8_t getCameraType(std::uint8_t* type) override
    {
        *type = 12;
        return 1;
    }
    bool setSerialNumber(std::uint32_t serialNumber) override
    {
        return changed("setSerialNumber", serialNumber_, serialNumber);
    }
    std::uint32_t getGamma() override { return gamma_; }
    bool setGamma(std::uint32_t gamma) override { return changed("setGamma", gamma_, gamma); }
    std::uint32_t getClhe() override { return clhe_; }
    bool setClhe(std::uint32_t clhe) override { return changed("setClhe", clhe_, clhe); }
    std::uint32_t getSharpening() override { return sharpening_; }
    bool setSharpening(std::uint32_t sharpening) override
    {
        return changed("setSharpening", sharpening_, sharpening);
    }
    bool getPolarity() override { return polarity_; }
    bool setPolarity(bool inverted) override { return changed("setPolarity", polarity_, inverted); }
    bool setRoiX1(std::int32_t x1) override { return changed("setRoiX1", roi_[0], x1); }
    bool setRoiX2(std::int32_t x2) override { return changed("setRoiX2", roi_[1], x2); }
    bool setRoiY1(std::int32_t y1) override { return changed("setRoiY1", roi_[2], y1); }
    bool setRoiY2(std::int32_t y2) override { return changed("setRoiY2", roi_[3], y2); }
    bool requestNuc(std::uint8_t mode) override
    {
        note("requestNuc " + std::to_string(mode));
        nucEnabled_ = 1;
        return true;
    }
    bool setNucEnabled(std::uint8_t state) override
    {
        return changed("setNucEnabled", nucEnabled_, state);
    }
    bool getNucEnabled() override { return nucEnabled_ != 0; }

private:
    std::int32_t roi_[4] = {5, 1275, 5, 1019};
    std::uint32_t serialNumber_ = 4242;
    std::uint32_t gsk_ = 2, gfid_ = 500, gms_ = 100, tint_ = 1;
    bool switches_[7] = {true, true, true, false, false, true, true};
    std::uint8_t videoOutput_ = 8;
    orvex_sdk::ZoomSettings zoom_{1.0f, 640, 512, 0};
    std::uint8_t contrastType_ = 0;
    orvex_sdk::IaConfiguration ia_{1, 10, 50, 45, 0};
    bool shutterClosed_ = false;
    std::uint32_t gamma_ = 65536, clhe_ = 40, sharpening_ = 128;
    bool polarity_ = false;
    std::uint8_t nucEnabled_ = 2;
};

class Link final : public orvex_sdk::Connection
{
public:
    explicit Link(Camera& camera) : camera_(camera) {}

    orvex_sdk::Device* openDevice(const char* port) override
    {
        if (!port || std::strcmp(port, portName()) != 0)
            return nullptr;
        note(std::string("openDevice ") + port);
        return &camera_;
    }
    bool closeDevice(orvex_sdk::Device* device) override
    {
        note("closeDevice");
        return device == &camera_;
    }

private:
    Camera& camera_;
};

class Settings final : public orvex_sdk::Configuration
{
public:
    Settings()
    {
        gskValue = 2;
        gmsValue = 100;
        gfidValue = 500;
        tintValue = 1;
        gskMax = 10;
        gfidMax = 1000;
        tintMax = 10;
        gmsMax = 1000;
    }

    const char* getCommunicationType() override { return "UART"; }
    double getDefaultGamma() override { return 1.0; }
    double getDefaultClhe() override { return 40.0; }
    double getDefaultSharpening() override { return 0.5; }
    std::int32_t getDefaultGsk() override { return 2; }
    std::int32_t getDefaultGfid() override { return 500; }
    std::int32_t getDefaultTint() override { return 1; }
    std::int32_t getDefaultGms() override { return 100; }
    double getDefaultRoiX1() override { return 5.0; }
    double getDefaultRoiY1() override { return 5.0; }
    double getDefaultRoiX2() override { return 1275.0; }
    double getDefaultRoiY2() override { return 1019.0; }
    std::uint8_t getDefaultContrastType() override { return 0; }
    bool getDefaultPolarity() override { return false; }
    float getDefaultZoomFactor() override { return 1.0f; }
    std::uint8_t getDefaultZoomMethod() override { return 0; }
    std::int32_t getDefaultZoomXCenter() override { return 640; }
    std::int32_t getDefaultZoomYCenter() override { return 512; }
    bool getDefaultHorizontalFlip() override { return false; }
    bool getDefaultVerticalFlip() override { return false; }
    bool getDefaultVignettingCorrection() override { return true; }
    bool getDefaultColumnCorrection() override { return true; }
    std::uint8_t getDefaultIaMaxBoxes() override { return 10; }
    std::uint8_t getDefaultIaSensitivity() override { return 50; }
    std::uint8_t getDefaultIaInterOverUnion() override { return 45; }
    std::uint8_t getDefaultIaResizeMode() override { return 1; }
    std::uint8_t getDefaultIaOutputType() override { return 0; }
    bool isExpertModeEnabled() override { return true; }
};

class Root final : public orvex_sdk::IOrvexSdk
{
public:
    bool initialize() override
    {
#if defined(VENDOR_LIKE_INITIALIZE_FAILS)
        return false;
#elif defined(VENDOR_LIKE_INITIALIZE_THROWS)
        throw std::runtime_error("no licence for this machine");
#else
        return true;
#endif
    }
    orvex_sdk::Configuration* getConfiguration() override
    {
        return &settings_;
    }
    bool notifyParametersApplied() override
    {
        note("notifyParametersApplied");
        return true;
    }
    orvex_sdk::Connection* createConnection() override
    {
        links_.push_back(std::make_unique<Link>(camera_));
        return links_.back().get();
    }
    void releaseConnection(orvex_sdk::Connection** connection) override
    {
        if (!connection)
            return;
        for (auto link = links_.begin(); link != links_.end(); ++link) {
            if (link->get() == *connection) {
                links_.erase(link);
                break;
            }
        }
        *connection = nullptr;
    }

private:
    Settings settings_;
    Camera camera_;
    std::vector<std::unique_ptr<Link>> links_;
};

#ifndef VENDOR_LIKE_WITHOUT_LOGGER
class Record final : public orvex_sdk::ILogger
{
public:
    explicit Record(orvex_sdk::severity_level level) : level_(level) {}

    ILogger& writeString(std::string text) override
    {
        text_ += text;
        return *this;
    }
    ILogger& writeText(const char* text) override
    {
        text_ += text ? text : "";
        return *this;
    }
    void complete() const { appendRecord(level_, text_); }

private:
    orvex_sdk::severity_level level_;
    std::string text_;
};
#endif

} // namespace

namespace orvex_sdk {

IOrvexSdk* OrvexSdk::get_instance()
{
#ifdef VENDOR_LIKE_WITHOUT_INSTANCE
    return nullptr;
#else
    static Root root;
    return &root;
#endif
}

#ifndef VENDOR_LIKE_WITHOUT_LOGGER
static_assert(sizeof(Record) <= sizeof(SDKLogger) && alignof(Record) <= alignof(SDKLogger),
              "the record fits the caller's storage");

SDKLogger::SDKLogger(severity_level level)
{
    new (storage_) Record(level);
}

SDKLogger::~SDKLogger()
{
    Record* record = std::launder(reinterpret_cast<Record*>(storage_));
    record->complete();
    record->~Record();
}

ILogger& SDKLogger::GetILogger()
{
    return *std::launder(reinterpret_cast<Record*>(storage_));
}
#endif

} // namespace orvex_sdk
