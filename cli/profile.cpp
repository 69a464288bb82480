#include "profile.h"

#include "output.h"
#include "sdkaccess.h"
#include "strictini.h"
#include "wholefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

using camera::Kind;
using camera::Section;
using camera::Setting;

namespace cli {
namespace {

QString rangeText(const camera::Range& range)
{
    return Cli::tr("%1 to %2")
        .arg(QString::number(range.minimum, 'g', 15), QString::number(range.maximum, 'g', 15));
}

QString keysOf(Section section)
{
    QStringList keys;
    for (const Setting& setting : camera::settings()) {
        if (setting.section == section)
            keys.append(QString::fromLatin1(setting.key));
    }
    return keys.join(QStringLiteral(", "));
}

QString sectionsText()
{
    return QStringList{camera::sectionName(Section::User), camera::sectionName(Section::Expert),
                       camera::sectionName(Section::Ia)}
        .join(QStringLiteral(", "));
}

// Collects one line per problem, all of them, before anything is sent.
class Checker
{
public:
    Checker(const QString& origin, QStringList& problems) : origin_(origin), problems_(problems) {}

    // The line of a file that the problems found next stand on; 0 for none.
    void atLine(int line) { line_ = line; }

    void problem(const QString& text) { found_.emplace(line_ > 0 ? line_ : wholeFile, text); }

    void unknownSection(const QString& name)
    {
        problem(Cli::tr("section [%1] is not a known section; the sections are %2")
                    .arg(ini::shortened(name), sectionsText()));
    }

    void unknownKey(Section section, const QString& key)
    {
        const QString name = camera::sectionName(section);
        problem(Cli::tr("[%1] %2 is not a known key; [%1] has %3")
                    .arg(name, ini::shortened(key), keysOf(section)));
    }

    // A value written as text: an INI file's or an argument's.
    void take(const Setting& setting, const QString& where, const QString& text)
    {
        const QString trimmed = text.trimmed();
        if (setting.kind == Kind::Switch) {
            const QString word = trimmed.toLower();
            const bool on = word == QLatin1String("true") || word == QLatin1String("1") ||
                            word == QLatin1String("yes") || word == QLatin1String("on");
            const bool off = word == QLatin1String("false") || word == QLatin1String("0") ||
                             word == QLatin1String("no") || word == QLatin1String("off");
            take(setting, where, quoted(text),
                 on || off ? std::optional<double>(on ? 1.0 : 0.0) : std::nullopt);
            return;
        }
        bool ok = false;
        const double number = trimmed.toDouble(&ok);
        take(setting, where, quoted(text), ok ? std::optional<double>(number) : std::nullopt);
    }

    void take(const Setting& setting, const QString& where, const QJsonValue& value)
    {
        const QString shown = ini::shortened(
            QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
                .mid(1)
                .chopped(1));
        // "true" and "1.5" read as what they say in INI, but JSON tells text from values.
        if (value.isString()) {
            const QString stated = QStringLiteral("%1 = %2 ").arg(where, shown);
            problem(stated + (setting.kind == Kind::Switch
                                  ? Cli::tr("is text; write true or false, without quotes")
                                  : Cli::tr("is text; write a number, without quotes (%1)")
                                        .arg(rangeText(camera::allowedRange(
                                            setting, sdkaccess::configuration())))));
            return;
        }
        if (setting.kind == Kind::Switch)
            take(setting, where, shown,
                 value.isBool() ? std::optional<double>(value.toBool() ? 1.0 : 0.0) : std::nullopt);
        else
            take(setting, where, shown,
                 value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt);
    }

    // The checks that look at the whole profile; the profile when nothing was found wrong.
    std::optional<Profile> finish()
    {
        atLine(0);
        if (profile_.has(Section::Expert) && !sdkaccess::configuration().isExpertModeEnabled())
            problem(Cli::tr("[expert] settings need the SDK's expert mode, which its "
                            "configuration turns off"));
        for (const camera::Key lowerBound : camera::lowerRoiBounds)
            checkOrder(lowerBound);
        if (profile_.entries().empty() && found_.empty())
            problem(Cli::tr("holds no setting"));
        report();
        if (!found_.empty())
            return std::nullopt;
        return profile_;
    }

private:
    static QString quoted(const QString& text)
    {
        return QLatin1Char('"') + ini::shortened(text) + QLatin1Char('"');
    }

    // shown: the value as written, for the message.
    void take(const Setting& setting, const QString& where, const QString& shown,
              std::optional<double> value)
    {
        const camera::Range range = camera::allowedRange(setting, sdkaccess::configuration());
        const QString stated = QStringLiteral("%1 = %2 ").arg(where, shown);
        if (!value) {
            problem(stated + (setting.kind == Kind::Switch
                                  ? Cli::tr("is not true or false")
                                  : Cli::tr("is not a number (%1)").arg(rangeText(range))));
            return;
        }
        const bool whole = setting.kind != Kind::Real && setting.kind != Kind::Switch;
        if (whole && (!std::isfinite(*value) || std::trunc(*value) != *value)) {
            problem(stated + Cli::tr("is not a whole number (%1)").arg(rangeText(range)));
            return;
        }
        // Written so that NaN is outside too.
        if (!(*value >= range.minimum && *value <= range.maximum)) {
            problem(stated + Cli::tr("is outside %1").arg(rangeText(range)));
            return;
        }
        if (const auto cameraValue = camera::toCamera(setting, *value))
            profile_.set(setting, *cameraValue);
        else
            problem(stated + Cli::tr("cannot be held by the camera"));
    }

    void checkOrder(camera::Key lowerBound)
    {
        const Setting& lowerSetting = camera::setting(lowerBound);
        const Setting& upperSetting = camera::setting(camera::oppositeRoiBound(lowerBound));
        const ProfileEntry* lower = profile_.find(lowerSetting);
        const ProfileEntry* upper = profile_.find(upperSetting);
        if (lower && upper &&
            camera::roiOutOfOrder(lowerBound, lower->cameraValue, upper->cameraValue))
            problem(Cli::tr("[user] %1 = %2 is above %3 = %4; a region of interest needs %1 "
                            "at most %3")
                        .arg(QLatin1String(lowerSetting.key), QString::number(lower->cameraValue),
                             QLatin1String(upperSetting.key), QString::number(upper->cameraValue)));
    }

    // In line order, the file's own problems last; a file that is not a profile at all (a binary,
    // a file of another kind) gets its first problems and their count, not a line for each.
    void report() const
    {
        constexpr int mostShown = 20;
        int shown = 0;
        for (const auto& [line, text] : found_) {
            if (shown++ == mostShown) {
                problems_.append(
                    Cli::tr("%1: %2 more problems").arg(origin_).arg(found_.size() - mostShown));
                break;
            }
            const QString where =
                line == wholeFile ? origin_ : QStringLiteral("%1:%2").arg(origin_).arg(line);
            problems_.append(where.isEmpty() ? text : where + QStringLiteral(": ") + text);
        }
    }

    static constexpr int wholeFile = std::numeric_limits<int>::max();

    QString origin_;
    QStringList& problems_;
    int line_ = 0;
    std::multimap<int, QString> found_; // by line
    Profile profile_;
};

std::optional<QByteArray> fileContents(const QString& path, Checker& checker)
{
    files::FileContents contents = files::readWhole(path);
    switch (contents.problem) {
    case files::FileContents::Missing:
        checker.problem(Cli::tr("no such file"));
        return std::nullopt;
    case files::FileContents::Unreadable:
        checker.problem(Cli::tr("cannot be read (%1)").arg(contents.reason));
        return std::nullopt;
    case files::FileContents::None:
        break;
    }
    return std::move(contents.bytes);
}

void readIni(const QByteArray& contents, Checker& checker)
{
    const ini::Document document = ini::parse(contents);
    for (const ini::Problem& problem : document.problems) {
        checker.atLine(problem.line);
        checker.problem(problem.text);
    }
    for (const ini::Section& section : document.sections) {
        const auto known = camera::sectionNamed(section.name);
        checker.atLine(section.line);
        if (section.line > 0 && !known) {
            checker.unknownSection(section.name);
            continue;
        }
        for (const ini::Entry& entry : section.entries) {
            checker.atLine(entry.line);
            if (!known) {
                checker.problem(Cli::tr("key %1 stands outside any section").arg(entry.key));
                continue;
            }
            if (const Setting* setting = camera::findSetting(*known, entry.key))
                checker.take(*setting, QStringLiteral("[%1] %2").arg(section.name, entry.key),
                             entry.value);
            else
                checker.unknownKey(*known, entry.key);
        }
    }
}

// QJsonDocument keeps the last of two equal keys of an object without a word. Walks the text for
// keys given twice in one object: "[user] gamma", or a section name. Text that is no JSON may
// give odd names, never a read beyond its end.
QStringList repeatedKeys(const QByteArray& json)
{
    QStringList repeated;
    struct Object {
        QString name; // the key it is the value of
        QSet<QString> keys;
    };
    std::vector<Object> objects;
    QString key; // the key whose value comes next
    for (int index = 0; index < json.size(); ++index) {
        const char c = json.at(index);
        if (c == '{') {
            objects.push_back({key, {}});
        } else if (c == '}' && !objects.empty()) {
            objects.pop_back();
        } else if (c == ',' || c == '[') {
            key.clear();
        } else if (c == '"') {
            int end = index + 1;
            while (end < json.size() && json.at(end) != '"')
                end += json.at(end) == '\\' ? 2 : 1;
            int next = end + 1;
            while (next < json.size() && QChar(json.at(next)).isSpace())
                ++next;
            if (!objects.empty() && next < json.size() && json.at(next) == ':') {
                // Decoded, so that an escaped spelling of a key is the same key.
                const QByteArray quoted = '[' + json.mid(index, end - index + 1) + ']';
                key = QJsonDocument::fromJson(quoted).array().at(0).toString();
                Object& object = objects.back();
                if (object.keys.contains(key))
                    repeated.append(object.name.isEmpty()
                                        ? QStringLiteral("section [%1]").arg(key)
                                        : QStringLiteral("[%1] %2").arg(object.name, key));
                object.keys.insert(key);
            }
            index = end;
        }
    }
    return repeated;
}

void readJson(const QByteArray& contents, Checker& checker)
{
    // Before the parser sees them: Qt 5's parser loses the memory of a container whose key comes
    // again.
    const QStringList repeated = repeatedKeys(contents);
    for (const QString& key : repeated)
        checker.problem(Cli::tr("%1 appears twice").arg(ini::shortened(key)));
    if (!repeated.isEmpty())
        return;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError) {
        checker.problem(Cli::tr("is not valid JSON: %1 at offset %2")
                            .arg(error.errorString())
                            .arg(error.offset));
        return;
    }
    if (!document.isObject()) {
        checker.problem(Cli::tr("is not a JSON object of sections"));
        return;
    }
    const QJsonObject sections = document.object();
    for (auto group = sections.begin(); group != sections.end(); ++group) {
        const auto section = camera::sectionNamed(group.key());
        if (!section) {
            checker.unknownSection(group.key());
            continue;
        }
        if (!group.value().isObject()) {
            checker.problem(Cli::tr("[%1] is not a JSON object of settings").arg(group.key()));
            continue;
        }
        const QJsonObject values = group.value().toObject();
        for (auto value = values.begin(); value != values.end(); ++value) {
            if (const Setting* setting = camera::findSetting(*section, value.key()))
                checker.take(*setting, QStringLiteral("[%1] %2").arg(group.key(), value.key()),
                             value.value());
            else
                checker.unknownKey(*section, value.key());
        }
    }
}

QJsonValue jsonValue(const ProfileEntry& entry)
{
    if (entry.setting->kind == Kind::Switch)
        return entry.cameraValue != 0.0;
    return camera::valueText(*entry.setting, entry.cameraValue).toDouble();
}

} // namespace

void Profile::set(const Setting& setting, double cameraValue)
{
    const auto& table = camera::settings();
    const auto rank = [&](const Setting* s) {
        return s - table.data();
    };
    const auto place = std::find_if(entries_.begin(), entries_.end(), [&](const ProfileEntry& e) {
        return rank(e.setting) >= rank(&setting);
    });
    if (place != entries_.end() && place->setting == &setting)
        place->cameraValue = cameraValue;
    else
        entries_.insert(place, ProfileEntry{&setting, cameraValue});
}

const ProfileEntry* Profile::find(const Setting& setting) const
{
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const ProfileEntry& e) { return e.setting == &setting; });
    return found == entries_.end() ? nullptr : &*found;
}

bool Profile::has(Section section) const
{
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const ProfileEntry& e) { return e.setting->section == section; });
}

bool Profile::has(camera::Record record) const
{
    return std::any_of(entries_.begin(), entries_.end(), [&](const ProfileEntry& e) {
        return camera::recordOf(*e.setting) == record;
    });
}

ProfileFormat formatOf(const QString& path)
{
    return path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) ? ProfileFormat::Json
                                                                      : ProfileFormat::Ini;
}

std::optional<Profile> loadProfile(const QString& path, QStringList& problems)
{
    Checker checker(path, problems);
    if (const auto contents = fileContents(path, checker)) {
        if (formatOf(path) == ProfileFormat::Json)
            readJson(*contents, checker);
        else
            readIni(*contents, checker);
    }
    return checker.finish();
}

std::optional<Profile> profileFromAssignments(const QStringList& assignments, const QString& origin,
                                              QStringList& problems)
{
    Checker checker(origin, problems);
    // As a key given twice in a file: which of the two was meant cannot be told.
    std::map<const Setting*, QString> given;
    for (const QString& assignment : assignments) {
        const int equals = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(equals).trimmed();
        const Setting* setting = camera::findSetting(name);
        if (equals < 0 || name.isEmpty()) {
            checker.problem(Cli::tr("\"%1\" is not KEY=VALUE").arg(ini::shortened(assignment)));
        } else if (setting) {
            const auto [first, once] = given.emplace(setting, name);
            if (!once)
                checker.problem(
                    Cli::tr("%1 is given twice (first as %2)").arg(name, first->second));
            checker.take(*setting, name, assignment.mid(equals + 1));
        } else {
            checker.problem(Cli::tr("%1 is not a known setting; `orvexhd-cli set --help` lists "
                                    "them")
                                .arg(ini::shortened(name)));
        }
    }
    return checker.finish();
}

QStringList problemsOf(const Profile& profile)
{
    QStringList problems;
    if (profile.entries().empty())
        return problems;
    Checker checker(QString(), problems);
    for (const ProfileEntry& entry : profile.entries()) {
        const Setting& setting = *entry.setting;
        checker.take(setting,
                     QStringLiteral("[%1] %2").arg(camera::sectionName(setting.section),
                                                   QLatin1String(setting.key)),
                     camera::valueText(setting, entry.cameraValue));
    }
    checker.finish();
    return problems;
}

QString profileText(const Profile& profile, ProfileFormat format, const QString& comment)
{
    if (format == ProfileFormat::Json)
        return QString::fromUtf8(QJsonDocument(profileObject(profile)).toJson());
    QString text = QStringLiteral("; %1\n").arg(comment);
    const Setting* previous = nullptr;
    for (const ProfileEntry& entry : profile.entries()) {
        if (!previous || previous->section != entry.setting->section)
            text += QStringLiteral("\n[%1]\n").arg(camera::sectionName(entry.setting->section));
        text += QStringLiteral("%1=%2\n").arg(QLatin1String(entry.setting->key),
                                              camera::valueText(*entry.setting, entry.cameraValue));
        previous = entry.setting;
    }
    return text;
}

QJsonObject profileObject(const Profile& profile)
{
    QJsonObject sections;
    for (const ProfileEntry& entry : profile.entries()) {
        const QString section = camera::sectionName(entry.setting->section);
        QJsonObject values = sections.value(section).toObject();
        values.insert(QLatin1String(entry.setting->key), jsonValue(entry));
        sections.insert(section, values);
    }
    return sections;
}

bool writeProfile(const QString& path, const QString& text, QString& error)
{
    return files::writeWhole(path, text.toUtf8(), error);
}

} // namespace cli
