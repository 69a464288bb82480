#include "cameralink.h"

#include "camerareports.h"
#include "sdkaccess.h"

#include <cstring>

namespace camera {

bool offersSerialLink(orvex_sdk::Configuration& configuration)
{
    const char* linkType = configuration.getCommunicationType();
    return linkType && std::strcmp(linkType, serialLinkType) == 0;
}

orvex_sdk::Device* openDevice(const char* portName, orvex_sdk::Connection*& connection)
{
    connection = sdkaccess::root().createConnection();
    return connection ? connection->openDevice(portName) : nullptr;
}

void releaseDevice(orvex_sdk::Connection*& connection, orvex_sdk::Device*& device)
{
    if (connection && device)
        connection->closeDevice(device);
    if (connection)
        sdkaccess::root().releaseConnection(&connection);
    connection = nullptr;
    device = nullptr;
}

} // namespace camera
