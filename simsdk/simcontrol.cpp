#include "simcontrol.h"

#include "sdkroot.h"

namespace orvex_sim {

void reset(const std::string& iniPath)
{
    SdkRoot::instance().reset(iniPath);
}

std::vector<std::string> portNames()
{
    return SdkRoot::instance().pluggedPorts();
}

CameraSettings& settings(const std::string& port)
{
    return SdkRoot::instance().camera(port).settings();
}

const CameraSettings& configuredSettings(const std::string& port)
{
    return SdkRoot::instance().camera(port).configuredSettings();
}

Faults& faults(const std::string& port)
{
    return SdkRoot::instance().camera(port).faults();
}

void unplug(const std::string& port)
{
    SdkRoot::instance().camera(port).unplug();
}

void takeKeptSettings(const std::string& port)
{
    SdkRoot::instance().camera(port).takeKeptSettings();
}

std::string stateFilePath()
{
    return SdkRoot::instance().configuration().stateFile().toStdString();
}

orvex_sdk::Configuration& configuration()
{
    return SdkRoot::instance().configuration();
}

void setCommunicationType(const std::string& linkType)
{
    SdkRoot::instance().configuration().setLinkType(linkType);
}

void setExpertMode(bool enabled)
{
    SdkRoot::instance().configuration().setExpertMode(enabled);
}

std::vector<JournalEntry> journal()
{
    return SdkRoot::instance().journal();
}

void clearJournal()
{
    SdkRoot::instance().journal().clear();
}

int openConnectionCount()
{
    return SdkRoot::instance().openConnectionCount();
}

int openDeviceCount()
{
    return SdkRoot::instance().openDeviceCount();
}

int parametersAppliedCount()
{
    return SdkRoot::instance().parametersAppliedCount();
}

std::string logFilePath()
{
    return SdkRoot::instance().configuration().logFile().toStdString();
}

} // namespace orvex_sim
