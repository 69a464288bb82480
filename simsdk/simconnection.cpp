#include "simconnection.h"

#include "simulatedcamera.h"

#include <algorithm>
#include <iterator>

namespace orvex_sim {

SimConnection::SimConnection(CameraFinder findCamera) : findCamera_(std::move(findCamera)) {}

SimConnection::~SimConnection() = default;

orvex_sdk::Device* SimConnection::openDevice(const char* portName)
{
    // No operating-system port is ever opened: without the vendor's protocol there is nothing
    // to say to a real device.
    if (!portName || !findCamera_)
        return nullptr;
    SimulatedCamera* camera = findCamera_(portName);
    if (!camera || !camera->isPlugged() || camera->isOpen())
        return nullptr;
    devices_.push_back(std::make_unique<CameraDevice>(*camera));
    return devices_.back().get();
}

bool SimConnection::closeDevice(orvex_sdk::Device* device)
{
    const auto held = std::find_if(
        devices_.begin(), devices_.end(),
        [device](const std::unique_ptr<CameraDevice>& d) { return d.get() == device; });
    if (!device || held == devices_.end())
        return false;
    devices_.erase(held);
    return true;
}

void SimConnection::closeAll()
{
    devices_.clear();
}

void SimConnection::retire()
{
    std::move(devices_.begin(), devices_.end(), std::back_inserter(retiredDevices_));
    devices_.clear();
    findCamera_ = nullptr;
}

} // namespace orvex_sim
