#include "transfer.h"

#include "camerareports.h"

#include <QJsonArray>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

using camera::Record;
using camera::Section;
using camera::Setting;

namespace cli {
namespace {

orvex_sdk::IOrvexSdk& sdk()
{
    return *orvex_sdk::OrvexSdk::get_instance();
}

QString unreadableText(Record record)
{
    return record == Record::Ia ? QString::fromLatin1(camera::texts::iaUnreadable)
                                : QStringLiteral("Unable to read zoom settings");
}

bool holdsEveryField(const Profile& profile, Record record)
{
    for (const Setting& setting : camera::settings()) {
        if (camera::recordOf(setting) == record && !profile.find(setting))
            return false;
    }
    return true;
}

// Reads each record once, when a setting first needs it; a refused read is reported once.
class RecordReader
{
public:
    RecordReader(CameraRun& run, orvex_sdk::Device& device) : run_(run), device_(device) {}

    // The record's field, or nothing when the camera refused to give the record.
    std::optional<double> field(const Setting& setting)
    {
        const Record record = camera::recordOf(setting);
        const auto known = read_.find(record);
        const bool readable = known != read_.end()
                                  ? known->second
                                  : (read_[record] = camera::readRecord(record, device_, records_));
        if (known == read_.end() && !readable) {
            run_.report(unreadableText(record));
            run_.worsen(Refused);
        }
        return readable ? std::optional<double>(camera::take(setting, records_)) : std::nullopt;
    }

    // The camera's value of any setting.
    std::optional<double> value(const Setting& setting)
    {
        if (camera::recordOf(setting) == Record::None)
            return camera::read(setting, device_);
        return field(setting);
    }

    // Whether every record asked for was given.
    bool complete() const
    {
        return std::all_of(read_.begin(), read_.end(),
                           [](const auto& known) { return known.second; });
    }

private:
    CameraRun& run_;
    orvex_sdk::Device& device_;
    camera::Records records_;
    std::map<Record, bool> read_;
};

} // namespace

Profile readProfile(CameraRun& run, const OpenCamera& camera)
{
    orvex_sdk::Device& device = *camera.device();
    device.prepareParameterRead();
    const bool expert = sdk().getConfiguration()->isExpertModeEnabled();
    const bool detector = camera.cameraType() == camera::cameraTypeWithDetector;
    RecordReader reader(run, device);
    Profile profile;
    for (const Setting& setting : camera::settings()) {
        if ((setting.section == Section::Expert && !expert) ||
            (setting.section == Section::Ia && !detector))
            continue;
        if (const auto value = reader.value(setting))
            profile.set(setting, *value);
    }
    return profile;
}

bool fitsCamera(CameraRun& run, const OpenCamera& camera, const Profile& profile)
{
    if (profile.has(Section::Ia) && camera.cameraType() != camera::cameraTypeWithDetector) {
        run.fail(BadInput, Cli::tr("the profile has [ia] settings, but this camera (type %1) has "
                                   "no object detector; nothing was sent")
                               .arg(camera.cameraType()));
        return false;
    }
    const std::pair<const char*, const char*> bounds[] = {{"roiX1", "roiX2"}, {"roiY1", "roiY2"}};
    for (const auto& [lowerKey, upperKey] : bounds) {
        const Setting& lower = *camera::findSetting(QLatin1String(lowerKey));
        const Setting& upper = *camera::findSetting(QLatin1String(upperKey));
        const ProfileEntry* lowerEntry = profile.find(lower);
        const ProfileEntry* upperEntry = profile.find(upper);
        if (bool(lowerEntry) == bool(upperEntry))
            continue;
        const double lowerValue =
            lowerEntry ? lowerEntry->cameraValue : camera::read(lower, *camera.device());
        const double upperValue =
            upperEntry ? upperEntry->cameraValue : camera::read(upper, *camera.device());
        if (lowerValue > upperValue) {
            run.fail(BadInput, Cli::tr("the profile's %1 with the camera's %2 gives %1 = %3 above "
                                       "%2 = %4; a region of interest needs %1 at most %2; "
                                       "nothing was sent")
                                   .arg(QLatin1String(lowerEntry ? lowerKey : upperKey),
                                        QLatin1String(lowerEntry ? upperKey : lowerKey))
                                   .arg(lowerValue)
                                   .arg(upperValue));
            return false;
        }
    }
    return true;
}

void applyProfile(CameraRun& run, orvex_sdk::Device& device, const Profile& profile)
{
    // A record the profile fills only in part keeps the camera's other fields.
    camera::Records records;
    std::set<Record> unreadable;
    for (Record record : {Record::Zoom, Record::Ia}) {
        if (profile.has(record) && !holdsEveryField(profile, record) &&
            !camera::readRecord(record, device, records))
            unreadable.insert(record);
    }
    for (const ProfileEntry& entry : profile.entries()) {
        if (camera::recordOf(*entry.setting) != Record::None)
            camera::put(*entry.setting, records, entry.cameraValue);
    }

    std::set<Record> sent;
    bool gmsRefused = false;
    for (const ProfileEntry& entry : profile.entries()) {
        const Setting& setting = *entry.setting;
        const Record record = camera::recordOf(setting);
        bool accepted = false;
        if (record == Record::None) {
            accepted = camera::send(setting, device, entry.cameraValue);
            gmsRefused = gmsRefused || (!accepted && std::strcmp(setting.key, "gms") == 0);
        } else if (!sent.insert(record).second) {
            continue;
        } else if (unreadable.count(record)) {
            run.report(unreadableText(record));
        } else {
            accepted = camera::sendRecord(record, device, records);
        }
        run.outcome(accepted, setting.okText, setting.koText);
    }

    if (gmsRefused)
        run.report(QString::fromLatin1(camera::texts::expertNotTransmitted));
    else
        sdk().notifyParametersApplied();
}

void verifyProfile(CameraRun& run, orvex_sdk::Device& device, const Profile& profile)
{
    RecordReader reader(run, device);
    QJsonArray differing;
    for (const ProfileEntry& entry : profile.entries()) {
        const Setting& setting = *entry.setting;
        const auto actual = reader.value(setting);
        if (!actual || *actual == entry.cameraValue)
            continue;
        const QString wanted = camera::valueText(setting, entry.cameraValue);
        const QString held = camera::valueText(setting, *actual);
        run.report(Cli::tr("%1 differs: profile %2, camera %3")
                       .arg(QLatin1String(setting.key), wanted, held));
        run.worsen(Refused);
        differing.append(QJsonObject{{QStringLiteral("key"), QLatin1String(setting.key)},
                                     {QStringLiteral("profile"), wanted},
                                     {QStringLiteral("camera"), held}});
    }
    if (differing.isEmpty() && reader.complete())
        run.report(Cli::tr("verified: the camera holds every setting of the profile"));
    run.details().insert(QStringLiteral("differing"), differing);
}

} // namespace cli
