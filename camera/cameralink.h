// Opening a camera and letting it go, as every program does it: a connection of its own from the
// SDK's root, the device opened on the port's name, and on closing the device closed before its
// connection is released.
#pragma once

#include "orvex_sdk.h"

namespace camera {

// Whether the SDK's configuration offers the serial link the tools connect over.
bool offersSerialLink(orvex_sdk::Configuration& configuration);

// The port's device over a new connection, or null when it cannot be opened; the connection is
// held either way, for releaseDevice().
orvex_sdk::Device* openDevice(const char* portName, orvex_sdk::Connection*& connection);

// Closes the device and releases its connection, whichever of the two is held; both end null.
void releaseDevice(orvex_sdk::Connection*& connection, orvex_sdk::Device*& device);

} // namespace camera
