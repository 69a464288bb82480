// A connection of the stand-in: opens simulated cameras by port name and nothing else.
#pragma once

#include "orvex_sdk.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvex_sim {

class CameraDevice;
class SimulatedCamera;

class SimConnection final : public orvex_sdk::Connection
{
public:
    // Finds the camera on a port, or null.
    using CameraFinder = std::function<SimulatedCamera*(const std::string& port)>;

    explicit SimConnection(CameraFinder findCamera);
    ~SimConnection();

    int openDeviceCount() const { return int(devices_.size()); }
    void closeAll();
    // A connection of a configuration that a reset replaced: it stays in memory for whoever
    // still holds its address, keeps its devices alive for the same reason, and opens and
    // closes nothing again.
    void retire();

    orvex_sdk::Device* openDevice(const char* portName) override;
    bool closeDevice(orvex_sdk::Device* device) override;

private:
    CameraFinder findCamera_;
    std::vector<std::unique_ptr<CameraDevice>> devices_;
    std::vector<std::unique_ptr<CameraDevice>> retiredDevices_;
};

} // namespace orvex_sim
