#include "inifile.h"

#include <QFile>
#include <QFileInfo>

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
    const QFileInfo info(path_);
    if (!info.exists() || !info.isFile()) {
        reportConfigurationProblem(
            QStringLiteral("configuration file %1 (%2) does not exist; the built-in configuration "
                           "is used")
                .arg(path_, source));
        return;
    }
    // QSettings keeps a process-wide cache of the files it has read and can hand back the old
    // contents of a file rewritten within the same second; a copy under a fresh name is always
    // read anew, so reset() sees what the file holds now.
    QFile original(path_);
    auto copy = std::make_unique<QTemporaryFile>();
    const bool copied = original.open(QIODevice::ReadOnly) && copy->open() &&
                        copy->write(original.readAll()) >= 0 && copy->flush();
    copy->close();
    auto settings =
        copied ? std::make_unique<QSettings>(copy->fileName(), QSettings::IniFormat) : nullptr;
    if (!settings || settings->status() != QSettings::NoError) {
        reportConfigurationProblem(
            QStringLiteral("configuration file %1 (%2) cannot be read; the built-in configuration "
                           "is used")
                .arg(path_, source));
        return;
    }
    copy_ = std::move(copy);
    settings_ = std::move(settings);
}

QVariant IniFile::lookUp(const QString& group, const QString& key)
{
    readGroups_.insert(group);
    const QString fullKey = group + QLatin1Char('/') + key;
    readKeys_.insert(fullKey);
    return settings_ ? settings_->value(fullKey) : QVariant();
}

QString IniFile::text(const QString& group, const QString& key)
{
    const QVariant written = lookUp(group, key);
    if (!written.isValid())
        return QString();
    // An unquoted comma makes QSettings hand back a list; for a single value that is a mistake
    // the message should show as written.
    if (written.userType() == QMetaType::QStringList)
        return written.toStringList().join(QLatin1Char(','));
    return written.toString();
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
    // Base 0 takes decimal as well as 0x-prefixed hexadecimal (firmware versions read best so).
    const long long number = value.toLongLong(&ok, 0);
    if (!ok)
        reportBadValue(group, key, value, QStringLiteral("is not a whole number"),
                       QString::number(target));
    else if (number < minimum || number > maximum)
        reportBadValue(group, key, value,
                       QStringLiteral("is outside %1 to %2").arg(minimum).arg(maximum),
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
    const QVariant written = lookUp(group, key);
    if (!written.isValid())
        return;
    target.clear();
    const QStringList items = written.toStringList();
    for (const QString& item : items) {
        if (!item.trimmed().isEmpty())
            target.append(item.trimmed());
    }
}

void IniFile::reportUnreadKeys() const
{
    if (!settings_)
        return;
    QSet<QString> reportedGroups;
    const QStringList keys = settings_->allKeys();
    for (const QString& fullKey : keys) {
        if (readKeys_.contains(fullKey))
            continue;
        const int slash = fullKey.indexOf(QLatin1Char('/'));
        if (slash < 0) {
            reportConfigurationProblem(
                QStringLiteral("%1: key %2 stands outside any section; it is ignored")
                    .arg(path_, fullKey));
            continue;
        }
        const QString group = fullKey.left(slash);
        const QString key = fullKey.mid(slash + 1);
        if (readGroups_.contains(group)) {
            reportConfigurationProblem(
                QStringLiteral("%1: [%2] %3 is not a known key; it is ignored")
                    .arg(path_, group, key));
        } else if (!reportedGroups.contains(group)) {
            reportedGroups.insert(group);
            reportConfigurationProblem(
                QStringLiteral("%1: section [%2] is not a known section; its keys are ignored")
                    .arg(path_, group));
        }
    }
}

} // namespace orvex_sim
