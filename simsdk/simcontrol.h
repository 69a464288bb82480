// Control of the stand-in SDK's simulated cameras: the demo's port list, and the API through
// which tests reach into a camera (its settings, its faults, the journal of what reached it).
//
// Everything here runs on the caller's thread; the stand-in is meant for one GUI thread.
#pragma once

#include "orvex_sdk.h"

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orvex_sim {

// Everything a simulated camera holds, in the camera's own units (raw, as the Device
// operations exchange them). It survives disconnect and reconnect.
struct CameraSettings {
    orvex_sdk::FirmwareVersions versions{0x1203, 0x0240};
    std::uint32_t serialNumber = 12345;
    std::uint8_t cameraType = 12;
    bool hasShutter = true;
    bool shutterClosed = false;
    std::uint32_t gamma = 65536; // 16.16
    std::uint32_t clhe = 40;
    std::uint32_t sharpening = 128; // 8.8
    std::int32_t roiX1 = 5;
    std::int32_t roiX2 = 1275;
    std::int32_t roiY1 = 5;
    std::int32_t roiY2 = 1019;
    bool polarity = false;
    orvex_sdk::ZoomSettings zoom{1.0f, 640, 512, 0};
    std::uint8_t contrastType = 0;
    std::uint8_t nucState = 2; // as last set: 0 off, 1 or 2 on
    // NUC requests carried out: a program that follows the state file sees each one, also when
    // NUC was already on.
    std::uint32_t nucRequests = 0;
    bool horizontalFlip = false;
    bool verticalFlip = false;
    bool vignettingCorrection = true;
    bool columnCorrection = true;
    bool bprCorrection = true;
    bool offsetCorrection = true;
    bool gainCorrection = true;
    std::uint8_t videoOutput = 8;
    std::uint32_t gsk = 2;
    std::uint32_t gfid = 500;
    std::uint32_t gms = 100;
    std::uint32_t tint = 1;
    orvex_sdk::IaConfiguration ia{1, 10, 50, 45, 0};
    // Base temperatures in thousandths of a kelvin; the camera drifts around them.
    float fpgaTemperature = 318000.0f;
    float sensorTemperature = 305000.0f;
    // Off, the camera reports its base temperatures exactly.
    bool temperatureDrift = true;
};

// Faults a test or the demo's INI file can inject into one camera.
struct Faults {
    // Device operations, by name ("setGamma", "getTemperatures", ...), that the camera refuses:
    // setters and bool results return false, status results 0, value getters 0.
    std::set<std::string> refused;
    // The next calls of an operation, answered (true) or refused (false) in this order; once the
    // script has run out the operation behaves as usual. Tests only.
    std::map<std::string, std::deque<bool>> scriptedAnswers;
    bool silent = false;           // answers the version read with two zero fields
    bool cameraTypeFails = false;  // getCameraType returns status 0
    int shutterPresenceStatus = 1; // status of getShutterPresence
    int temperatureReadsLeft = -1; // reads that succeed before every later one fails; -1: all
    int iaReadStatus = 1;          // status of getIaConfiguration
    int unplugAfterMs = -1;        // port leaves the list this long after reset; -1: never
    int latencyMs = 0;             // added to every Device operation, like a serial link
};

struct JournalEntry {
    std::string port;      // the camera's port name
    std::string operation; // the Device operation's name, e.g. "setGamma"
    std::string arguments; // the arguments as text, comma-separated; records field by field
    std::string result;    // "true"/"false", a status or the value returned, as text
};

// Drops every camera, connection, journal entry and counter and loads the configuration again,
// from the INI file at iniPath, or from ORVEX_SDK_CONFIG when iniPath is empty, or the built-in
// values when neither names one. Afterwards the stand-in is as a fresh process's after
// initialize().
void reset(const std::string& iniPath = std::string());

// The simulated ports that are plugged in, in configuration order.
std::vector<std::string> portNames();

// The camera on a port; throws std::out_of_range for a port that has none.
CameraSettings& settings(const std::string& port);
// Its settings as the configuration gives them, without what the state file keeps or any change
// made since; throws like settings().
const CameraSettings& configuredSettings(const std::string& port);
Faults& faults(const std::string& port);

// Pulls the cable: the port leaves the list and the camera stops answering.
void unplug(const std::string& port);

// Takes what the state file keeps for the camera now over its settings, as an open does: how a
// program that only watches a camera follows what other programs change. Throws like settings().
void takeKeptSettings(const std::string& port);

// The sensor temperature, in thousandths of a kelvin, that a camera with these settings reports
// this many seconds after it was plugged in: its base, and its slow drift about the base while
// temperatureDrift is on.
float sensorTemperatureAt(const CameraSettings& settings, double seconds);

// The state file of the configuration, or empty when the cameras forget.
std::string stateFilePath();

// The stand-in's configuration as the Configuration interface shows it; tests may change it.
orvex_sdk::Configuration& configuration();
void setCommunicationType(const std::string& linkType);
void setExpertMode(bool enabled);

std::vector<JournalEntry> journal();
void clearJournal();

int openConnectionCount();    // created and not yet released
int openDeviceCount();        // opened and not yet closed
int parametersAppliedCount(); // calls of notifyParametersApplied

// Where SDKLogger records go; each record is one line: time stamp, severity level, text with
// its line feeds escaped as "\n".
std::string logFilePath();

} // namespace orvex_sim
