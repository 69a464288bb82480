#include "transfer.h"

#include "camerareports.h"
#include "sdkaccess.h"

#include <QJsonArray>

#include <algorithm>
#include <map>
#include <set>

using camera::Record;
using camera::Section;
using camera::Setting;

namespace cli {
namespace {

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

// A value read has no status: a camera that refuses it answers 0, which counts as refused where 0
// is no value the setting may take. Elsewhere such a refusal cannot be told from a 0.
std::optional<double> readValue(const Setting& setting, orvex_sdk::Device& device)
{
    const double value = camera::read(setting, device);
    const camera::Range range = camera::allowedRange(setting, sdkaccess::configuration());
    if (value == 0.0 && !(range.minimum <= 0.0 && range.maximum >= 0.0))
        return std::nullopt;
    return value;
}

// Reads each record once, when a setting first needs it. A read the camera refuses is reported
// once and counts as refused; one that a camera gone away fails makes the run unreachable.
class RecordReader
{
public:
    RecordReader(CameraRun& run, orvex_sdk::Device& device) : run_(run), device_(device) {}

    // The camera's value of any setting, or nothing when it could not be read.
    std::optional<double> value(const Setting& setting)
    {
        const Record record = camera::recordOf(setting);
        if (record == Record::None) {
            const auto value = readValue(setting, device_);
            if (!value)
                failed(Cli::tr("Unable to read %1").arg(QLatin1String(setting.key)));
            return value;
        }
        const auto known = read_.find(record);
        const bool readable = known != read_.end()
                                  ? known->second
                                  : (read_[record] = camera::readRecord(record, device_, records_));
        if (known == read_.end() && !readable)
            failed(unreadableText(record));
        return readable ? std::optional<double>(camera::take(setting, records_)) : std::nullopt;
    }

    // Whether every read asked for was answered.
    bool complete() const { return complete_; }

private:
    void failed(const QString& report)
    {
        complete_ = false;
        if (!run_.answers())
            return;
        run_.report(report);
        run_.worsen(Refused);
    }

    CameraRun& run_;
    orvex_sdk::Device& device_;
    camera::Records records_;
    std::map<Record, bool> read_;
    bool complete_ = true;
};

} // namespace

Profile readProfile(CameraRun& run, const OpenCamera& camera)
{
    orvex_sdk::Device& device = *camera.device();
    device.prepareParameterRead();
    const bool expert = sdkaccess::configuration().isExpertModeEnabled();
    const bool detector = camera.cameraType() == camera::cameraTypeWithDetector;
    RecordReader reader(run, device);
    Profile profile;
    for (const Setting& setting : camera::settings()) {
        if ((setting.section == Section::Expert && !expert) ||
            (setting.section == Section::Ia && !detector))
            continue;
        if (run.stopRequested()) {
            run.interrupt(
                Cli::tr("interrupted: not every setting was read, so there is no profile"));
            return profile;
        }
        if (const auto value = reader.value(setting))
            profile.set(setting, *value);
        if (run.unreachable())
            return profile;
    }
    // A camera gone during the reads answers false and 0, which pass for values of many settings:
    // only a camera that still answers afterwards said what was read.
    if (!run.answers())
        return profile;
    for (const QString& problem : problemsOf(profile))
        run.report(Cli::tr("%1; written as read, though apply does not take it").arg(problem));
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
    for (const camera::Key lowerBound : camera::lowerRoiBounds) {
        const Setting& lower = camera::setting(lowerBound);
        const Setting& upper = camera::setting(camera::oppositeRoiBound(lowerBound));
        const QLatin1String lowerKey(lower.key);
        const QLatin1String upperKey(upper.key);
        const ProfileEntry* lowerEntry = profile.find(lower);
        const ProfileEntry* upperEntry = profile.find(upper);
        if (bool(lowerEntry) == bool(upperEntry))
            continue;
        const QLatin1String given(lowerEntry ? lowerKey : upperKey);
        const QLatin1String held(lowerEntry ? upperKey : lowerKey);
        const auto camerasBound = readValue(lowerEntry ? upper : lower, *camera.device());
        if (!camerasBound) {
            if (run.answers())
                run.fail(BadInput, Cli::tr("the camera's %1 could not be read, so the profile's %2 "
                                           "cannot be checked against it; nothing was sent")
                                       .arg(held, given));
            return false;
        }
        const double lowerValue = lowerEntry ? lowerEntry->cameraValue : *camerasBound;
        const double upperValue = upperEntry ? upperEntry->cameraValue : *camerasBound;
        if (camera::roiOutOfOrder(lowerBound, lowerValue, upperValue)) {
            run.fail(BadInput, Cli::tr("the profile's %1 with the camera's %2 gives %3 = %4 above "
                                       "%5 = %6; a region of interest needs %3 at most %5; "
                                       "nothing was sent")
                                   .arg(given, held, lowerKey, QString::number(lowerValue),
                                        upperKey, QString::number(upperValue)));
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

    std::vector<camera::BulkStep> steps;
    for (const Section section : camera::sections) {
        for (const camera::BulkStep& step : camera::bulkRun(section)) {
            if (step.record == Record::None ? profile.find(step.setting) != nullptr
                                            : profile.has(step.record))
                steps.push_back(step);
        }
    }
    bool withheld = false;
    for (std::size_t sent = 0; sent < steps.size(); ++sent) {
        if (run.stopRequested()) {
            run.interrupt(Cli::tr("interrupted after %1 of %2 sends; the rest were not sent")
                              .arg(QString::number(sent), QString::number(steps.size())));
            // Nothing sent, nothing to tell the SDK of.
            if (sent == 0)
                return;
            break;
        }
        const camera::BulkStep& step = steps[sent];
        bool accepted = false;
        if (step.record == Record::None) {
            accepted = camera::send(step.setting, device, profile.find(step.setting)->cameraValue);
            withheld = withheld || (!accepted && step.setting.refusalWithholdsApplied);
        } else if (unreadable.count(step.record)) {
            run.report(unreadableText(step.record));
        } else {
            accepted = camera::sendRecord(step.record, device, records);
        }
        run.outcome(accepted, step.setting.bulkTexts);
        if (run.unreachable())
            return;
    }

    if (withheld)
        run.report(QString::fromLatin1(camera::texts::expertNotTransmitted));
    else
        sdkaccess::root().notifyParametersApplied();
}

void verifyProfile(CameraRun& run, orvex_sdk::Device& device, const Profile& profile)
{
    RecordReader reader(run, device);
    QJsonArray differing;
    const std::vector<ProfileEntry>& entries = profile.entries();
    for (const ProfileEntry& entry : entries) {
        if (run.stopRequested()) {
            run.interrupt(Cli::tr("interrupted: %1 of %2 settings read back; nothing was verified")
                              .arg(QString::number(&entry - entries.data()),
                                   QString::number(entries.size())));
            return;
        }
        const Setting& setting = *entry.setting;
        const auto actual = reader.value(setting);
        if (run.unreachable())
            return;
        if (!actual || *actual == entry.cameraValue)
            continue;
        if (!run.answers())
            return;
        const QString wanted = camera::valueText(setting, entry.cameraValue);
        const QString held = camera::valueText(setting, *actual);
        run.report(Cli::tr("%1 differs: profile %2, camera %3")
                       .arg(QLatin1String(setting.key), wanted, held));
        run.worsen(Refused);
        differing.append(QJsonObject{{QStringLiteral("key"), QLatin1String(setting.key)},
                                     {QStringLiteral("profile"), wanted},
                                     {QStringLiteral("camera"), held}});
    }
    // False and 0, which a camera gone answers, may be what the profile holds.
    if (!run.answers())
        return;
    if (differing.isEmpty() && reader.complete())
        run.report(Cli::tr("verified: the camera holds every setting of the profile"));
    run.details().insert(QStringLiteral("differing"), differing);
}

} // namespace cli
