#include "inifile.h"

#include "wholefiles.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace orvex_sim {

void reportConfigurationProblem(const QString& text)
{
    const QByteArray line = QStringLiteral("orvex-sdk: %1\n").arg(text).toLocal8Bit();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

IniFile::IniFile(const QString& path, const QString& source) : path_(path)
{
    if (path_.isEmpty())
        return;
    const files::FileContents contents = files::readWhole(path_);
    if (contents.problem == files::FileContents::Missing) {
        reportConfigurationProblem(
            QStringLiteral("configuration file %1 (%2) does not exist; the built-in configuration "
                           "is used")
                .arg(path_, source));
        return;
    }
    if (contents.problem == files::FileContents::Unreadable) {
        reportConfigurationProblem(
            QStringLiteral("configuration file %1 (%2) cannot be read (%3); the built-in "
                           "configuration is used")
                .arg(path_, source, contents.reason));
        return;
    }
    document_ = ini::parse(contents.bytes);
    for (const ini::Problem& problem : document_.problems) {
        static const char* const leftOut[] = {"it is ignored", "its keys are ignored",
                                              "the rest of the file is ignored"};
        reportConfigurationProblem(QStringLiteral("%1: line %2: %3; %4")
                                       .arg(path_, QString::number(problem.line), problem.text,
                                            QLatin1String(leftOut[problem.extent])));
    }
    for (const ini::Section& section : document_.sections) {
        for (const ini::Entry& entry : section.entries)
            values_.insert(fullKey(section.name, entry.key), entry.value);
    }
}

QString IniFile::fullKey(const QString& group, const QString& key)
{
    return group + QLatin1Char('/') + key;
}

QString IniFile::text(const QString& group, const QString& key)
{
    readGroups_.insert(group);
    const QString full = fullKey(group, key);
    readKeys_.insert(full);
    const auto found = values_.constFind(full);
    return found == values_.constEnd() ? QString() : *found;
}

void IniFile::reportBadValue(const QString& group, const QString& key, const QString& text,
                             const QString& problem, const QString& builtIn) const
{
    reportConfigurationProblem(
        QStringLiteral("%1: [%2] %3 = \"%4\" %5; the built-in value %6 is used")
            .arg(path_, group, key, text, problem, builtIn));
}

void IniFile::read(const QString& group, const QString& key, bool& target)
{
    const QString written = text(group, key);
    if (written.isNull())
        return;
    const QString value = written.toLower();
    if (value == QLatin1String("true") || value == QLatin1String("1") ||
        value == QLatin1String("yes") || value == QLatin1String("on"))
        target = true;
    else if (value == QLatin1String("false") || value == QLatin1String("0") ||
             value == QLatin1String("no") || value == QLatin1String("off"))
        target = false;
    else
        reportBadValue(group, key, written, QStringLiteral("is not true or false"),
                       target ? QStringLiteral("true") : QStringLiteral("false"));
}

template <typename T>
void IniFile::readInteger(const QString& group, const QString& key, T& target, long long minimum,
                          long long maximum)
{
    const QString value = text(group, key);
    if (value.isNull())
        return;
    bool ok = false;
    // Decimal, or 0x-prefixed hexadecimal (firmware versions read best so); never octal, which
    // base 0 would make of a leading zero (012 would be camera type 10).
    const bool hexadecimal = value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const QString digits = value.mid(hexadecimal ? 2 : 0);
    const long long number = digits.toLongLong(&ok, hexadecimal ? 16 : 10);
    // Only hexadecimal digits after 0x: no sign, blank or second prefix.
    const auto hexadecimalDigit = [](QChar c) {
        return std::isxdigit(static_cast<unsigned char>(c.toLatin1())) != 0;
    };
    ok = ok && (!hexadecimal || std::all_of(digits.begin(), digits.end(), hexadecimalDigit));
    if (!ok)
        reportBadValue(group, key, value, QStringLiteral("is not a whole number"),
                       QString::number(target));
    else if (number < minimum || number > maximum)
        reportBadValue(group, key, value,
                       QStringLiteral("is outside %1 to %2")
                           .arg(QString::number(minimum), QString::number(maximum)),
                       QString::number(target));
    else
        target = static_cast<T>(number);
}

void IniFile::read(const QString& group, const QString& key, std::uint8_t& target)
{
    readInteger(group, key, target, 0, std::numeric_limits<std::uint8_t>::max());
}

void IniFile::read(const QString& group, const QString& key, std::uint16_t& target)
{
    readInteger(group, key, target, 0, std::numeric_limits<std::uint16_t>::max());
}

void IniFile::read(const QString& group, const QString& key, std::uint32_t& target)
{
    readInteger(group, key, target, 0, std::numeric_limits<std::uint32_t>::max());
}

void IniFile::read(const QString& group, const QString& key, std::int32_t& target)
{
    readInteger(group, key, target, std::numeric_limits<std::int32_t>::min(),
                std::numeric_limits<std::int32_t>::max());
}

void IniFile::read(const QString& group, const QString& key, int& target, int minimum)
{
    readInteger(group, key, target, minimum, std::numeric_limits<int>::max());
}

void IniFile::read(const QString& group, const QString& key, double& target)
{
    const QString value = text(group, key);
    if (value.isNull())
        return;
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        reportBadValue(group, key, value, QStringLiteral("is not a number"),
                       QString::number(target));
    else
        target = number;
}

void IniFile::read(const QString& group, const QString& key, float& target)
{
    double wide = target;
    read(group, key, wide);
    if (std::fabs(wide) > double(std::numeric_limits<float>::max()))
        reportBadValue(group, key, text(group, key), QStringLiteral("is too large"),
                       QString::number(double(target)));
    else
        target = static_cast<float>(wide);
}

void IniFile::read(const QString& group, const QString& key, std::string& target)
{
    const QString value = text(group, key);
    if (!value.isNull())
        target = value.toStdString();
}

void IniFile::read(const QString& group, const QString& key, QStringList& target)
{
    const QString written = text(group, key);
    if (written.isNull())
        return;
    target.clear();
    const QStringList items = written.split(QLatin1Char(','));
    for (const QString& item : items) {
        if (!item.trimmed().isEmpty())
            target.append(item.trimmed());
    }
}

void IniFile::reportUnreadKeys() const
{
    for (const ini::Section& section : document_.sections) {
        const bool known = readGroups_.contains(section.name);
        if (section.line > 0 && !known && !section.entries.empty()) {
            reportConfigurationProblem(
                QStringLiteral("%1: section [%2] is not a known section; its keys are ignored")
                    .arg(path_, section.name));
            continue;
        }
        for (const ini::Entry& entry : section.entries) {
            if (readKeys_.contains(fullKey(section.name, entry.key)))
                continue;
            if (section.line == 0)
                reportConfigurationProblem(
                    QStringLiteral("%1: key %2 stands outside any section; it is ignored")
                        .arg(path_, entry.key));
            else
                reportConfigurationProblem(
                    QStringLiteral("%1: [%2] %3 is not a known key; it is ignored")
                        .arg(path_, section.name, entry.key));
        }
    }
}

} // namespace orvex_sim
