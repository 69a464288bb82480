// One simulated camera on one port: the Device the stand-in's connections hand out.
#pragma once

#include "camerasetup.h"
#include "camerastate.h"
#include "orvex_sdk.h"
#include "simcontrol.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orvex_sim {

// The names of every Device operation, as the journal and the refused faults spell them: each is
// the name of the operation's function, which the simulated camera journals it under.
const std::vector<std::string>& deviceOperationNames();
bool isDeviceOperation(const std::string& name);

// One simulated camera on one port: what it holds survives disconnects and reconnects, and the
// Device objects handed out for it.
class SimulatedCamera
{
public:
    using Clock = std::chrono::steady_clock;

    // limits: the configuration whose expert limits the camera enforces. pluggedIn: the moment
    // from which unplugAfterMs and the temperature drift count.
    SimulatedCamera(CameraSetup setup, std::vector<JournalEntry>& journal,
                    const orvex_sdk::Configuration& limits, Clock::time_point pluggedIn);

    const std::string& port() const { return port_; }
    CameraSettings& settings() { return settings_; }
    const CameraSettings& configuredSettings() const { return configured_; }
    Faults& faults() { return faults_; }

    bool isPlugged() const;
    void unplug() { pulled_ = true; }
    // A camera of a configuration that a reset replaced: it stays in memory for whoever still
    // holds a device of it, and never answers again, nor keeps anything.
    void retire()
    {
        retired_ = true;
        state_ = nullptr;
    }

    // Takes the settings the state file keeps, and keeps every later change there (null: none).
    void keepStateIn(StateFile* state);

    // A port is opened by one connection at a time, as a serial port is.
    bool isOpen() const { return open_; }

    void takeKeptSettings();

private:
    friend class CameraDevice;

    // Runs an operation on the camera as it is now: with a state file, as the file holds it, where
    // whatever a change alters is kept.
    void operate(bool changes, const std::function<void()>& operation);

    std::string port_;
    CameraSettings configured_;
    CameraSettings settings_;
    Faults faults_;
    std::vector<JournalEntry>& journal_;
    const orvex_sdk::Configuration& limits_;
    Clock::time_point pluggedIn_;
    StateFile* state_ = nullptr;
    bool pulled_ = false;
    bool retired_ = false;
    bool open_ = false;
};

// The Device that one openDevice hands out for a camera; closing the device destroys it. A fresh
// object per open means that a caller still using a device after closing it uses freed memory,
// which AddressSanitizer reports, rather than quietly reaching the camera through a later open.
class CameraDevice final : public orvex_sdk::Device
{
public:
    using Clock = SimulatedCamera::Clock;

    // The camera counts as open for as long as this device lives.
    explicit CameraDevice(SimulatedCamera& camera);
    ~CameraDevice();
    CameraDevice(const CameraDevice&) = delete;
    CameraDevice& operator=(const CameraDevice&) = delete;

    SimulatedCamera& camera() { return camera_; }

    bool getFirmwareVersions(orvex_sdk::FirmwareVersions* versions) override;
    bool prepareParameterRead() override;
    std::uint32_t getRoiX1() override;
    std::uint32_t getRoiX2() override;
    std::uint32_t getRoiY1() override;
    std::uint32_t getRoiY2() override;
    std::uint32_t getSerialNumber() override;
    bool getTemperatures(orvex_sdk::Temperatures* temperatures) override;
    std::uint32_t getGsk() override;
    bool setGsk(std::uint32_t value) override;
    bool setGfid(std::uint32_t value) override;
    bool setGms(std::uint32_t value) override;
    std::uint32_t getGfid() override;
    std::uint32_t getGms() override;
    std::uint32_t getTint() override;
    bool setTint(std::uint32_t value) override;
    bool getBprCorrection() override;
    bool setBprCorrection(bool enabled) override;
    bool getOffsetCorrection() override;
    bool setOffsetCorrection(bool enabled) override;
    bool getGainCorrection() override;
    bool setGainCorrection(bool enabled) override;
    bool getHorizontalFlip() override;
    bool setHorizontalFlip(bool enabled) override;
    bool getVerticalFlip() override;
    bool setVerticalFlip(bool enabled) override;
    bool getVignettingCorrection() override;
    bool setVignettingCorrection(bool enabled) override;
    bool getColumnCorrection() override;
    bool setColumnCorrection(bool enabled) override;
    bool setVideoOutput(std::uint8_t output) override;
    bool setZoom(const orvex_sdk::ZoomSettings* zoom) override;
    bool getZoom(orvex_sdk::ZoomSettings* zoom) override;
    std::uint8_t getContrastType() override;
    bool setContrastType(std::uint8_t type) override;
    bool setIaConfiguration(const orvex_sdk::IaConfiguration* configuration) override;
    std::uint8_t getIaConfiguration(orvex_sdk::IaConfiguration* configuration) override;
    bool setShutterPosition(bool closed) override;
    bool getShutterPosition(std::uint8_t* closed) override;
    std::uint8_t getShutterPresence(std::uint8_t* present) override;
    std::uint8_t getCameraType(std::uint8_t* type) override;
    bool setSerialNumber(std::uint32_t serialNumber) override;
    std::uint32_t getGamma() override;
    bool setGamma(std::uint32_t gamma) override;
    std::uint32_t getClhe() override;
    bool setClhe(std::uint32_t clhe) override;
    std::uint32_t getSharpening() override;
    bool setSharpening(std::uint32_t sharpening) override;
    bool getPolarity() override;
    bool setPolarity(bool inverted) override;
    bool setRoiX1(std::int32_t x1) override;
    bool setRoiX2(std::int32_t x2) override;
    bool setRoiY1(std::int32_t y1) override;
    bool setRoiY2(std::int32_t y2) override;
    bool requestNuc(std::uint8_t mode) override;
    bool setNucEnabled(std::uint8_t state) override;
    bool getNucEnabled() override;

private:
    // Waits the link's latency, runs action when the camera answers this operation, records the
    // call in the journal and returns the action's result, or failure when it did not answer.
    // operation: the calling operation's own name, __func__.
    template <typename Result, typename Action>
    Result operate(const char* operation, std::string arguments, Result failure, Action action);
    bool answers(const char* operation);

    SimulatedCamera& camera_;
    // The camera's own, under the names the operations use.
    CameraSettings& settings_;
    Faults& faults_;
};

} // namespace orvex_sim
