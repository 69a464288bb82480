// A connection of the stand-in: opens simulated cameras by port name and nothing else.
#pragma once

#include "orvex_sdk.h"

#include <functional>
#include <string>
#include <vector>

namespace orvex_sim {

class SimulatedCamera;

class SimConnection final : public orvex_sdk::Connection
{
public:
    // Finds the camera on a port, or null.
    using CameraFinder = std::function<SimulatedCamera*(const std::string& port)>;

    explicit SimConnection(CameraFinder findCamera) : findCamera_(std::move(findCamera)) {}

    int openDeviceCount() const { return int(devices_.size()); }
    void closeAll();
    // A connection of a configuration that a reset replaced: it stays in memory for whoever
    // still holds its address, and opens nothing again.
    void retire();

    orvex_sdk::Device* openDevice(const char* portName) override;
    bool closeDevice(orvex_sdk::Device* device) override;

private:
    CameraFinder findCamera_;
    std::vector<SimulatedCamera*> devices_;
};

} // namespace orvex_sim
