#include "settingstable.h"

#include "camerareports.h"

#include <cmath>
#include <iterator>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <type_traits>

namespace camera {
namespace {

using orvex_sdk::Configuration;
using orvex_sdk::IaConfiguration;
using orvex_sdk::ZoomSettings;

constexpr double largestCount = double(std::numeric_limits<std::uint32_t>::max());

using D = Device;

// The SDK setters that send one setting each, under the names the command line's dry run prints:
// the one place a setter's name is written. A row names its setter here by that name.
struct Sender {
    const char* name;
    Setter set;
};
constexpr Sender senders[] = {
    {"setGamma", &D::setGamma},
    {"setClhe", &D::setClhe},
    {"setSharpening", &D::setSharpening},
    {"setRoiX1", &D::setRoiX1},
    {"setRoiY1", &D::setRoiY1},
    {"setRoiX2", &D::setRoiX2},
    {"setRoiY2", &D::setRoiY2},
    {"setPolarity", &D::setPolarity},
    {"setContrastType", &D::setContrastType},
    {"setNucEnabled", &D::setNucEnabled},
    {"setHorizontalFlip", &D::setHorizontalFlip},
    {"setVerticalFlip", &D::setVerticalFlip},
    {"setVignettingCorrection", &D::setVignettingCorrection},
    {"setColumnCorrection", &D::setColumnCorrection},
    {"setGsk", &D::setGsk},
    {"setGfid", &D::setGfid},
    {"setTint", &D::setTint},
    {"setGms", &D::setGms},
    {"setBprCorrection", &D::setBprCorrection},
    {"setOffsetCorrection", &D::setOffsetCorrection},
    {"setGainCorrection", &D::setGainCorrection},
    {"setShutterPosition", &D::setShutterPosition},
    {"setVideoOutput", &D::setVideoOutput},
    {"setSerialNumber", &D::setSerialNumber},
};

constexpr const Sender& senderNamed(std::string_view name)
{
    for (const Sender& sender : senders) {
        if (name == sender.name)
            return sender;
    }
    // Reached only for a row that names a setter senders lacks: a throw is no constant
    // expression, so that row does not compile.
    throw std::invalid_argument("no setter of that name in senders");
}

// The records the camera takes whole: the operation that sends one, and the texts that report
// it for every field.
struct RecordSender {
    Record record;
    const char* name;
    Texts texts;
};
constexpr RecordSender recordSenders[] = {
    {Record::Zoom, "setZoom", {"Configure Zoom OK", "Configure Zoom KO"}},
    {Record::Ia, "setIaConfiguration", {"Set IA config OK", "Set IA config KO"}},
};

constexpr Record recordHolding(const RecordField& field)
{
    if (std::holds_alternative<std::monostate>(field))
        return Record::None;
    return std::holds_alternative<std::uint8_t IaConfiguration::*>(field) ? Record::Ia
                                                                          : Record::Zoom;
}

constexpr const RecordSender& recordSenderOf(Record record)
{
    for (const RecordSender& sender : recordSenders) {
        if (sender.record == record)
            return sender;
    }
    throw std::invalid_argument("no sender for that record in recordSenders");
}

// A row of the table, field by field: it starts from the setting's key, its name in a profile
// and its section, and each step names what it sets. What no step sets is as most settings have
// it: no configuration limits, the same reports for a bulk run and an edit, 1 sent for on, no
// read-back line, held by profiles. The checks after the table say what a row cannot leave out.
class Row
{
public:
    constexpr Row(Key id, const char* key, Section section)
    {
        setting_.id = id;
        setting_.key = key;
        setting_.section = section;
        setting_.toggledOn = 1;
        setting_.inProfiles = true;
    }

    // How the operator writes the value, the range the window allows, and how the camera holds it.
    constexpr Row real(Encoding encoding, Range range) const
    {
        return as(Kind::Real, encoding, range);
    }
    constexpr Row whole(Range range = {}) const { return as(Kind::Whole, Encoding::Plain, range); }
    constexpr Row choice(Range range) const { return as(Kind::Choice, Encoding::Plain, range); }
    constexpr Row onOff() const { return as(Kind::Switch, Encoding::Plain, {0.0, 1.0}); }
    // The window takes the range from the SDK configuration's expert limits instead.
    constexpr Row limitedBy(std::int32_t Configuration::*minimum,
                            std::int32_t Configuration::*maximum) const
    {
        Row row = *this;
        row.setting_.configuredMinimum = minimum;
        row.setting_.configuredMaximum = maximum;
        return row;
    }

    // The setter of senders that sends it, by its name, and the getter that reads it.
    constexpr Row sentBy(std::string_view setter) const
    {
        const Sender& sender = senderNamed(setter);
        Row row = *this;
        row.setting_.operation = sender.name;
        row.setting_.set = sender.set;
        return row;
    }
    constexpr Row readBy(Getter get) const
    {
        Row row = *this;
        row.setting_.get = get;
        return row;
    }
    // A field of a record the camera takes whole: sent with the record's operation and reported
    // with its texts.
    constexpr Row inRecord(RecordField field) const
    {
        const RecordSender& record = recordSenderOf(recordHolding(field));
        Row row = reports(record.texts);
        row.setting_.field = field;
        row.setting_.operation = record.name;
        return row;
    }

    // The OK and KO texts of its reports; editReports: the window's own edit of the control
    // reports in words of its own.
    constexpr Row reports(Texts texts) const
    {
        Row row = *this;
        row.setting_.bulkTexts = texts;
        row.setting_.editTexts = texts;
        return row;
    }
    constexpr Row editReports(Texts texts) const
    {
        Row row = *this;
        row.setting_.editTexts = texts;
        return row;
    }

    constexpr Row readBack(const char* label, ReadBackForm form) const
    {
        Row row = *this;
        row.setting_.readBack = {label, form};
        return row;
    }

    // What the window's toggle button sends for on.
    constexpr Row toggledOnAs(std::uint8_t on) const
    {
        Row row = *this;
        row.setting_.toggledOn = on;
        return row;
    }
    constexpr Row refusalWithholdsApplied() const
    {
        Row row = *this;
        row.setting_.refusalWithholdsApplied = true;
        return row;
    }
    constexpr Row outsideProfiles() const
    {
        Row row = *this;
        row.setting_.inProfiles = false;
        return row;
    }

    constexpr operator Setting() const { return setting_; }

private:
    constexpr Row as(Kind kind, Encoding encoding, Range range) const
    {
        Row row = *this;
        row.setting_.kind = kind;
        row.setting_.encoding = encoding;
        row.setting_.range = range;
        return row;
    }

    Setting setting_{};
};

using Z = ZoomSettings;
using I = IaConfiguration;
constexpr Section user = Section::User;
constexpr Section expert = Section::Expert;
constexpr Section ia = Section::Ia;
using Form = ReadBackForm;

constexpr Setting table[] = {
    Row(Key::Gamma, "gamma", user)
        .real(Encoding::FixedPoint16, {0.5, 2.5})
        .sentBy("setGamma")
        .readBy(&D::getGamma)
        .reports({"Set GAMMA value OK", "Set GAMMA value KO"})
        .readBack("Gamma value = ", Form::Number),
    Row(Key::Clhe, "clhe", user)
        .whole({0.0, 30000.0})
        .sentBy("setClhe")
        .readBy(&D::getClhe)
        .reports({"Set CLHE value OK", "Set CLHE value KO"})
        // A plain integer to the camera, but reported like the other real numbers of the read.
        .readBack("CLHE value = ", Form::Number),
    Row(Key::Sharpening, "sharpening", user)
        .real(Encoding::FixedPoint8, {0.0, 4.0})
        .sentBy("setSharpening")
        .readBy(&D::getSharpening)
        .reports({"Set SHARPENING value OK", "Set SHARPENING value KO"})
        .editReports({"Configure EDGE CORRECTION OK", "Configure EDGE CORRECTION KO"})
        .readBack("Sharpening value = ", Form::Number),
    Row(Key::RoiX1, "roiX1", user)
        .whole({5.0, 1275.0})
        .sentBy("setRoiX1")
        .readBy(&D::getRoiX1)
        .reports({"Set ROI X1 value OK", "Set ROI X1 value KO"})
        .readBack("ROI X1 value = ", Form::Count),
    Row(Key::RoiY1, "roiY1", user)
        .whole({5.0, 1019.0})
        .sentBy("setRoiY1")
        .readBy(&D::getRoiY1)
        .reports({"Set ROI Y1 value OK", "Set ROI Y1 value KO"})
        .readBack("ROI Y1 value = ", Form::Count),
    Row(Key::RoiX2, "roiX2", user)
        .whole({5.0, 1275.0})
        .sentBy("setRoiX2")
        .readBy(&D::getRoiX2)
        .reports({"Set ROI X2 value OK", "Set ROI X2 value KO"})
        .readBack("ROI X2 value = ", Form::Count),
    Row(Key::RoiY2, "roiY2", user)
        .whole({5.0, 1019.0})
        .sentBy("setRoiY2")
        .readBy(&D::getRoiY2)
        .reports({"Set ROI Y2 value OK", "Set ROI Y2 value KO"})
        .readBack("ROI Y2 value = ", Form::Count),
    Row(Key::Polarity, "polarity", user)
        .onOff()
        .sentBy("setPolarity")
        .readBy(&D::getPolarity)
        .reports({"Set POLARITY value OK", "Set POLARITY value KO"})
        .readBack("Polarity value = ", Form::Flag),
    Row(Key::ZoomFactor, "zoomFactor", user)
        .real(Encoding::Single, {1.0, 8.0})
        .inRecord(&Z::factor)
        .readBack("ZOOM factor value = ", Form::Number),
    Row(Key::ZoomMethod, "zoomMethod", user).choice({0.0, 1.0}).inRecord(&Z::method),
    Row(Key::ZoomXCenter, "zoomXCenter", user).whole({0.0, 1920.0}).inRecord(&Z::xCenter),
    Row(Key::ZoomYCenter, "zoomYCenter", user).whole({0.0, 1080.0}).inRecord(&Z::yCenter),
    Row(Key::ContrastType, "contrastType", user)
        .choice({0.0, 1.0})
        .sentBy("setContrastType")
        .readBy(&D::getContrastType)
        .reports({"Configure contrast type OK", "Configure contrast type KO"})
        .readBack("Contrast type = ", Form::ContrastName),
    Row(Key::NucEnabled, "nucEnabled", user)
        .onOff()
        .sentBy("setNucEnabled")
        .readBy(&D::getNucEnabled)
        .reports({"Enable NUC OK", "Enable NUC KO"})
        .editReports({"Set NUC control OK", "Set NUC control value KO"})
        .readBack("NUC state = ", Form::Activation)
        // The bulk run sends NUC on as 1, where the NUC toggle itself sends 2.
        .toggledOnAs(2),
    Row(Key::HorizontalFlip, "horizontalFlip", user)
        .onOff()
        .sentBy("setHorizontalFlip")
        .readBy(&D::getHorizontalFlip)
        .reports({"Set IMAGE horizontal FLIP value OK", "Set IMAGE horizontal FLIP value KO"})
        .editReports({"Set HORIZONTAL FLIP value OK", "Set HORIZONTAL FLIP value KO"})
        .readBack("Horizontal flip = ", Form::Activation),
    Row(Key::VerticalFlip, "verticalFlip", user)
        .onOff()
        .sentBy("setVerticalFlip")
        .readBy(&D::getVerticalFlip)
        .reports({"Set IMAGE vertical FLIP value OK", "Set IMAGE vertical FLIP value KO"})
        .editReports({"Set VERTICAL FLIP value OK", "Set VERTICAL FLIP value KO"})
        .readBack("vertical flip = ", Form::Activation),
    Row(Key::VignettingCorrection, "vignettingCorrection", user)
        .onOff()
        .sentBy("setVignettingCorrection")
        .readBy(&D::getVignettingCorrection)
        .reports({"Set vignetting correction value OK", "Set vignetting correction value KO"})
        .readBack("Vignetting Correction state = ", Form::Activation),
    Row(Key::ColumnCorrection, "columnCorrection", user)
        .onOff()
        .sentBy("setColumnCorrection")
        .readBy(&D::getColumnCorrection)
        .reports({"Set column correction value OK", "Set column correction value KO"})
        .readBack("Column Correction state = ", Form::Activation),
    // GSK, GFID and TINT: the window sets their controls' ranges from the configuration's limits.
    Row(Key::Gsk, "gsk", expert)
        .whole()
        .limitedBy(&Configuration::gskMin, &Configuration::gskMax)
        .sentBy("setGsk")
        .readBy(&D::getGsk)
        .reports({"Set GSK value OK", "Set GSK value KO"})
        .readBack("GSK value = ", Form::Count),
    Row(Key::Gfid, "gfid", expert)
        .whole()
        .limitedBy(&Configuration::gfidMin, &Configuration::gfidMax)
        .sentBy("setGfid")
        .readBy(&D::getGfid)
        .reports({"Set GFID value OK", "Set GFID value KO"})
        .readBack("GFID value = ", Form::Count),
    Row(Key::Tint, "tint", expert)
        .whole()
        .limitedBy(&Configuration::tintMin, &Configuration::tintMax)
        .sentBy("setTint")
        .readBy(&D::getTint)
        .reports({"Set TINT value OK", "Set TINT value KO"})
        .readBack("TINT value = ", Form::Count),
    Row(Key::Gms, "gms", expert)
        // The form allows one more than the camera's unsigned 32 bits can hold.
        .whole({0.0, largestCount})
        .sentBy("setGms")
        .readBy(&D::getGms)
        .reports({"Set GMS value OK", "Set GMS value KO"})
        .readBack("GMS value = ", Form::Count)
        .refusalWithholdsApplied(),
    Row(Key::BprCorrection, "bpr", expert)
        .onOff()
        .sentBy("setBprCorrection")
        .readBy(&D::getBprCorrection)
        .reports({"Set BPR correction value OK", "Set BPR correction value KO"})
        .readBack("BPR state = ", Form::Enablement),
    Row(Key::OffsetCorrection, "offset", expert)
        .onOff()
        .sentBy("setOffsetCorrection")
        .readBy(&D::getOffsetCorrection)
        .reports({"Set Offset correction value OK", "Set Offset correction value KO"})
        .readBack("OFFSET state = ", Form::Enablement),
    Row(Key::GainCorrection, "gain", expert)
        .onOff()
        .sentBy("setGainCorrection")
        .readBy(&D::getGainCorrection)
        .reports({"Set Gain correction value OK", "Set Gain correction value KO"})
        .readBack("GAIN state = ", Form::Enablement),
    Row(Key::IaResizeMode, "iaResizeMode", ia)
        .choice({0.0, 4.0})
        .inRecord(&I::resizeMode)
        .readBack("IA resize mode = ", Form::Count),
    Row(Key::IaMaxBoxes, "iaMaxBoxes", ia)
        .whole({0.0, 100.0})
        .inRecord(&I::maxBoxes)
        .readBack("IA max boxes = ", Form::Count),
    Row(Key::IaSensitivity, "iaSensitivity", ia)
        .whole({0.0, 100.0})
        .inRecord(&I::sensitivity)
        .readBack("IA sensitivity = ", Form::Count),
    Row(Key::IaInterOverUnion, "iaInterOverUnion", ia)
        .whole({0.0, 100.0})
        .inRecord(&I::interOverUnion)
        .readBack("IA InterOU = ", Form::Count),
    Row(Key::IaOutputType, "iaOutputType", ia)
        .choice({0.0, 3.0})
        .inRecord(&I::outputType)
        .readBack("IA Output type = ", Form::Count),
    // The shutter's position is read through a byte of its own, which the window's read-back
    // handles itself.
    Row(Key::ShutterPosition, "shutterClosed", user)
        .onOff()
        .sentBy("setShutterPosition")
        .reports({"Set shutter position OK", "Set shutter position KO"})
        .outsideProfiles(),
    Row(Key::VideoOutput, "videoOutput", user)
        .choice({0.0, 8.0})
        .sentBy("setVideoOutput")
        .reports({"Set VIDEO OUTPUT value OK", "Set VIDEO OUTPUT value KO"})
        .outsideProfiles(),
    Row(Key::SerialNumber, "serialNumber", expert)
        .whole({0.0, largestCount})
        .sentBy("setSerialNumber")
        .readBy(&D::getSerialNumber)
        .reports(texts::serialNumberWrite)
        .readBack("Serial number = ", Form::Count)
        .outsideProfiles(),
};

constexpr std::size_t countProfileSettings()
{
    std::size_t count = 0;
    while (count < std::size(table) && table[count].inProfiles)
        ++count;
    return count;
}
constexpr std::size_t profileSettingCount = countProfileSettings();

constexpr bool everyKeyHasItsRow()
{
    if (std::size(table) != std::size_t(Key::Count))
        return false;
    for (std::size_t index = 0; index < std::size(table); ++index) {
        if (table[index].id != Key(index))
            return false;
    }
    return true;
}

constexpr bool profileSettingsFirst()
{
    for (std::size_t index = profileSettingCount; index < std::size(table); ++index) {
        if (table[index].inProfiles)
            return false;
    }
    return true;
}

constexpr std::size_t runPosition(Section section)
{
    std::size_t position = 0;
    while (sections[position] != section)
        ++position;
    return position;
}

constexpr bool profileSettingsInRunOrder()
{
    for (std::size_t index = 1; index < profileSettingCount; ++index) {
        if (runPosition(table[index].section) < runPosition(table[index - 1].section))
            return false;
    }
    return true;
}

constexpr bool recordFieldsTogether()
{
    for (std::size_t index = 1; index < std::size(table); ++index) {
        const Record record = recordHolding(table[index].field);
        if (record == Record::None || record == recordHolding(table[index - 1].field))
            continue;
        for (std::size_t earlier = 0; earlier < index; ++earlier) {
            if (recordHolding(table[earlier].field) == record)
                return false;
        }
    }
    return true;
}

constexpr bool everyRow(bool (*holds)(const Setting&))
{
    for (const Setting& setting : table) {
        if (!holds(setting))
            return false;
    }
    return true;
}

constexpr bool sentOneWay(const Setting& setting)
{
    const bool bySetter = !std::holds_alternative<std::monostate>(setting.set);
    const bool asField = !std::holds_alternative<std::monostate>(setting.field);
    const bool byGetter = !std::holds_alternative<std::monostate>(setting.get);
    return bySetter != asField && (bySetter || !byGetter);
}

constexpr bool reported(const Setting& setting)
{
    return setting.bulkTexts.ok && setting.bulkTexts.ko && setting.editTexts.ok &&
           setting.editTexts.ko;
}

constexpr bool ranged(const Setting& setting)
{
    return setting.range.minimum < setting.range.maximum ||
           (setting.configuredMinimum && setting.configuredMaximum);
}

constexpr bool eachSenderSendsOneSetting()
{
    for (const Sender& sender : senders) {
        std::size_t sent = 0;
        for (const Setting& setting : table) {
            if (setting.operation && std::string_view(setting.operation) == sender.name)
                ++sent;
        }
        if (sent != 1)
            return false;
    }
    return true;
}

// What the code relies on, checked where a newcomer adds a row.
static_assert(everyKeyHasItsRow(),
              "every key has exactly one row, and the rows stand in the order of their keys: "
              "setting(key) is table[key]");
static_assert(profileSettingsFirst(),
              "the settings profiles hold come first: settings() is the table's beginning");
static_assert(profileSettingsInRunOrder(),
              "the settings profiles hold stand in the order of sections: user, expert, IA");
static_assert(recordFieldsTogether(),
              "a record's fields stand together: a bulk run sends the record once, at its first "
              "field");
static_assert(everyRow(sentOneWay),
              "every row is sent by a setter (sentBy) or as a record field (inRecord), not both; "
              "a record field is read with its record, not by a getter");
static_assert(everyRow(reported), "every row has the OK and KO texts of its reports");
static_assert(everyRow(ranged),
              "every row has a range, or takes the configuration's limits (limitedBy)");
static_assert(eachSenderSendsOneSetting(), "each setter of senders sends exactly one row");

template <class Operation> struct ArgumentOf;
template <class Result, class Argument> struct ArgumentOf<Result (Device::*)(Argument)> {
    using type = Argument;
};

template <class Member> struct FieldOf;
template <class Type, class Holder> struct FieldOf<Type Holder::*> {
    using type = Type;
    using record = Holder;
};

template <class Holder> Holder& recordIn(Records& records)
{
    if constexpr (std::is_same_v<Holder, ZoomSettings>)
        return records.zoom;
    else
        return records.ia;
}

template <class Holder> const Holder& recordIn(const Records& records)
{
    return recordIn<Holder>(const_cast<Records&>(records));
}

} // namespace

const Setting& setting(Key key)
{
    return table[std::size_t(key)];
}

SettingList settings()
{
    return {table, profileSettingCount};
}

QString sectionName(Section section)
{
    switch (section) {
    case Section::User:
        return QStringLiteral("user");
    case Section::Expert:
        return QStringLiteral("expert");
    case Section::Ia:
        break;
    }
    return QStringLiteral("ia");
}

std::optional<Section> sectionNamed(const QString& name)
{
    for (Section section : sections) {
        if (sectionName(section) == name)
            return section;
    }
    return std::nullopt;
}

const Setting* findSetting(Section section, const QString& key)
{
    for (const Setting& setting : settings()) {
        if (setting.section == section && key == QLatin1String(setting.key))
            return &setting;
    }
    return nullptr;
}

const Setting* findSetting(const QString& name)
{
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        const auto section = sectionNamed(name.left(dot));
        return section ? findSetting(*section, name.mid(dot + 1)) : nullptr;
    }
    for (const Setting& setting : settings()) {
        if (name == QLatin1String(setting.key))
            return &setting;
    }
    return nullptr;
}

std::vector<BulkStep> bulkRun(Section section)
{
    std::vector<BulkStep> steps;
    Record previous = Record::None;
    for (const Setting& setting : settings()) {
        const Record record = recordOf(setting);
        if (setting.section == section && (record == Record::None || record != previous))
            steps.push_back({setting, record});
        previous = record;
    }
    return steps;
}

bool isRoiBound(Key key)
{
    return key == Key::RoiX1 || key == Key::RoiX2 || key == Key::RoiY1 || key == Key::RoiY2;
}

Key oppositeRoiBound(Key bound)
{
    switch (bound) {
    case Key::RoiX1:
        return Key::RoiX2;
    case Key::RoiX2:
        return Key::RoiX1;
    case Key::RoiY1:
        return Key::RoiY2;
    default:
        break;
    }
    Q_ASSERT(bound == Key::RoiY2);
    return Key::RoiY1;
}

bool roiOutOfOrder(Key bound, double value, double oppositeValue)
{
    const bool lowerBound = bound == Key::RoiX1 || bound == Key::RoiY1;
    return lowerBound ? value > oppositeValue : value < oppositeValue;
}

const Texts& textsOf(const Setting& setting, Run run)
{
    return run == Run::Bulk ? setting.bulkTexts : setting.editTexts;
}

double countsPerUnit(Encoding encoding)
{
    return encoding == Encoding::FixedPoint16  ? 65536.0
           : encoding == Encoding::FixedPoint8 ? 256.0
                                               : 1.0;
}

Record recordOf(const Setting& setting)
{
    return recordHolding(setting.field);
}

Range allowedRange(const Setting& setting, const Configuration& configuration)
{
    if (!setting.configuredMinimum)
        return setting.range;
    return {double(configuration.*setting.configuredMinimum),
            double(configuration.*setting.configuredMaximum)};
}

namespace {

// The type the camera takes a value in: a setter's argument, or a record field's type.
template <class Member> struct TakenAs {
    using type = typename FieldOf<Member>::type;
};
template <class Result, class Argument> struct TakenAs<Result (Device::*)(Argument)> {
    using type = Argument;
};

// The whole number in the type the camera takes it in; nothing when that type cannot hold it.
std::optional<double> heldAsTaken(const Setting& setting, double whole)
{
    const auto heldBy = [whole](const auto& members) {
        return std::visit(
            [whole](auto member) -> std::optional<double> {
                using Member = decltype(member);
                if constexpr (std::is_same_v<Member, std::monostate>) {
                    return std::nullopt;
                } else {
                    using Taken = typename TakenAs<Member>::type;
                    if constexpr (std::is_floating_point_v<Taken>)
                        return whole;
                    else if (const auto held = truncatedToFit<Taken>(whole))
                        return double(*held);
                    return std::nullopt;
                }
            },
            members);
    };
    return std::holds_alternative<std::monostate>(setting.set) ? heldBy(setting.field)
                                                               : heldBy(setting.set);
}

} // namespace

std::optional<double> toCamera(const Setting& setting, double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    switch (setting.encoding) {
    case Encoding::Single:
        if (std::fabs(value) > double(std::numeric_limits<float>::max()))
            return std::nullopt;
        return double(float(value));
    case Encoding::FixedPoint16:
    case Encoding::FixedPoint8:
        if (const auto count =
                truncatedToFit<std::uint32_t>(value * countsPerUnit(setting.encoding)))
            return double(*count);
        return std::nullopt;
    case Encoding::Plain:
        break;
    }
    return heldAsTaken(setting, std::trunc(value));
}

double fromCamera(const Setting& setting, double cameraValue)
{
    const double scale = countsPerUnit(setting.encoding);
    // The window divides the count in single precision, widened, by the scale in double.
    return scale == 1.0 ? cameraValue : double(float(cameraValue)) / scale;
}

QString valueText(const Setting& setting, double cameraValue)
{
    if (setting.kind == Kind::Switch)
        return cameraValue != 0.0 ? QStringLiteral("true") : QStringLiteral("false");
    const double value = fromCamera(setting, cameraValue);
    constexpr int readBackDigits = 6;
    constexpr int exactDigits = 17;
    for (int digits = readBackDigits; digits < exactDigits; ++digits) {
        const QString text = QString::number(value, 'g', digits);
        if (toCamera(setting, text.toDouble()) == cameraValue)
            return text;
    }
    return QString::number(value, 'g', exactDigits);
}

std::string readBackLine(const Setting& setting, double cameraValue)
{
    std::ostringstream line;
    if (setting.readBack.label)
        line << setting.readBack.label;
    const bool on = cameraValue != 0.0;
    switch (setting.readBack.form) {
    case ReadBackForm::Number:
        line << fromCamera(setting, cameraValue);
        break;
    case ReadBackForm::Count:
        line << QString::number(cameraValue, 'f', 0).toStdString();
        break;
    case ReadBackForm::Flag:
        line << (on ? 1 : 0);
        break;
    case ReadBackForm::Activation:
        line << (on ? "Activated" : "Deactivated");
        break;
    case ReadBackForm::Enablement:
        line << (on ? "Enabled" : "Disabled");
        break;
    case ReadBackForm::ContrastName:
        line << (on ? "CLAHE (LOCAL)" : "CLHE (ROI)");
        break;
    case ReadBackForm::None:
        break;
    }
    return line.str();
}

bool send(const Setting& setting, Device& device, double cameraValue)
{
    return std::visit(
        [&](auto operation) {
            using Operation = decltype(operation);
            if constexpr (std::is_same_v<Operation, std::monostate>) {
                return false;
            } else {
                using Argument = typename ArgumentOf<Operation>::type;
                return (device.*operation)(static_cast<Argument>(cameraValue));
            }
        },
        setting.set);
}

bool sendSwitch(const Setting& setting, Device& device, bool on, Run run)
{
    return send(setting, device, on ? (run == Run::Edit ? setting.toggledOn : 1.0) : 0.0);
}

double read(const Setting& setting, Device& device)
{
    return std::visit(
        [&](auto operation) {
            if constexpr (std::is_same_v<decltype(operation), std::monostate>)
                return 0.0;
            else
                return double((device.*operation)());
        },
        setting.get);
}

void put(const Setting& setting, Records& records, double cameraValue)
{
    std::visit(
        [&](auto field) {
            using Field = decltype(field);
            if constexpr (!std::is_same_v<Field, std::monostate>) {
                using Value = typename FieldOf<Field>::type;
                recordIn<typename FieldOf<Field>::record>(records).*field =
                    static_cast<Value>(cameraValue);
            }
        },
        setting.field);
}

double take(const Setting& setting, const Records& records)
{
    return std::visit(
        [&](auto field) {
            using Field = decltype(field);
            if constexpr (std::is_same_v<Field, std::monostate>)
                return 0.0;
            else
                return double(recordIn<typename FieldOf<Field>::record>(records).*field);
        },
        setting.field);
}

bool sendRecord(Record record, Device& device, const Records& records)
{
    switch (record) {
    case Record::Zoom:
        return device.setZoom(&records.zoom);
    case Record::Ia:
        return device.setIaConfiguration(&records.ia);
    case Record::None:
        break;
    }
    return false;
}

bool readRecord(Record record, Device& device, Records& records)
{
    constexpr std::uint8_t readSucceeded = 1;
    switch (record) {
    case Record::Zoom:
        return device.getZoom(&records.zoom);
    case Record::Ia:
        return device.getIaConfiguration(&records.ia) == readSucceeded;
    case Record::None:
        break;
    }
    return false;
}

} // namespace camera
