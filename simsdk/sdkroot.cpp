#include "sdkroot.h"

#include "camerasetup.h"
#include "inifile.h"
#include "logsink.h"

#include <algorithm>
#include <stdexcept>

namespace orvex_sim {

SdkRoot& SdkRoot::instance()
{
    static SdkRoot root;
    return root;
}

bool SdkRoot::initialize()
{
    ensureLoaded();
    return true;
}

void SdkRoot::ensureLoaded()
{
    if (!loaded_)
        reset(std::string());
}

void SdkRoot::reset(const std::string& iniPath)
{
    for (auto& connection : connections_) {
        connection->retire();
        retiredConnections_.push_back(std::move(connection));
    }
    connections_.clear();
    for (auto& camera : cameras_) {
        camera->retire();
        retiredCameras_.push_back(std::move(camera));
    }
    cameras_.clear();
    journal_.clear();
    parametersApplied_ = 0;
    StateFile::forgetReports();

    if (!iniPath.empty())
        load(QString::fromStdString(iniPath), QStringLiteral("given to orvex_sim::reset"));
    else
        load(QString::fromLocal8Bit(qgetenv("ORVEX_SDK_CONFIG")),
             QStringLiteral("named by ORVEX_SDK_CONFIG"));
    loaded_ = true;
}

void SdkRoot::load(const QString& path, const QString& source)
{
    IniFile ini(path, source);
    configuration_.load(ini);
    stateFile_ = configuration_.stateFile().isEmpty()
                     ? nullptr
                     : std::make_unique<StateFile>(configuration_.stateFile());
    const auto pluggedIn = SimulatedCamera::Clock::now();
    for (CameraSetup& setup : readCameraSetups(ini)) {
        cameras_.push_back(std::make_unique<SimulatedCamera>(std::move(setup), journal_,
                                                             configuration_, pluggedIn));
        cameras_.back()->keepStateIn(stateFile_.get());
    }
    ini.reportUnreadKeys();
    LogSink::instance().setPath(configuration_.logFile());
}

orvex_sdk::Configuration* SdkRoot::getConfiguration()
{
    return &configuration();
}

bool SdkRoot::notifyParametersApplied()
{
    ensureLoaded();
    ++parametersApplied_;
    return true;
}

orvex_sdk::Connection* SdkRoot::createConnection()
{
    ensureLoaded();
    connections_.push_back(std::make_unique<SimConnection>(
        [this](const std::string& port) { return findCamera(port); }));
    return connections_.back().get();
}

void SdkRoot::releaseConnection(orvex_sdk::Connection** connection)
{
    if (!connection)
        return;
    const auto held = std::find_if(
        connections_.begin(), connections_.end(),
        [&](const std::unique_ptr<SimConnection>& c) { return c.get() == *connection; });
    if (held != connections_.end()) {
        (*held)->closeAll();
        connections_.erase(held);
    }
    *connection = nullptr;
}

SimConfiguration& SdkRoot::configuration()
{
    ensureLoaded();
    return configuration_;
}

SimulatedCamera* SdkRoot::findCamera(const std::string& port)
{
    const auto found = std::find_if(
        cameras_.begin(), cameras_.end(),
        [&](const std::unique_ptr<SimulatedCamera>& camera) { return camera->port() == port; });
    return found == cameras_.end() ? nullptr : found->get();
}

SimulatedCamera& SdkRoot::camera(const std::string& port)
{
    ensureLoaded();
    SimulatedCamera* camera = findCamera(port);
    if (!camera)
        throw std::out_of_range("no simulated camera on port " + port);
    return *camera;
}

std::vector<std::string> SdkRoot::pluggedPorts()
{
    ensureLoaded();
    std::vector<std::string> ports;
    for (const auto& camera : cameras_) {
        if (camera->isPlugged())
            ports.push_back(camera->port());
    }
    return ports;
}

std::vector<JournalEntry>& SdkRoot::journal()
{
    ensureLoaded();
    return journal_;
}

int SdkRoot::openConnectionCount()
{
    ensureLoaded();
    return int(connections_.size());
}

int SdkRoot::openDeviceCount()
{
    ensureLoaded();
    int count = 0;
    for (const auto& connection : connections_)
        count += connection->openDeviceCount();
    return count;
}

int SdkRoot::parametersAppliedCount()
{
    ensureLoaded();
    return parametersApplied_;
}

} // namespace orvex_sim

namespace orvex_sdk {

IOrvexSdk* OrvexSdk::get_instance()
{
    return &orvex_sim::SdkRoot::instance();
}

} // namespace orvex_sdk
