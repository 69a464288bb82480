// What both programs say about a camera, in the window's words and number formats: the reports
// of the serial-number and NUC operations, the firmware versions, the temperatures as the window
// shows them, and the camera facts the connect sequence relies on.
#pragma once

#include "orvex_sdk.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace camera {

constexpr char serialLinkType[] = "UART"; // the only link the tool connects over
constexpr std::uint8_t cameraTypeWithDetector = 12;
constexpr std::uint8_t statusSucceeded = 1;
constexpr std::uint8_t nucNow = 0;
constexpr std::uint8_t automaticNucRoutine = 1;

// A report's two texts: the one for a camera that accepted, the one for a refusal.
struct Texts {
    const char* ok;
    const char* ko;
};

namespace texts {
constexpr Texts serialNumberWrite{"Serial number set", "Serial number NOT set"};
constexpr Texts forcedSerialNumberWrite{"Force Serial number OK", "Force Serial number NOT OK"};
constexpr Texts nucRequest{"NUC applied", "Error on processing the NUC request"};
constexpr char noCameraType[] = "No camera type found";
constexpr char iaUnreadable[] = "Unable to read IA configuration";
constexpr char expertNotTransmitted[] = "Problem transmitting expert parameters values";
} // namespace texts

// The value truncated toward zero when Integer holds it; nothing otherwise (NaN included).
template <class Integer> std::optional<Integer> truncatedToFit(double value)
{
    const double whole = std::trunc(value);
    if (whole >= double(std::numeric_limits<Integer>::min()) &&
        whole <= double(std::numeric_limits<Integer>::max()))
        return Integer(whole);
    return std::nullopt;
}

// Four 4-bit fields, most significant first: 0x12a3 reads 1.2.a.3.
std::string firmwareVersionText(std::uint16_t version);

// Thousandths of a kelvin (273000 is 0 C) to degrees Celsius, in single precision as the window
// computes them.
float celsius(float milliKelvin);
// The degrees as the window shows them, six significant digits: 32.5125 rather than the single's
// widened 32.51250076293945.
double shownCelsius(float milliKelvin);
// The text of a temperature box: "45 C", "-273 C", "32.0437 C".
QString temperatureText(float milliKelvin);

// The serial-number write: a single one, or the forced write, in which every attempt is made
// whatever the earlier ones gave, with a pause after each, and only the last attempt's answer
// counts. Reported with texts::serialNumberWrite or texts::forcedSerialNumberWrite.
bool writeSerialNumber(orvex_sdk::Device& device, std::uint32_t serialNumber, bool forced);
const Texts& serialNumberTexts(bool forced);

} // namespace camera
