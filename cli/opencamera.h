// A camera opened for one command, as the window's connect sequence opens it: the port must be
// listed, the link must be UART, the camera must say its type and answer the version read. The
// camera is closed and its connection released when the object goes.
#pragma once

#include "orvex_sdk.h"
#include "output.h"

#include <QStringList>

#include <cstdint>

namespace cli {

class OpenCamera
{
public:
    // listedPorts: the ports as listed once for the whole command; a port that is not among them
    // is not tried. On failure the run is marked unreachable, with the reason, and device() is
    // null. While the camera is open, a refusal in the run asks whether the camera still answers.
    OpenCamera(CameraRun& run, const QStringList& listedPorts);
    ~OpenCamera();
    OpenCamera(const OpenCamera&) = delete;
    OpenCamera& operator=(const OpenCamera&) = delete;

    orvex_sdk::Device* device() const { return device_; }
    std::uint8_t cameraType() const { return cameraType_; }
    const orvex_sdk::FirmwareVersions& versions() const { return versions_; }

private:
    bool open(CameraRun& run, const QStringList& listedPorts);
    void close();
    // Why the camera no longer answers the version read; empty while it answers.
    QString whyGone(const QString& port);

    CameraRun& run_;
    orvex_sdk::Connection* connection_ = nullptr;
    orvex_sdk::Device* device_ = nullptr;
    std::uint8_t cameraType_ = 0;
    orvex_sdk::FirmwareVersions versions_{};
};

} // namespace cli
