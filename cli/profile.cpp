#include "profile.h"

#include "jsontext.h"
#include "output.h"
#include "sdkaccess.h"
#include "strictini.h"
#include "wholefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
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

// Collects one line per problem, up to ini::mostProblems of them, before anything is sent.
class Checker
{
public:
    Checker(const QString& origin, QStringList& problems) : origin_(origin), problems_(problems) {}

    // The line of a file that the problems found next stand on; 0 for none.
    void atLine(int line) { line_ = line; }

    void problem(const QString& text) { found_.emplace(line_ > 0 ? line_ : wholeFile, text); }
    // A problem after which nothing more of the file was read: shown last, however many come
    // before it.
    void lastProblem(const QString& text) { last_ = where(line_ > 0 ? line_ : wholeFile) + text; }

    int problemCount() const { return int(found_.size()) + (last_.isEmpty() ? 0 : 1); }
    // With this many problems a file is read no further.
    bool full() const { return problemCount() >= ini::mostProblems; }

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

    // A value of another kind altogether (a JSON array or object), shown as written.
    void takeNothing(const Setting& setting, const QString& where, const QString& shown)
    {
        take(setting, where, shown, std::nullopt);
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
        if (profile_.entries().empty() && problemCount() == 0)
            problem(Cli::tr("holds no setting"));
        report();
        if (problemCount() > 0)
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

    // "origin:line: ", or "origin: " for the whole file, or nothing without an origin.
    QString where(int line) const
    {
        if (origin_.isEmpty())
            return QString();
        return (line == wholeFile ? origin_
                                  : QStringLiteral("%1:%2").arg(origin_, QString::number(line))) +
               QStringLiteral(": ");
    }

    // In line order, the file's own problems last; a file that is not a profile at all (a binary,
    // a file of another kind) gets its first problems and their count, not a line for each.
    void report() const
    {
        constexpr int mostShown = 20;
        int shown = 0;
        for (const auto& [line, text] : found_) {
            if (shown++ == mostShown) {
                problems_.append(Cli::tr("%1: %2 more problems")
                                     .arg(origin_, QString::number(found_.size() - mostShown)));
                break;
            }
            problems_.append(where(line) + text);
        }
        if (!last_.isEmpty())
            problems_.append(last_);
    }

    static constexpr int wholeFile = std::numeric_limits<int>::max();

    QString origin_;
    QStringList& problems_;
    int line_ = 0;
    std::multimap<int, QString> found_; // by line
    QString last_;                      // as shown
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

// The profile's sections and keys checked as the reader finds them, so that the reading stops at
// the cap with the file's own problems and the profile's counted together.
class IniProfileReader : public ini::Reader
{
public:
    explicit IniProfileReader(Checker& checker) : checker_(checker) {}

    bool section(int line, const QString& name) override
    {
        checker_.atLine(line);
        name_ = name;
        section_ = camera::sectionNamed(name);
        inSection_ = true;
        if (!section_)
            checker_.unknownSection(name);
        return section_.has_value();
    }

    void entry(const ini::Entry& entry) override
    {
        checker_.atLine(entry.line);
        if (!inSection_)
            checker_.problem(
                Cli::tr("key %1 stands outside any section").arg(ini::shortened(entry.key)));
        else if (const Setting* setting = camera::findSetting(*section_, entry.key))
            checker_.take(*setting, QStringLiteral("[%1] %2").arg(name_, entry.key), entry.value);
        else
            checker_.unknownKey(*section_, entry.key);
    }

    void problem(const ini::Problem& problem) override
    {
        checker_.atLine(problem.line);
        if (problem.extent == ini::Problem::Rest)
            checker_.lastProblem(problem.text);
        else
            checker_.problem(problem.text);
    }

    int problemCount() const override { return checker_.problemCount(); }

private:
    Checker& checker_;
    bool inSection_ = false;
    QString name_;
    std::optional<Section> section_;
};

void readIni(const QByteArray& contents, Checker& checker)
{
    IniProfileReader reader(checker);
    ini::read(contents, reader);
}

// A section's settings, up to the object's end or the cap.
void readJsonSection(JsonText& json, const QString& name, Checker& checker)
{
    const auto section = camera::sectionNamed(name);
    if (!section) {
        checker.unknownSection(name);
        json.skip();
        return;
    }
    if (!json.objectNext()) {
        checker.problem(Cli::tr("[%1] is not a JSON object of settings").arg(name));
        json.skip();
        return;
    }
    json.enter();
    QSet<QString> keys;
    QString key;
    while (!checker.full() && json.nextKey(key)) {
        const QString where = QStringLiteral("[%1] %2").arg(name, ini::shortened(key));
        const Setting* setting = camera::findSetting(*section, key);
        const bool again = keys.contains(key);
        keys.insert(key);
        if (again)
            checker.problem(Cli::tr("%1 appears twice").arg(where));
        else if (!setting)
            checker.unknownKey(*section, key);
        int begin = 0;
        int end = 0;
        if (!json.skip(&begin, &end) || again || !setting)
            continue;
        const QByteArray& text = json.text();
        if (text.at(begin) == '{' || text.at(begin) == '[') {
            // Enough of it to show, however long it is.
            constexpr int shownBytes = 256;
            checker.takeNothing(*setting, where,
                                ini::shortened(QString::fromUtf8(
                                    text.mid(begin, std::min(end - begin, shownBytes)))));
        } else {
            checker.take(*setting, where, JsonText::scalar(text.mid(begin, end - begin)));
        }
    }
}

// JSON tells text from values, and its keys may come in any order; each section and key is checked
// as the text gives it, without a document built of the whole, so that the reading stops at the
// cap as an INI file's does.
void readJson(const QByteArray& contents, Checker& checker)
{
    JsonText json(contents);
    if (!json.objectNext()) {
        if (json.skip() && json.atEnd())
            checker.problem(Cli::tr("is not a JSON object of sections"));
    } else {
        json.enter();
        QSet<QString> sections;
        QString name;
        while (!checker.full() && json.nextKey(name)) {
            if (sections.contains(name)) {
                checker.problem(Cli::tr("%1 appears twice")
                                    .arg(QStringLiteral("section [%1]").arg(ini::shortened(name))));
                json.skip();
            } else {
                sections.insert(name);
                readJsonSection(json, name, checker);
            }
        }
        if (checker.full()) {
            checker.lastProblem(ini::notReadFurther());
            return;
        }
        json.atEnd();
    }
    if (json.failed())
        checker.lastProblem(Cli::tr("is not valid JSON: %1 at offset %2")
                                .arg(json.error(), QString::number(json.errorOffset())));
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
