#include "camerastate.h"

#include "guardedfile.h"
#include "inifile.h"
#include "wholefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <utility>

namespace orvex_sim {
namespace {

constexpr int lockWaitMs = 5000;
const QString sectionPrefix = QStringLiteral("camera.");

// Whether a problem of the file at path is yet to be reported in this process. Every reader of
// one file shares this, so that a problem is said once however many read it: the stand-in's own
// and a program's that follows what others change (orvexhd-preview, from another thread).
QMutex reportsMutex;
std::set<std::pair<QString, std::string>> reports;

bool firstReport(const QString& path, const char* problem)
{
    const QMutexLocker lock(&reportsMutex);
    return reports.emplace(path, problem).second;
}

QString textOf(const SettingField& field)
{
    return std::visit(
        [](auto* value) {
            using Value = std::remove_pointer_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, bool>)
                return *value ? QStringLiteral("true") : QStringLiteral("false");
            else if constexpr (std::is_same_v<Value, float>)
                return QString::number(double(*value), 'g', 9); // gives back the very float
            else
                return QString::number(*value);
        },
        field);
}

// Stores the value written as text, when it is one the field can hold.
bool parseInto(const SettingField& field, const QString& text)
{
    return std::visit(
        [&](auto* value) {
            using Value = std::remove_pointer_t<decltype(value)>;
            bool ok = false;
            if constexpr (std::is_same_v<Value, bool>) {
                ok = text == QLatin1String("true") || text == QLatin1String("false");
                if (ok)
                    *value = text == QLatin1String("true");
            } else if constexpr (std::is_same_v<Value, float>) {
                const double number = text.toDouble(&ok);
                ok = ok && std::isfinite(number) &&
                     std::fabs(number) <= double(std::numeric_limits<float>::max());
                if (ok)
                    *value = float(number);
            } else {
                const qlonglong number = text.toLongLong(&ok);
                ok = ok && number >= qlonglong(std::numeric_limits<Value>::min()) &&
                     number <= qlonglong(std::numeric_limits<Value>::max());
                if (ok)
                    *value = Value(number);
            }
            return ok;
        },
        field);
}

const KeptSetting* keptSetting(const QString& key)
{
    for (const KeptSetting& kept : keptSettings()) {
        if (key == QLatin1String(kept.key))
            return &kept;
    }
    return nullptr;
}

std::map<QString, QString> textsOf(CameraSettings& settings)
{
    std::map<QString, QString> texts;
    for (const KeptSetting& kept : keptSettings())
        texts[QLatin1String(kept.key)] = textOf(kept.field(settings));
    return texts;
}

void layOver(CameraSettings& settings, const std::map<QString, QString>& kept)
{
    for (const auto& [key, value] : kept)
        parseInto(keptSetting(key)->field(settings), value);
}

} // namespace

const std::vector<KeptSetting>& keptSettings()
{
    const auto kept = [](const char* key, SettingField (*field)(CameraSettings&)) {
        return KeptSetting{key, field};
    };
    using C = CameraSettings;
    using F = SettingField;
    static const std::vector<KeptSetting> table{
        kept("serialNumber", [](C& c) -> F { return &c.serialNumber; }),
        kept("shutterClosed", [](C& c) -> F { return &c.shutterClosed; }),
        kept("gamma", [](C& c) -> F { return &c.gamma; }),
        kept("clhe", [](C& c) -> F { return &c.clhe; }),
        kept("sharpening", [](C& c) -> F { return &c.sharpening; }),
        kept("roiX1", [](C& c) -> F { return &c.roiX1; }),
        kept("roiX2", [](C& c) -> F { return &c.roiX2; }),
        kept("roiY1", [](C& c) -> F { return &c.roiY1; }),
        kept("roiY2", [](C& c) -> F { return &c.roiY2; }),
        kept("polarity", [](C& c) -> F { return &c.polarity; }),
        kept("zoomFactor", [](C& c) -> F { return &c.zoom.factor; }),
        kept("zoomXCenter", [](C& c) -> F { return &c.zoom.xCenter; }),
        kept("zoomYCenter", [](C& c) -> F { return &c.zoom.yCenter; }),
        kept("zoomMethod", [](C& c) -> F { return &c.zoom.method; }),
        kept("contrastType", [](C& c) -> F { return &c.contrastType; }),
        kept("nucState", [](C& c) -> F { return &c.nucState; }),
        kept("nucRequests", [](C& c) -> F { return &c.nucRequests; }),
        kept("horizontalFlip", [](C& c) -> F { return &c.horizontalFlip; }),
        kept("verticalFlip", [](C& c) -> F { return &c.verticalFlip; }),
        kept("vignettingCorrection", [](C& c) -> F { return &c.vignettingCorrection; }),
        kept("columnCorrection", [](C& c) -> F { return &c.columnCorrection; }),
        kept("bprCorrection", [](C& c) -> F { return &c.bprCorrection; }),
        kept("offsetCorrection", [](C& c) -> F { return &c.offsetCorrection; }),
        kept("gainCorrection", [](C& c) -> F { return &c.gainCorrection; }),
        kept("videoOutput", [](C& c) -> F { return &c.videoOutput; }),
        kept("gsk", [](C& c) -> F { return &c.gsk; }),
        kept("gfid", [](C& c) -> F { return &c.gfid; }),
        kept("gms", [](C& c) -> F { return &c.gms; }),
        kept("tint", [](C& c) -> F { return &c.tint; }),
        kept("iaResizeMode", [](C& c) -> F { return &c.ia.resizeMode; }),
        kept("iaMaxBoxes", [](C& c) -> F { return &c.ia.maxBoxes; }),
        kept("iaSensitivity", [](C& c) -> F { return &c.ia.sensitivity; }),
        kept("iaInterOverUnion", [](C& c) -> F { return &c.ia.interOverUnion; }),
        kept("iaOutputType", [](C& c) -> F { return &c.ia.outputType; }),
    };
    return table;
}

void readKeptSettings(IniFile& ini, const QString& section, CameraSettings& settings)
{
    for (const KeptSetting& kept : keptSettings()) {
        std::visit([&](auto* value) { ini.read(section, QLatin1String(kept.key), *value); },
                   kept.field(settings));
    }
}

void StateFile::reportUnreadable(const QString& why)
{
    if (firstReport(path_, "unreadable"))
        reportConfigurationProblem(QStringLiteral("state file %1 %2; the configured values are "
                                                  "used, and changes are not kept")
                                       .arg(path_, why));
}

// The file as a whole, or nothing: a file damaged anywhere is not trusted anywhere.
StateFile::Reading StateFile::readSections(Sections& sections)
{
    sections.clear();
    QFile file;
    const GuardedOpen opened = openGuarded(file, path_, QIODevice::ReadOnly);
    if (opened.outcome == GuardedOpen::Missing || opened.outcome == GuardedOpen::NullDevice)
        return Reading::Read;
    QString why = opened.why;
    QByteArray bytes;
    if (opened.outcome == GuardedOpen::Opened && file.size() > files::largestFile)
        why = QStringLiteral("is larger than %1 MiB").arg(files::largestFile >> 20);
    else if (opened.outcome == GuardedOpen::Opened) {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            why = QStringLiteral("cannot be read (%1)").arg(file.errorString());
    }
    if (!why.isEmpty()) {
        reportUnreadable(why);
        return Reading::Unreadable;
    }
    const ini::Document document = ini::parse(bytes);
    std::map<int, QString> problems; // by line: the first is reported
    for (const ini::Problem& problem : document.problems)
        problems.emplace(problem.line, problem.text);
    for (const ini::Section& section : document.sections) {
        const QString port = section.name.mid(sectionPrefix.size());
        if (section.line > 0 && (!section.name.startsWith(sectionPrefix) || port.isEmpty()))
            problems.emplace(section.line,
                             QStringLiteral("[%1] is no [camera.PORT] section").arg(section.name));
        for (const ini::Entry& entry : section.entries) {
            const KeptSetting* kept = keptSetting(entry.key);
            CameraSettings scratch;
            if (section.line == 0)
                problems.emplace(entry.line, QStringLiteral("%1 stands outside any [camera.PORT] "
                                                            "section")
                                                 .arg(entry.key));
            else if (!kept)
                problems.emplace(entry.line,
                                 QStringLiteral("%1 is no setting a camera keeps").arg(entry.key));
            else if (!parseInto(kept->field(scratch), entry.value))
                problems.emplace(entry.line, QStringLiteral("%1 = \"%2\" is no value it can take")
                                                 .arg(entry.key, entry.value));
            else
                sections[port][entry.key] = entry.value;
        }
    }
    if (problems.empty())
        return Reading::Read;
    sections.clear();
    if (firstReport(path_, "damaged"))
        reportConfigurationProblem(
            QStringLiteral("state file %1 is damaged (line %2: %3); the configured values are "
                           "used, and the file is replaced at the next change")
                .arg(path_, QString::number(problems.begin()->first), problems.begin()->second));
    return Reading::Damaged;
}

// Once: a file that cannot be written now will not be writable at the next change either. Read
// again, it would take back from the cameras the changes it did not keep, and a lock that did not
// come would hold up every change again.
void StateFile::giveUp(const QString& why)
{
    if (!givenUp_)
        reportConfigurationProblem(
            QStringLiteral("state file %1 %2; changes are not kept").arg(path_, why));
    givenUp_ = true;
}

QString StateFile::folderProblem() const
{
    const QFileInfo folder(QFileInfo(path_).absolutePath());
    if (!folder.exists())
        return QStringLiteral("its folder %1 does not exist").arg(folder.filePath());
    if (!folder.isDir())
        return QStringLiteral("%1 is no folder").arg(folder.filePath());
    return QStringLiteral("its folder %1 does not let this program write").arg(folder.filePath());
}

// A lock file that is no plain file would hold the lock for ever, or hold the program: a FIFO there
// is read as the lock's owner. So is one at the name beside it that guards the removal of a stale
// lock, a killed program's.
QString StateFile::lockProblem(const QString& lockPath) const
{
    for (const QString& path : {lockPath, lockPath + QStringLiteral(".rmlock")}) {
        const GuardedOpen found = lookAt(path);
        if (found.outcome == GuardedOpen::Refused || found.outcome == GuardedOpen::NullDevice)
            return QStringLiteral("cannot be written: its lock file %1 %2").arg(path, found.why);
    }
    return {};
}

void StateFile::forgetReports()
{
    const QMutexLocker lock(&reportsMutex);
    reports.clear();
}

StateFile::Reading StateFile::restore(const std::string& port, CameraSettings& settings)
{
    if (givenUp_)
        return Reading::Unreadable;
    Sections sections;
    const Reading reading = readSections(sections);
    layOver(settings, sections[QString::fromStdString(port)]);
    return reading;
}

void StateFile::change(const std::string& port, CameraSettings& settings,
                       const std::function<void()>& operation)
{
    if (givenUp_) {
        operation();
        return;
    }
    // The null device keeps nothing, as it was named to; what cannot be read is said once.
    const GuardedOpen found = lookAt(path_);
    if (found.outcome == GuardedOpen::NullDevice || found.outcome == GuardedOpen::Refused) {
        if (found.outcome == GuardedOpen::Refused)
            reportUnreadable(found.why);
        operation();
        return;
    }
    // Most sends find the camera as they leave it (a profile applied again, the window's bulk
    // runs): those need no lock, whose taking flushes a file to disk, and no write. The others are
    // undone and made again under the lock.
    restore(port, settings);
    const CameraSettings unchanged = settings;
    const std::map<QString, QString> held = textsOf(settings);
    operation();
    if (textsOf(settings) == held)
        return;
    settings = unchanged;

    const QString lockPath = path_ + QStringLiteral(".lock");
    QString problem = lockProblem(lockPath);
    QLockFile lock(lockPath);
    if (problem.isEmpty() && !lock.tryLock(lockWaitMs))
        problem = lock.error() == QLockFile::LockFailedError
                      ? QStringLiteral("stays locked by another program")
                      : QStringLiteral("cannot be written: its lock file %1 cannot be made (%2)")
                            .arg(lockPath, folderProblem());
    if (!problem.isEmpty()) {
        giveUp(problem);
        operation();
        return;
    }

    Sections sections;
    const Reading reading = readSections(sections);
    std::map<QString, QString>& kept = sections[QString::fromStdString(port)];
    layOver(settings, kept);
    const std::map<QString, QString> before = textsOf(settings);
    operation();
    // What cannot be read now is not replaced: it may hold what other programs kept.
    if (reading == Reading::Unreadable)
        return;
    const std::map<QString, QString> after = textsOf(settings);
    if (after == before)
        return;
    for (const auto& [key, value] : after) {
        if (before.at(key) != value)
            kept[key] = value;
    }
    write(sections);
}

void StateFile::write(const Sections& sections)
{
    QString text = QStringLiteral("; The simulated cameras' settings as the programs left them. "
                                  "Delete this file\n; to start again from the configured "
                                  "values.\n");
    for (const auto& [section, values] : sections) {
        text += QStringLiteral("\n[%1%2]\n").arg(sectionPrefix, section);
        for (const KeptSetting& setting : keptSettings()) {
            const auto value = values.find(QLatin1String(setting.key));
            if (value != values.end())
                text += QStringLiteral("%1=%2\n").arg(QLatin1String(setting.key), value->second);
        }
    }
    QString error;
    if (!files::writeWhole(path_, text.toUtf8(), error))
        giveUp(QStringLiteral("cannot be written (%1)").arg(error));
}

} // namespace orvex_sim
