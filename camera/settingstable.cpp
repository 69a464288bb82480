#include "settingstable.h"

#include "camerareports.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace camera {
namespace {

using orvex_sdk::Configuration;
using orvex_sdk::IaConfiguration;
using orvex_sdk::ZoomSettings;

constexpr Range onOff{0.0, 1.0};
constexpr double largestCount = double(std::numeric_limits<std::uint32_t>::max());

Setting number(const char* key, Section section, Kind kind, Encoding encoding, Range range,
               const char* operation, Setter set, Getter get, const char* okText,
               const char* koText)
{
    return {key,       section, kind, encoding, range,  nullptr, nullptr,
            operation, set,     get,  {},       okText, koText};
}

Setting toggle(const char* key, Section section, const char* operation, Setter set, Getter get,
               const char* okText, const char* koText)
{
    return number(key, section, Kind::Switch, Encoding::Plain, onOff, operation, set, get, okText,
                  koText);
}

// GSK, GFID and TINT: the window sets their controls' ranges from the configuration's limits.
Setting expertConstant(const char* key, std::int32_t Configuration::*minimum,
                       std::int32_t Configuration::*maximum, const char* operation, Setter set,
                       Getter get, const char* okText, const char* koText)
{
    Setting setting = number(key, Section::Expert, Kind::Whole, Encoding::Plain, {}, operation, set,
                             get, okText, koText);
    setting.configuredMinimum = minimum;
    setting.configuredMaximum = maximum;
    return setting;
}

// A field of a record the camera takes whole: sent with the record's operation and texts.
Setting recordField(const char* key, Section section, Kind kind, Encoding encoding, Range range,
                    RecordField field, const char* operation, const char* okText,
                    const char* koText)
{
    Setting setting =
        number(key, section, kind, encoding, range, operation, {}, {}, okText, koText);
    setting.field = field;
    return setting;
}

Setting zoomField(const char* key, Kind kind, Encoding encoding, Range range, RecordField field)
{
    return recordField(key, Section::User, kind, encoding, range, field, "setZoom",
                       "Configure Zoom OK", "Configure Zoom KO");
}

Setting iaField(const char* key, Kind kind, Range range, RecordField field)
{
    return recordField(key, Section::Ia, kind, Encoding::Plain, range, field, "setIaConfiguration",
                       "Set IA config OK", "Set IA config KO");
}

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

const std::vector<Setting>& settings()
{
    using D = Device;
    using Z = ZoomSettings;
    using I = IaConfiguration;
    const Section user = Section::User;
    const Section expert = Section::Expert;
    static const std::vector<Setting> table{
        number("gamma", user, Kind::Real, Encoding::FixedPoint16, {0.5, 2.5}, "setGamma",
               &D::setGamma, &D::getGamma, "Set GAMMA value OK", "Set GAMMA value KO"),
        number("clhe", user, Kind::Whole, Encoding::Plain, {0.0, 30000.0}, "setClhe", &D::setClhe,
               &D::getClhe, "Set CLHE value OK", "Set CLHE value KO"),
        number("sharpening", user, Kind::Real, Encoding::FixedPoint8, {0.0, 4.0}, "setSharpening",
               &D::setSharpening, &D::getSharpening, "Set SHARPENING value OK",
               "Set SHARPENING value KO"),
        number("roiX1", user, Kind::Whole, Encoding::Plain, {5.0, 1275.0}, "setRoiX1", &D::setRoiX1,
               &D::getRoiX1, "Set ROI X1 value OK", "Set ROI X1 value KO"),
        number("roiY1", user, Kind::Whole, Encoding::Plain, {5.0, 1019.0}, "setRoiY1", &D::setRoiY1,
               &D::getRoiY1, "Set ROI Y1 value OK", "Set ROI Y1 value KO"),
        number("roiX2", user, Kind::Whole, Encoding::Plain, {5.0, 1275.0}, "setRoiX2", &D::setRoiX2,
               &D::getRoiX2, "Set ROI X2 value OK", "Set ROI X2 value KO"),
        number("roiY2", user, Kind::Whole, Encoding::Plain, {5.0, 1019.0}, "setRoiY2", &D::setRoiY2,
               &D::getRoiY2, "Set ROI Y2 value OK", "Set ROI Y2 value KO"),
        toggle("polarity", user, "setPolarity", &D::setPolarity, &D::getPolarity,
               "Set POLARITY value OK", "Set POLARITY value KO"),
        zoomField("zoomFactor", Kind::Real, Encoding::Single, {1.0, 8.0}, &Z::factor),
        zoomField("zoomMethod", Kind::Choice, Encoding::Plain, {0.0, 1.0}, &Z::method),
        zoomField("zoomXCenter", Kind::Whole, Encoding::Plain, {0.0, 1920.0}, &Z::xCenter),
        zoomField("zoomYCenter", Kind::Whole, Encoding::Plain, {0.0, 1080.0}, &Z::yCenter),
        number("contrastType", user, Kind::Choice, Encoding::Plain, {0.0, 1.0}, "setContrastType",
               &D::setContrastType, &D::getContrastType, "Configure contrast type OK",
               "Configure contrast type KO"),
        // The bulk run sends NUC on as 1, where the NUC toggle itself sends 2.
        toggle("nucEnabled", user, "setNucEnabled", &D::setNucEnabled, &D::getNucEnabled,
               "Enable NUC OK", "Enable NUC KO"),
        toggle("horizontalFlip", user, "setHorizontalFlip", &D::setHorizontalFlip,
               &D::getHorizontalFlip, "Set IMAGE horizontal FLIP value OK",
               "Set IMAGE horizontal FLIP value KO"),
        toggle("verticalFlip", user, "setVerticalFlip", &D::setVerticalFlip, &D::getVerticalFlip,
               "Set IMAGE vertical FLIP value OK", "Set IMAGE vertical FLIP value KO"),
        toggle("vignettingCorrection", user, "setVignettingCorrection", &D::setVignettingCorrection,
               &D::getVignettingCorrection, "Set vignetting correction value OK",
               "Set vignetting correction value KO"),
        toggle("columnCorrection", user, "setColumnCorrection", &D::setColumnCorrection,
               &D::getColumnCorrection, "Set column correction value OK",
               "Set column correction value KO"),
        expertConstant("gsk", &Configuration::gskMin, &Configuration::gskMax, "setGsk", &D::setGsk,
                       &D::getGsk, "Set GSK value OK", "Set GSK value KO"),
        expertConstant("gfid", &Configuration::gfidMin, &Configuration::gfidMax, "setGfid",
                       &D::setGfid, &D::getGfid, "Set GFID value OK", "Set GFID value KO"),
        expertConstant("tint", &Configuration::tintMin, &Configuration::tintMax, "setTint",
                       &D::setTint, &D::getTint, "Set TINT value OK", "Set TINT value KO"),
        // The form allows one more than the camera's unsigned 32 bits can hold.
        number("gms", expert, Kind::Whole, Encoding::Plain, {0.0, largestCount}, "setGms",
               &D::setGms, &D::getGms, "Set GMS value OK", "Set GMS value KO"),
        toggle("bpr", expert, "setBprCorrection", &D::setBprCorrection, &D::getBprCorrection,
               "Set BPR correction value OK", "Set BPR correction value KO"),
        toggle("offset", expert, "setOffsetCorrection", &D::setOffsetCorrection,
               &D::getOffsetCorrection, "Set Offset correction value OK",
               "Set Offset correction value KO"),
        toggle("gain", expert, "setGainCorrection", &D::setGainCorrection, &D::getGainCorrection,
               "Set Gain correction value OK", "Set Gain correction value KO"),
        iaField("iaResizeMode", Kind::Choice, {0.0, 4.0}, &I::resizeMode),
        iaField("iaMaxBoxes", Kind::Whole, {0.0, 100.0}, &I::maxBoxes),
        iaField("iaSensitivity", Kind::Whole, {0.0, 100.0}, &I::sensitivity),
        iaField("iaInterOverUnion", Kind::Whole, {0.0, 100.0}, &I::interOverUnion),
        iaField("iaOutputType", Kind::Choice, {0.0, 3.0}, &I::outputType),
    };
    return table;
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
    for (Section section : {Section::User, Section::Expert, Section::Ia}) {
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

const Setting& knownSetting(const char* key)
{
    const Setting* setting = findSetting(QLatin1String(key));
    if (!setting)
        qFatal("the camera's table has no setting %s", key);
    return *setting;
}

double countsPerUnit(Encoding encoding)
{
    return encoding == Encoding::FixedPoint16  ? 65536.0
           : encoding == Encoding::FixedPoint8 ? 256.0
                                               : 1.0;
}

Record recordOf(const Setting& setting)
{
    if (std::holds_alternative<std::monostate>(setting.field))
        return Record::None;
    return std::holds_alternative<std::uint8_t IaConfiguration::*>(setting.field) ? Record::Ia
                                                                                  : Record::Zoom;
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
