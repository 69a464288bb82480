// The camera's settings, once: each setting's name, profile section and key, the range the window
// allows, how its value is encoded for the camera, the SDK operations that write and read it, the
// OK/KO texts of its reports, its read-back line, and its place in the bulk runs. The command line
// checks, reads and applies profiles through this table; the window sends, reads back and reports
// every setting through it.
#pragma once

#include "camerareports.h"
#include "orvex_sdk.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace camera {

// Every row of the table, by a name the compiler checks. The settings a profile holds come first,
// in the order of the window's bulk runs; after them the operations that only the window's own
// controls and the command line's commands send.
enum class Key : int {
    Gamma,
    Clhe,
    Sharpening,
    RoiX1,
    RoiY1,
    RoiX2,
    RoiY2,
    Polarity,
    ZoomFactor,
    ZoomMethod,
    ZoomXCenter,
    ZoomYCenter,
    ContrastType,
    NucEnabled,
    HorizontalFlip,
    VerticalFlip,
    VignettingCorrection,
    ColumnCorrection,
    Gsk,
    Gfid,
    Tint,
    Gms,
    BprCorrection,
    OffsetCorrection,
    GainCorrection,
    IaResizeMode,
    IaMaxBoxes,
    IaSensitivity,
    IaInterOverUnion,
    IaOutputType,
    ShutterPosition,
    VideoOutput,
    SerialNumber,
    // Not a key: how many there are, so that the table can check that each has its row.
    Count,
};

enum class Section { User, Expert, Ia };
// In the order a profile's bulk runs go.
constexpr Section sections[] = {Section::User, Section::Expert, Section::Ia};

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

// A bulk run (the window's Apply and Reset buttons, a profile applied by the command line) or the
// window's edit of the one control: a few settings report the two in other words.
enum class Run { Bulk, Edit };

// How the window's read-back writes the value after the label: the operator's value as %g, the
// camera's whole number, 1 or 0, Activated or Deactivated, Enabled or Disabled, or the contrast
// algorithm's name.
enum class ReadBackForm { None, Number, Count, Flag, Activation, Enablement, ContrastName };

struct ReadBack {
    const char* label; // "Gamma value = "
    ReadBackForm form;
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
    Key id;
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
    Texts bulkTexts;
    Texts editTexts;
    ReadBack readBack;
    // What the window's toggle button sends for on; a bulk run sends 1.
    std::uint8_t toggledOn;
    // A refusal of it keeps a bulk run from telling the SDK that the parameters were applied.
    bool refusalWithholdsApplied;
    // Profiles hold it; the others are sent only by the window's own controls and the command
    // line's commands.
    bool inProfiles;
};

// The row of a key.
const Setting& setting(Key key);

// The settings a profile holds, in the order of the window's bulk runs: user, expert, then the IA
// record. Their rows are also setting(key) for their keys.
class SettingList
{
public:
    SettingList(const Setting* first, std::size_t count) : first_(first), count_(count) {}

    const Setting* begin() const { return first_; }
    const Setting* end() const { return first_ + count_; }
    const Setting* data() const { return first_; }
    std::size_t size() const { return count_; }

private:
    const Setting* first_;
    std::size_t count_;
};
SettingList settings();

// "gamma" or "user.gamma"; null for a name no profile setting has.
const Setting* findSetting(const QString& name);
const Setting* findSetting(Section section, const QString& key);

QString sectionName(Section section);
std::optional<Section> sectionNamed(const QString& name);
Record recordOf(const Setting& setting);

// The steps of a section's bulk run, in the order both programs send them: each setting of the
// section on its own, and a record whole, at the place of its first field.
struct BulkStep {
    const Setting& setting; // the record's first field for a record
    Record record;
};
std::vector<BulkStep> bulkRun(Section section);

// The region of interest: each bound has an opposite bound on its axis (X1 and X2, Y1 and Y2).
// A lower bound above its upper bound, or an upper bound below its lower one, is out of order;
// equal bounds are in order.
constexpr Key lowerRoiBounds[] = {Key::RoiX1, Key::RoiY1};
bool isRoiBound(Key key);
Key oppositeRoiBound(Key bound);
bool roiOutOfOrder(Key bound, double value, double oppositeValue);

// The texts of the setting's report in a bulk run or in the window's edit.
const Texts& textsOf(const Setting& setting, Run run);

// How many of the camera's counts make one of the operator's units: 65536, 256 or 1.
double countsPerUnit(Encoding encoding);

// The values the window lets the operator choose, with the configuration's expert limits.
Range allowedRange(const Setting& setting, const orvex_sdk::Configuration& configuration);

// The camera's value (a whole number, or an IEEE single, held exactly in a double) for an
// operator's value; nothing when the type the camera takes it in cannot hold it.
std::optional<double> toCamera(const Setting& setting, double value);
// The operator's value for the camera's, as the window shows it.
double fromCamera(const Setting& setting, double cameraValue);

// The operator's value as text: the window's read-back form (six significant digits) when that
// gives back the camera's value, more digits when it would not, so that a profile written from a
// camera puts exactly the same values into the next one.
QString valueText(const Setting& setting, double cameraValue);

// The window's read-back line for the camera's value: "Gamma value = 1.5", "BPR state = Enabled".
std::string readBackLine(const Setting& setting, double cameraValue);

// A setting that is not a record field: one SDK call each. A switch is sent as on is in run.
bool send(const Setting& setting, Device& device, double cameraValue);
bool sendSwitch(const Setting& setting, Device& device, bool on, Run run);
double read(const Setting& setting, Device& device);

// A record field, inside its record.
void put(const Setting& setting, Records& records, double cameraValue);
double take(const Setting& setting, const Records& records);

// One call for the whole record; reading the IA record succeeds only with status 1.
bool sendRecord(Record record, Device& device, const Records& records);
bool readRecord(Record record, Device& device, Records& records);

} // namespace camera
