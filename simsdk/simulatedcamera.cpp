#include "simulatedcamera.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <thread>

namespace orvex_sim {
namespace {

// What the camera accepts, in its own units.
constexpr std::uint32_t gammaMinimum = 32768;  // 0.5 in 16.16
constexpr std::uint32_t gammaMaximum = 163840; // 2.5 in 16.16
constexpr std::uint32_t clheMaximum = 30000;
constexpr std::uint32_t sharpeningMaximum = 1024; // 4.0 in 8.8
constexpr std::int32_t imageWidth = 1280;
constexpr std::int32_t imageHeight = 1024;
constexpr std::int32_t roiMargin = 5; // the look-up-table window keeps off the image's border
constexpr float zoomFactorMinimum = 1.0f;
constexpr float zoomFactorMaximum = 8.0f;
constexpr std::uint8_t zoomMethodMaximum = 1;
constexpr std::uint8_t contrastTypeMaximum = 1;
constexpr std::uint8_t videoOutputMaximum = 8;
constexpr std::uint8_t nucStateMaximum = 2;
constexpr std::uint8_t nucModeAutomatic = 1;
constexpr std::uint8_t nucStateAfterRequest = 2;
constexpr std::uint8_t iaResizeModeMaximum = 4;
constexpr std::uint8_t iaPercentMaximum = 100;
constexpr std::uint8_t iaOutputTypeMaximum = 3;

std::string toText(bool value)
{
    return value ? "true" : "false";
}

std::string toText(std::uint8_t value)
{
    return std::to_string(unsigned(value));
}

std::string toText(std::uint32_t value)
{
    return std::to_string(value);
}

std::string toText(std::int32_t value)
{
    return std::to_string(value);
}

std::string toText(const orvex_sdk::ZoomSettings* zoom)
{
    if (!zoom)
        return "null";
    // Nine significant digits give back the very float that was sent.
    char text[64];
    std::snprintf(text, sizeof text, "%.9g,%d,%d,%u", double(zoom->factor), int(zoom->xCenter),
                  int(zoom->yCenter), unsigned(zoom->method));
    return text;
}

std::string toText(const orvex_sdk::IaConfiguration* ia)
{
    if (!ia)
        return "null";
    return toText(ia->resizeMode) + ',' + toText(ia->maxBoxes) + ',' + toText(ia->sensitivity) +
           ',' + toText(ia->interOverUnion) + ',' + toText(ia->outputType);
}

template <typename Field, typename Value> bool store(Field& field, Value value, bool accepted)
{
    if (accepted)
        field = static_cast<Field>(value);
    return accepted;
}

bool withinExpertLimits(std::uint32_t value, std::int32_t minimum, std::int32_t maximum)
{
    return std::int64_t(value) >= minimum && std::int64_t(value) <= maximum;
}

bool roiXAccepted(std::int32_t x)
{
    return x >= roiMargin && x <= imageWidth - roiMargin;
}

bool roiYAccepted(std::int32_t y)
{
    return y >= roiMargin && y <= imageHeight - roiMargin;
}

bool zoomAccepted(const orvex_sdk::ZoomSettings& zoom)
{
    // Written so that a NaN factor fails too.
    const bool factorAccepted =
        zoom.factor >= zoomFactorMinimum && zoom.factor <= zoomFactorMaximum;
    return factorAccepted && zoom.method <= zoomMethodMaximum && zoom.xCenter >= 0 &&
           zoom.xCenter < imageWidth && zoom.yCenter >= 0 && zoom.yCenter < imageHeight;
}

bool iaAccepted(const orvex_sdk::IaConfiguration& ia)
{
    return ia.resizeMode <= iaResizeModeMaximum && ia.maxBoxes <= iaPercentMaximum &&
           ia.sensitivity <= iaPercentMaximum && ia.interOverUnion <= iaPercentMaximum &&
           ia.outputType <= iaOutputTypeMaximum;
}

// A slow swing of a few tenths of a degree, in thousandths of a kelvin, with a quicker ripple
// on top: what a camera warming in its housing shows. None for negative seconds.
float drift(double seconds, double phase)
{
    if (seconds < 0.0)
        return 0.0f;
    constexpr double twoPi = 6.283185307179586;
    return float(300.0 * std::sin(twoPi * seconds / 120.0 + phase) +
                 60.0 * std::sin(twoPi * seconds / 11.0 + 2.0 * phase));
}

} // namespace

float sensorTemperatureAt(const CameraSettings& settings, double seconds)
{
    return settings.sensorTemperature +
           (settings.temperatureDrift ? drift(seconds, 1.3) / 2 : 0.0f);
}

const std::vector<std::string>& deviceOperationNames()
{
    static const std::vector<std::string> names{"getFirmwareVersions",
                                                "prepareParameterRead",
                                                "getRoiX1",
                                                "getRoiX2",
                                                "getRoiY1",
                                                "getRoiY2",
                                                "getSerialNumber",
                                                "getTemperatures",
                                                "getGsk",
                                                "setGsk",
                                                "setGfid",
                                                "setGms",
                                                "getGfid",
                                                "getGms",
                                                "getTint",
                                                "setTint",
                                                "getBprCorrection",
                                                "setBprCorrection",
                                                "getOffsetCorrection",
                                                "setOffsetCorrection",
                                                "getGainCorrection",
                                                "setGainCorrection",
                                                "getHorizontalFlip",
                                                "setHorizontalFlip",
                                                "getVerticalFlip",
                                                "setVerticalFlip",
                                                "getVignettingCorrection",
                                                "setVignettingCorrection",
                                                "getColumnCorrection",
                                                "setColumnCorrection",
                                                "setVideoOutput",
                                                "setZoom",
                                                "getZoom",
                                                "getContrastType",
                                                "setContrastType",
                                                "setIaConfiguration",
                                                "getIaConfiguration",
                                                "setShutterPosition",
                                                "getShutterPosition",
                                                "getShutterPresence",
                                                "getCameraType",
                                                "setSerialNumber",
                                                "getGamma",
                                                "setGamma",
                                                "getClhe",
                                                "setClhe",
                                                "getSharpening",
                                                "setSharpening",
                                                "getPolarity",
                                                "setPolarity",
                                                "setRoiX1",
                                                "setRoiX2",
                                                "setRoiY1",
                                                "setRoiY2",
                                                "requestNuc",
                                                "setNucEnabled",
                                                "getNucEnabled"};
    return names;
}

bool isDeviceOperation(const std::string& name)
{
    const std::vector<std::string>& names = deviceOperationNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

SimulatedCamera::SimulatedCamera(CameraSetup setup, std::vector<JournalEntry>& journal,
                                 const orvex_sdk::Configuration& limits,
                                 Clock::time_point pluggedIn)
    : port_(std::move(setup.port)), configured_(setup.settings), settings_(setup.settings),
      faults_(std::move(setup.faults)), journal_(journal), limits_(limits), pluggedIn_(pluggedIn)
{
}

void SimulatedCamera::keepStateIn(StateFile* state)
{
    state_ = state;
    takeKeptSettings();
}

void SimulatedCamera::takeKeptSettings()
{
    if (state_)
        state_->restore(port_, settings_);
}

void SimulatedCamera::operate(bool changes, const std::function<void()>& operation)
{
    if (!state_)
        operation();
    else if (changes)
        state_->change(port_, settings_, operation);
    else {
        state_->restore(port_, settings_);
        operation();
    }
}

CameraDevice::CameraDevice(SimulatedCamera& camera)
    : camera_(camera), settings_(camera.settings_), faults_(camera.faults_)
{
    camera_.open_ = true;
    // What another program left in the state file meanwhile counts from this open on.
    camera_.takeKeptSettings();
}

CameraDevice::~CameraDevice()
{
    camera_.open_ = false;
}

bool SimulatedCamera::isPlugged() const
{
    if (pulled_ || retired_)
        return false;
    if (faults_.unplugAfterMs < 0)
        return true;
    return Clock::now() - pluggedIn_ < std::chrono::milliseconds(faults_.unplugAfterMs);
}

bool CameraDevice::answers(const char* operation)
{
    bool scriptedAnswer = true;
    const auto script = faults_.scriptedAnswers.find(operation);
    if (script != faults_.scriptedAnswers.end() && !script->second.empty()) {
        scriptedAnswer = script->second.front();
        script->second.pop_front();
    }
    return scriptedAnswer && camera_.isPlugged() && faults_.refused.count(operation) == 0;
}

template <typename Result, typename Action>
Result CameraDevice::operate(const char* operation, std::string arguments, Result failure,
                             Action action)
{
    // Each operation passes its own name (__func__): the list of names is the only other place
    // that spells it, and the refused faults reach an operation only through that list.
    assert(isDeviceOperation(operation));
    if (faults_.latencyMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(faults_.latencyMs));
    const bool answered = answers(operation);
    // Only an operation that writes can change what the camera keeps: the reads, the
    // once-a-second temperature read among them, take no lock.
    const std::string_view name(operation);
    const bool changes = name.rfind("set", 0) == 0 || name == "requestNuc";
    Result result = failure;
    if (answered)
        camera_.operate(changes, [&] { result = Result(action()); });
    // A demo left running for days journals a temperature read every second: keep the newest.
    constexpr std::size_t journalLimit = 200000;
    std::vector<JournalEntry>& journal = camera_.journal_;
    if (journal.size() >= journalLimit)
        journal.erase(journal.begin(), journal.begin() + journalLimit / 2);
    journal.push_back({camera_.port_, operation, std::move(arguments), toText(result)});
    return result;
}

bool CameraDevice::getFirmwareVersions(orvex_sdk::FirmwareVersions* versions)
{
    const bool answered = operate(__func__, {}, false, [&] {
        if (!versions || faults_.silent)
            return false;
        *versions = settings_.versions;
        return true;
    });
    // A camera that does not answer reads as zero versions: that is how callers notice.
    if (!answered && versions)
        *versions = orvex_sdk::FirmwareVersions{0, 0};
    return answered;
}

bool CameraDevice::prepareParameterRead()
{
    return operate(__func__, {}, false, [] { return true; });
}

std::uint32_t CameraDevice::getRoiX1()
{
    return operate(__func__, {}, 0u, [&] { return std::uint32_t(settings_.roiX1); });
}

std::uint32_t CameraDevice::getRoiX2()
{
    return operate(__func__, {}, 0u, [&] { return std::uint32_t(settings_.roiX2); });
}

std::uint32_t CameraDevice::getRoiY1()
{
    return operate(__func__, {}, 0u, [&] { return std::uint32_t(settings_.roiY1); });
}

std::uint32_t CameraDevice::getRoiY2()
{
    return operate(__func__, {}, 0u, [&] { return std::uint32_t(settings_.roiY2); });
}

std::uint32_t CameraDevice::getSerialNumber()
{
    return operate(__func__, {}, 0u, [&] { return settings_.serialNumber; });
}

bool CameraDevice::getTemperatures(orvex_sdk::Temperatures* temperatures)
{
    return operate(__func__, {}, false, [&] {
        if (!temperatures || faults_.temperatureReadsLeft == 0)
            return false;
        if (faults_.temperatureReadsLeft > 0)
            --faults_.temperatureReadsLeft;
        const double seconds =
            settings_.temperatureDrift
                ? std::chrono::duration<double>(Clock::now() - camera_.pluggedIn_).count()
                : -1.0;
        temperatures->sensorTemperature = sensorTemperatureAt(settings_, seconds);
        temperatures->fpgaTemperature = settings_.fpgaTemperature + drift(seconds, 0.0);
        return true;
    });
}

std::uint32_t CameraDevice::getGsk()
{
    return operate(__func__, {}, 0u, [&] { return settings_.gsk; });
}

bool CameraDevice::setGsk(std::uint32_t value)
{
    return operate(__func__, toText(value), false, [&] {
        return store(settings_.gsk, value,
                     withinExpertLimits(value, camera_.limits_.gskMin, camera_.limits_.gskMax));
    });
}

bool CameraDevice::setGfid(std::uint32_t value)
{
    return operate(__func__, toText(value), false, [&] {
        return store(settings_.gfid, value,
                     withinExpertLimits(value, camera_.limits_.gfidMin, camera_.limits_.gfidMax));
    });
}

bool CameraDevice::setGms(std::uint32_t value)
{
    return operate(__func__, toText(value), false, [&] {
        return store(settings_.gms, value,
                     withinExpertLimits(value, camera_.limits_.gmsMin, camera_.limits_.gmsMax));
    });
}

std::uint32_t CameraDevice::getGfid()
{
    return operate(__func__, {}, 0u, [&] { return settings_.gfid; });
}

std::uint32_t CameraDevice::getGms()
{
    return operate(__func__, {}, 0u, [&] { return settings_.gms; });
}

std::uint32_t CameraDevice::getTint()
{
    return operate(__func__, {}, 0u, [&] { return settings_.tint; });
}

bool CameraDevice::setTint(std::uint32_t value)
{
    return operate(__func__, toText(value), false, [&] {
        return store(settings_.tint, value,
                     withinExpertLimits(value, camera_.limits_.tintMin, camera_.limits_.tintMax));
    });
}

bool CameraDevice::getBprCorrection()
{
    return operate(__func__, {}, false, [&] { return settings_.bprCorrection; });
}

bool CameraDevice::setBprCorrection(bool enabled)
{
    return operate(__func__, toText(enabled), false,
                   [&] { return store(settings_.bprCorrection, enabled, true); });
}

bool CameraDevice::getOffsetCorrection()
{
    return operate(__func__, {}, false, [&] { return settings_.offsetCorrection; });
}

bool CameraDevice::setOffsetCorrection(bool enabled)
{
    return operate(__func__, toText(enabled), false,
                   [&] { return store(settings_.offsetCorrection, enabled, true); });
}

bool CameraDevice::getGainCorrection()
{
    return operate(__func__, {}, false, [&] { return settings_.gainCorrection; });
}

bool CameraDevice::setGainCorrection(bool enabled)
{
    return operate(__func__, toText(enabled), false,
                   [&] { return store(settings_.gainCorrection, enabled, true); });
}

bool CameraDevice::getHorizontalFlip()
{
    return operate(__func__, {}, false, [&] { return settings_.horizontalFlip; });
}

bool CameraDevice::setHorizontalFlip(bool enabled)
{
    return operate(__func__, toText(enabled), false,
                   [&] { return store(settings_.horizontalFlip, enabled, true); });
}

bool CameraDevice::getVerticalFlip()
{
    return operate(__func__, {}, false, [&] { return settings_.verticalFlip; });
}

bool CameraDevice::setVerticalFlip(bool enabled)
{
    return operate(__func__, toText(enabled), false,
                   [&] { return store(settings_.verticalFlip, enabled, true); });
}

bool CameraDevice::getVignettingCorrection()
{
    return operate(__func__, {}, false, [&] { return settings_.vignettingCorrection; });
}

bool CameraDevice::setVignettingCorrection(bool enabled)
{
    return operate(__func__, toText(enabled), false,
                   [&] { return store(settings_.vignettingCorrection, enabled, true); });
}

bool CameraDevice::getColumnCorrection()
{
    return operate(__func__, {}, false, [&] { return settings_.columnCorrection; });
}

bool CameraDevice::setColumnCorrection(bool enabled)
{
    return operate(__func__, toText(enabled), false,
                   [&] { return store(settings_.columnCorrection, enabled, true); });
}

bool CameraDevice::setVideoOutput(std::uint8_t output)
{
    return operate(__func__, toText(output), false, [&] {
        return store(settings_.videoOutput, output, output <= videoOutputMaximum);
    });
}

bool CameraDevice::setZoom(const orvex_sdk::ZoomSettings* zoom)
{
    return operate(__func__, toText(zoom), false, [&] {
        if (!zoom || !zoomAccepted(*zoom))
            return false;
        settings_.zoom.factor = zoom->factor;
        settings_.zoom.xCenter = zoom->xCenter;
        settings_.zoom.yCenter = zoom->yCenter;
        settings_.zoom.method = zoom->method;
        return true;
    });
}

bool CameraDevice::getZoom(orvex_sdk::ZoomSettings* zoom)
{
    return operate(__func__, {}, false, [&] {
        if (!zoom)
            return false;
        zoom->factor = settings_.zoom.factor;
        zoom->xCenter = settings_.zoom.xCenter;
        zoom->yCenter = settings_.zoom.yCenter;
        zoom->method = settings_.zoom.method;
        return true;
    });
}

std::uint8_t CameraDevice::getContrastType()
{
    return operate(__func__, {}, std::uint8_t(0), [&] { return settings_.contrastType; });
}

bool CameraDevice::setContrastType(std::uint8_t type)
{
    return operate(__func__, toText(type), false, [&] {
        return store(settings_.contrastType, type, type <= contrastTypeMaximum);
    });
}

bool CameraDevice::setIaConfiguration(const orvex_sdk::IaConfiguration* configuration)
{
    return operate(__func__, toText(configuration), false, [&] {
        if (!configuration || !iaAccepted(*configuration))
            return false;
        settings_.ia = *configuration;
        return true;
    });
}

std::uint8_t CameraDevice::getIaConfiguration(orvex_sdk::IaConfiguration* configuration)
{
    return operate(__func__, {}, std::uint8_t(0), [&] {
        if (!configuration)
            return std::uint8_t(0);
        const auto status = std::uint8_t(faults_.iaReadStatus);
        if (status == 1)
            *configuration = settings_.ia;
        return status;
    });
}

bool CameraDevice::setShutterPosition(bool closed)
{
    return operate(__func__, toText(closed), false,
                   [&] { return store(settings_.shutterClosed, closed, settings_.hasShutter); });
}

bool CameraDevice::getShutterPosition(std::uint8_t* closed)
{
    // A camera without a shutter reads as open: nothing ever covers its sensor.
    return operate(__func__, {}, false, [&] {
        if (!closed)
            return false;
        *closed = settings_.hasShutter && settings_.shutterClosed ? 1 : 0;
        return true;
    });
}

std::uint8_t CameraDevice::getShutterPresence(std::uint8_t* present)
{
    return operate(__func__, {}, std::uint8_t(0), [&] {
        if (!present)
            return std::uint8_t(0);
        const auto status = std::uint8_t(faults_.shutterPresenceStatus);
        if (status == 1)
            *present = settings_.hasShutter ? 1 : 0;
        return status;
    });
}

std::uint8_t CameraDevice::getCameraType(std::uint8_t* type)
{
    return operate(__func__, {}, std::uint8_t(0), [&] {
        if (!type || faults_.cameraTypeFails)
            return std::uint8_t(0);
        *type = settings_.cameraType;
        return std::uint8_t(1);
    });
}

bool CameraDevice::setSerialNumber(std::uint32_t serialNumber)
{
    return operate(__func__, toText(serialNumber), false,
                   [&] { return store(settings_.serialNumber, serialNumber, true); });
}

std::uint32_t CameraDevice::getGamma()
{
    return operate(__func__, {}, 0u, [&] { return settings_.gamma; });
}

bool CameraDevice::setGamma(std::uint32_t gamma)
{
    return operate(__func__, toText(gamma), false, [&] {
        return store(settings_.gamma, gamma, gamma >= gammaMinimum && gamma <= gammaMaximum);
    });
}

std::uint32_t CameraDevice::getClhe()
{
    return operate(__func__, {}, 0u, [&] { return settings_.clhe; });
}

bool CameraDevice::setClhe(std::uint32_t clhe)
{
    return operate(__func__, toText(clhe), false,
                   [&] { return store(settings_.clhe, clhe, clhe <= clheMaximum); });
}

std::uint32_t CameraDevice::getSharpening()
{
    return operate(__func__, {}, 0u, [&] { return settings_.sharpening; });
}

bool CameraDevice::setSharpening(std::uint32_t sharpening)
{
    return operate(__func__, toText(sharpening), false, [&] {
        return store(settings_.sharpening, sharpening, sharpening <= sharpeningMaximum);
    });
}

bool CameraDevice::getPolarity()
{
    return operate(__func__, {}, false, [&] { return settings_.polarity; });
}

bool CameraDevice::setPolarity(bool inverted)
{
    return operate(__func__, toText(inverted), false,
                   [&] { return store(settings_.polarity, inverted, true); });
}

bool CameraDevice::setRoiX1(std::int32_t x1)
{
    return operate(__func__, toText(x1), false,
                   [&] { return store(settings_.roiX1, x1, roiXAccepted(x1)); });
}

bool CameraDevice::setRoiX2(std::int32_t x2)
{
    return operate(__func__, toText(x2), false,
                   [&] { return store(settings_.roiX2, x2, roiXAccepted(x2)); });
}

bool CameraDevice::setRoiY1(std::int32_t y1)
{
    return operate(__func__, toText(y1), false,
                   [&] { return store(settings_.roiY1, y1, roiYAccepted(y1)); });
}

bool CameraDevice::setRoiY2(std::int32_t y2)
{
    return operate(__func__, toText(y2), false,
                   [&] { return store(settings_.roiY2, y2, roiYAccepted(y2)); });
}

bool CameraDevice::requestNuc(std::uint8_t mode)
{
    // The automatic routine closes the camera's own shutter over the sensor; without one it
    // cannot run.
    return operate(__func__, toText(mode), false, [&] {
        const bool accepted =
            mode < nucModeAutomatic || (mode == nucModeAutomatic && settings_.hasShutter);
        if (accepted)
            ++settings_.nucRequests;
        return store(settings_.nucState, nucStateAfterRequest, accepted);
    });
}

bool CameraDevice::setNucEnabled(std::uint8_t state)
{
    return operate(__func__, toText(state), false,
                   [&] { return store(settings_.nucState, state, state <= nucStateMaximum); });
}

bool CameraDevice::getNucEnabled()
{
    return operate(__func__, {}, false, [&] { return settings_.nucState != 0; });
}

} // namespace orvex_sim
