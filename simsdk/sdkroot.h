// The stand-in's root object: owns the configuration, the simulated cameras, the connections,
// the journal and the counters, for the whole process.
#pragma once

#include "camerastate.h"
#include "orvex_sdk.h"
#include "sdkconfiguration.h"
#include "simconnection.h"
#include "simcontrol.h"
#include "simulatedcamera.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace orvex_sim {

class SdkRoot final : public orvex_sdk::IOrvexSdk
{
public:
    static SdkRoot& instance();

    bool initialize() override;
    orvex_sdk::Configuration* getConfiguration() override;
    bool notifyParametersApplied() override;
    orvex_sdk::Connection* createConnection() override;
    void releaseConnection(orvex_sdk::Connection** connection) override;

    // Drops everything and reads the configuration again (see orvex_sim::reset).
    void reset(const std::string& iniPath);

    SimConfiguration& configuration();
    SimulatedCamera& camera(const std::string& port); // throws std::out_of_range
    std::vector<std::string> pluggedPorts();
    std::vector<JournalEntry>& journal();
    int openConnectionCount();
    int openDeviceCount();
    int parametersAppliedCount();

private:
    SdkRoot() = default;

    // Everything the SDK offers works before initialize() too, on the configuration that
    // initialize() would read.
    void ensureLoaded();
    void load(const QString& path, const QString& source);
    SimulatedCamera* findCamera(const std::string& port);

    bool loaded_ = false;
    SimConfiguration configuration_;
    std::unique_ptr<StateFile> stateFile_; // when the configuration names one
    std::vector<std::unique_ptr<SimulatedCamera>> cameras_;
    std::vector<std::unique_ptr<SimConnection>> connections_;
    std::vector<JournalEntry> journal_;
    int parametersApplied_ = 0;
    // Objects of earlier configurations. Whoever still holds their addresses (a window that
    // outlived a reset) finds them dead but valid, never freed memory.
    std::vector<std::unique_ptr<SimulatedCamera>> retiredCameras_;
    std::vector<std::unique_ptr<SimConnection>> retiredConnections_;
};

} // namespace orvex_sim
