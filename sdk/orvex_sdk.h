// Declarations of the camera vendor's SDK, as far as this tool uses it.
//
// The SDK is a closed library; this header is the only one the application includes. Each
// interface lists its virtual operations in the order of the library's tables: a slot the tool
// does not call is kept as a plainly named reserved operation, so that every named operation sits
// at its position; reserved operations have empty bodies, so an implementation need not name them.
// A compatible library built with the same compiler can stand in for ours.
//
// The SDK owns every object it hands out. The interfaces therefore have protected, non-virtual
// destructors: a virtual destructor would add table slots, and callers never delete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvex_sdk {

// Records exchanged with the camera by address. Their layouts are fixed by the camera protocol.

struct FirmwareVersions {
    std::uint16_t riscvVersion; // four 4-bit fields, most significant first
    std::uint16_t fpgaVersion;
};
static_assert(sizeof(FirmwareVersions) == 4, "FirmwareVersions is two 16-bit fields");
static_assert(offsetof(FirmwareVersions, fpgaVersion) == 2, "fpgaVersion follows riscvVersion");

// Temperatures in thousandths of a kelvin; 273000 stands for 0 degrees Celsius.
struct Temperatures {
    float sensorTemperature;
    float fpgaTemperature;
};
static_assert(sizeof(Temperatures) == 8, "Temperatures is two floats");
static_assert(offsetof(Temperatures, fpgaTemperature) == 4, "fpgaTemperature follows sensor");

struct ZoomSettings {
    float factor;
    std::int32_t xCenter;
    std::int32_t yCenter;
    std::uint8_t method; // 0 nearest neighbour, 1 bilinear
};
static_assert(sizeof(float) == 4, "the camera exchanges IEEE single precision");
static_assert(sizeof(ZoomSettings) == 16, "ZoomSettings is 16 bytes with its padding");
static_assert(offsetof(ZoomSettings, factor) == 0, "factor at offset 0");
static_assert(offsetof(ZoomSettings, xCenter) == 4, "xCenter at offset 4");
static_assert(offsetof(ZoomSettings, yCenter) == 8, "yCenter at offset 8");
static_assert(offsetof(ZoomSettings, method) == 12, "method at offset 12");

struct IaConfiguration {
    std::uint8_t resizeMode;
    std::uint8_t maxBoxes;
    std::uint8_t sensitivity;
    std::uint8_t interOverUnion;
    std::uint8_t outputType;
};
static_assert(sizeof(IaConfiguration) == 5, "IaConfiguration is five bytes, no padding");
static_assert(offsetof(IaConfiguration, outputType) == 4, "outputType is the last byte");

enum severity_level : int { trace = 0, debug = 1, info = 2, warning = 3, error = 4, fatal = 5 };

class ILogger
{
public:
    virtual void reserved0() {}
    // By value, as the library declares it: the callee owns and destroys the argument, so a
    // reference here would make caller and library disagree on who frees the string.
    virtual ILogger& writeString(std::string text) = 0; // 1
    virtual ILogger& writeText(const char* text) = 0;   // 2

protected:
    ~ILogger() = default;
};

// One logger, one record: the record is complete when the SDKLogger is destroyed.
class SDKLogger
{
public:
    explicit SDKLogger(severity_level level);
    ~SDKLogger();
    SDKLogger(const SDKLogger&) = delete;
    SDKLogger& operator=(const SDKLogger&) = delete;

    ILogger& GetILogger();

private:
    // Callers construct the logger on their own stack, but only the library knows how large its
    // object is: this storage is deliberately ample, so that the library's constructor can never
    // write past the caller's object.
    alignas(std::max_align_t) unsigned char storage_[256];
};

class Device
{
public:
    virtual void reserved0() {}
    virtual void reserved1() {}
    virtual void reserved2() {}
    virtual bool getFirmwareVersions(FirmwareVersions* versions) = 0; // 3
    virtual bool prepareParameterRead() = 0;
    virtual std::uint32_t getRoiX1() = 0;
    virtual std::uint32_t getRoiX2() = 0;
    virtual std::uint32_t getRoiY1() = 0;
    virtual std::uint32_t getRoiY2() = 0;
    virtual std::uint32_t getSerialNumber() = 0;
    virtual bool getTemperatures(Temperatures* temperatures) = 0; // 10
    virtual void reserved11() {}
    virtual void reserved12() {}
    virtual std::uint32_t getGsk() = 0; // 13
    virtual bool setGsk(std::uint32_t value) = 0;
    virtual bool setGfid(std::uint32_t value) = 0;
    virtual bool setGms(std::uint32_t value) = 0;
    virtual std::uint32_t getGfid() = 0;
    virtual std::uint32_t getGms() = 0;
    virtual std::uint32_t getTint() = 0;
    virtual bool setTint(std::uint32_t value) = 0; // 20
    virtual bool getBprCorrection() = 0;           // 21
    virtual bool setBprCorrection(bool enabled) = 0;
    virtual bool getOffsetCorrection() = 0;
    virtual bool setOffsetCorrection(bool enabled) = 0;
    virtual bool getGainCorrection() = 0;
    virtual bool setGainCorrection(bool enabled) = 0;
    virtual bool getHorizontalFlip() = 0;
    virtual bool setHorizontalFlip(bool enabled) = 0;
    virtual bool getVerticalFlip() = 0;
    virtual bool setVerticalFlip(bool enabled) = 0;
    virtual bool getVignettingCorrection() = 0;
    virtual bool setVignettingCorrection(bool enabled) = 0;
    virtual bool getColumnCorrection() = 0;
    virtual bool setColumnCorrection(bool enabled) = 0;   // 34
    virtual bool setVideoOutput(std::uint8_t output) = 0; // 35
    virtual void reserved36() {}
    virtual void reserved37() {}
    virtual void reserved38() {}
    virtual bool setZoom(const ZoomSettings* zoom) = 0; // 39
    virtual bool getZoom(ZoomSettings* zoom) = 0;
    virtual std::uint8_t getContrastType() = 0;
    virtual bool setContrastType(std::uint8_t type) = 0;
    virtual bool setIaConfiguration(const IaConfiguration* configuration) = 0;
    // Status 1 means success.
    virtual std::uint8_t getIaConfiguration(IaConfiguration* configuration) = 0;
    virtual bool setShutterPosition(bool closed) = 0;
    // Sets the byte non-zero for a closed shutter.
    virtual bool getShutterPosition(std::uint8_t* closed) = 0;
    // Status 1 means the byte was written: non-zero when the camera has a shutter.
    virtual std::uint8_t getShutterPresence(std::uint8_t* present) = 0;
    // Status 1 means success; type 12 is a camera with the object detector.
    virtual std::uint8_t getCameraType(std::uint8_t* type) = 0; // 48
    virtual void reserved49() {}
    virtual bool setSerialNumber(std::uint32_t serialNumber) = 0; // 50
    virtual std::uint32_t getGamma() = 0;                         // 51, 16.16 fixed point
    virtual bool setGamma(std::uint32_t gamma) = 0;
    virtual std::uint32_t getClhe() = 0;
    virtual bool setClhe(std::uint32_t clhe) = 0;
    virtual std::uint32_t getSharpening() = 0; // 8.8 fixed point
    virtual bool setSharpening(std::uint32_t sharpening) = 0;
    virtual bool getPolarity() = 0;
    virtual bool setPolarity(bool inverted) = 0; // 58
    virtual bool setRoiX1(std::int32_t x1) = 0;  // 59
    virtual bool setRoiX2(std::int32_t x2) = 0;
    virtual bool setRoiY1(std::int32_t y1) = 0;
    virtual bool setRoiY2(std::int32_t y2) = 0;
    // Mode 0: NUC now; mode 1: the automatic NUC routine.
    virtual bool requestNuc(std::uint8_t mode) = 0;
    virtual bool setNucEnabled(std::uint8_t state) = 0;
    virtual bool getNucEnabled() = 0; // 65

protected:
    ~Device() = default;
};

class Connection
{
public:
    virtual void reserved0() {}
    virtual void reserved1() {}
    virtual void reserved2() {}
    virtual void reserved3() {}
    virtual void reserved4() {}
    virtual void reserved5() {}
    virtual void reserved6() {}
    virtual void reserved7() {}
    virtual void reserved8() {}
    virtual void reserved9() {}
    virtual void reserved10() {}
    virtual void reserved11() {}
    virtual void reserved12() {}
    virtual void reserved13() {}
    virtual void reserved14() {}
    // Null when nothing that answers is on that port.
    virtual Device* openDevice(const char* portName) = 0; // 15
    virtual bool closeDevice(Device* device) = 0;         // 16

protected:
    ~Connection() = default;
};

class Configuration
{
public:
    virtual void reserved0() {}
    virtual void reserved1() {}
    virtual void reserved2() {}
    virtual void reserved3() {}
    virtual void reserved4() {}
    virtual void reserved5() {}
    virtual void reserved6() {}
    virtual void reserved7() {}
    virtual void reserved8() {}
    virtual void reserved9() {}
    virtual void reserved10() {}
    virtual void reserved11() {}
    virtual void reserved12() {}
    virtual const char* getCommunicationType() = 0; // 13, "UART" for a serial link
    virtual void reserved14() {}
    virtual double getDefaultGamma() = 0; // 15
    virtual double getDefaultClhe() = 0;
    virtual double getDefaultSharpening() = 0;
    virtual std::int32_t getDefaultGsk() = 0;
    virtual std::int32_t getDefaultGfid() = 0;
    virtual std::int32_t getDefaultTint() = 0;
    virtual std::int32_t getDefaultGms() = 0;
    virtual double getDefaultRoiX1() = 0;
    virtual double getDefaultRoiY1() = 0;
    virtual double getDefaultRoiX2() = 0;
    virtual double getDefaultRoiY2() = 0;
    virtual std::uint8_t getDefaultContrastType() = 0;
    virtual bool getDefaultPolarity() = 0;
    virtual float getDefaultZoomFactor() = 0;
    virtual std::uint8_t getDefaultZoomMethod() = 0;
    virtual std::int32_t getDefaultZoomXCenter() = 0;
    virtual std::int32_t getDefaultZoomYCenter() = 0;
    virtual bool getDefaultHorizontalFlip() = 0;
    virtual bool getDefaultVerticalFlip() = 0;
    virtual bool getDefaultVignettingCorrection() = 0;
    virtual bool getDefaultColumnCorrection() = 0;
    virtual std::uint8_t getDefaultIaMaxBoxes() = 0;
    virtual std::uint8_t getDefaultIaSensitivity() = 0;
    virtual std::uint8_t getDefaultIaInterOverUnion() = 0;
    virtual std::uint8_t getDefaultIaResizeMode() = 0;
    virtual std::uint8_t getDefaultIaOutputType() = 0; // 40
    virtual bool isExpertModeEnabled() = 0;            // 41

    // The stored expert values and their limits. The library reads the first 16 bytes of the
    // object for itself (its table pointer among them); these fields follow at offset 16.
    std::uint8_t reservedHeader[16 - sizeof(void*)] = {};
    std::int32_t gskValue = 0;
    std::int32_t gmsValue = 0;
    std::int32_t gfidValue = 0;
    std::int32_t tintValue = 0;
    std::int32_t reservedValues[5] = {};
    std::int32_t gskMin = 0;
    std::int32_t gskMax = 0;
    std::int32_t gfidMin = 0;
    std::int32_t gfidMax = 0;
    std::int32_t tintMin = 0;
    std::int32_t tintMax = 0;
    std::int32_t gmsMin = 0;
    std::int32_t gmsMax = 0;

protected:
    Configuration() = default;
    ~Configuration() = default;
};

class IOrvexSdk
{
public:
    virtual void reserved0() {}
    virtual bool initialize() = 0; // 1
    virtual void reserved2() {}
    virtual void reserved3() {}
    virtual void reserved4() {}
    virtual Configuration* getConfiguration() = 0; // 5
    virtual bool notifyParametersApplied() = 0;    // 6
    virtual void reserved7() {}
    virtual void reserved8() {}
    virtual Connection* createConnection() = 0; // 9
    virtual void reserved10() {}
    // Closes what the connection holds and clears the caller's pointer.
    virtual void releaseConnection(Connection** connection) = 0; // 11

protected:
    ~IOrvexSdk() = default;
};

class OrvexSdk
{
public:
    static IOrvexSdk* get_instance();
};

} // namespace orvex_sdk
