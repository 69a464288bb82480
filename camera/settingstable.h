// The camera's settings, once: each setting's name, profile section and key, the range the window
// allows, how its value is encoded for the camera, the SDK operations that write and read it, and
// the window's OK/KO texts for it in the bulk runs. The command line checks, reads and applies
// profiles through this table; the window's controls take the same ranges and encodings.
#pragma once

#include "orvex_sdk.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace camera {

enum class Section { User, Expert, Ia };

// How an operator writes a value: a real number, a whole number, true or false, a list's index.
enum class Kind { Real, Whole, Switch, Choice };

// How the camera holds a value: as the operator gives it (whole numbers, indexes, 1 for on),
// in 16.16 or 8.8 fixed point (value x 65536 or x 256, truncated toward zero), or as the IEEE
// single nearest to it.
enum class Encoding { Plain, FixedPoint16, FixedPoint8, Single };

struct Range {
    double minimum;
    double maximum;
};

// The zoom and the IA settings travel as whole records: one field cannot be sent on its own.
enum class Record { None, Zoom, Ia };

struct Records {
    orvex_sdk::ZoomSettings zoom{};
    orvex_sdk::IaConfiguration ia{};
};

using orvex_sdk::Device;
using Setter =
    std::variant<std::monostate, bool (Device::*)(std::uint32_t), bool (Device::*)(std::int32_t),
                 bool (Device::*)(bool), bool (Device::*)(std::uint8_t)>;
using Getter = std::variant<std::monostate, std::uint32_t (Device::*)(), bool (Device::*)(),
                            std::uint8_t (Device::*)()>;
using RecordField =
    std::variant<std::monostate, float orvex_sdk::ZoomSettings::*,
                 std::int32_t orvex_sdk::ZoomSettings::*, std::uint8_t orvex_sdk::ZoomSettings::*,
                 std::uint8_t orvex_sdk::IaConfiguration::*>;

struct Setting {
    const char* key;
    Section section;
    Kind kind;
    Encoding encoding;
    Range range; // the form's range
    // The SDK configuration's expert limits, which replace the form's range on the window too;
    // null for the form's range.
    std::int32_t orvex_sdk::Configuration::*configuredMinimum;
    std::int32_t orvex_sdk::Configuration::*configuredMaximum;
    const char* operation; // the SDK operation that sends it (of the whole record for a field)
    Setter set;
    Getter get;
    RecordField field; // a zoom or IA field instead of set and get
    const char* okText;
    const char* koText;
};

// In the order of the window's bulk runs: user, expert, then the IA record.
const std::vector<Setting>& settings();

// "gamma" or "user.gamma"; null for a name no setting has.
const Setting* findSetting(const QString& name);
// The row of a key that the code itself names, which the table must hold.
const Setting& knownSetting(const char* key);
const Setting* findSetting(Section section, const QString& key);

QString sectionName(Section section);
std::optional<Section> sectionNamed(const QString& name);
Record recordOf(const Setting& setting);

// How many of the camera's counts make one of the operator's units: 65536, 256 or 1.
double countsPerUnit(Encoding encoding);

// The values the window lets the operator choose, with the configuration's expert limits.
Range allowedRange(const Setting& setting, const orvex_sdk::Configuration& configuration);

// The camera's value (a whole number, or an IEEE single, held exactly in a double) for an
// operator's value; nothing when the camera's type cannot hold it.
std::optional<double> toCamera(const Setting& setting, double value);
// The operator's value for the camera's, as the window shows it.
double fromCamera(const Setting& setting, double cameraValue);

// The operator's value as text: the window's read-back form (six significant digits) when that
// gives back the camera's value, more digits when it would not, so that a profile written from a
// camera puts exactly the same values into the next one.
QString valueText(const Setting& setting, double cameraValue);

// A setting that is not a record field: one SDK call each.
bool send(const Setting& setting, Device& device, double cameraValue);
double read(const Setting& setting, Device& device);

// A record field, inside its record.
void put(const Setting& setting, Records& records, double cameraValue);
double take(const Setting& setting, const Records& records);

// One call for the whole record; reading the IA record succeeds only with status 1.
bool sendRecord(Record record, Device& device, const Records& records);
bool readRecord(Record record, Device& device, Records& records);

} // namespace camera
