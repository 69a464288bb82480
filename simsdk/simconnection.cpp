#include "simconnection.h"

#include "simulatedcamera.h"

#include <algorithm>

namespace orvex_sim {

orvex_sdk::Device* SimConnection::openDevice(const char* portName)
{
    // No operating-system port is ever opened: without the vendor's protocol there is nothing
    // to say to a real device.
    if (!portName || !findCamera_)
        return nullptr;
    SimulatedCamera* camera = findCamera_(portName);
    if (!camera || !camera->isPlugged() || camera->isOpen())
        return nullptr;
    camera->open();
    devices_.push_back(camera);
    return camera;
}

bool SimConnection::closeDevice(orvex_sdk::Device* device)
{
    const auto held = std::find_if(devices_.begin(), devices_.end(), [device](SimulatedCamera* c) {
        return static_cast<orvex_sdk::Device*>(c) == device;
    });
    if (!device || held == devices_.end())
        return false;
    (*held)->close();
    devices_.erase(held);
    return true;
}

void SimConnection::closeAll()
{
    for (SimulatedCamera* camera : devices_)
        camera->close();
    devices_.clear();
}

void SimConnection::retire()
{
    devices_.clear();
    findCamera_ = nullptr;
}

} // namespace orvex_sim
