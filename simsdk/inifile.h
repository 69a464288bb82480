// Typed reading of the stand-in's INI file. A value that cannot be used, a key nobody reads, a line
// the strict reader does not take and a file that cannot be read each get one message on standard
// error naming the file and the key or line; the target then keeps its built-in value.
#pragma once

#include "strictini.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

namespace orvex_sim {

// Every message of the stand-in's configuration goes through here, so that each is one line on
// standard error with one prefix.
void reportConfigurationProblem(const QString& text);

class IniFile
{
public:
    // An empty path reads nothing and reports nothing: the built-in configuration.
    // source tells where the path came from, for the message about a missing file.
    IniFile(const QString& path, const QString& source);

    const QString& path() const { return path_; }

    // Replace target by the value of [group] key when it is present and usable.
    void read(const QString& group, const QString& key, bool& target);
    void read(const QString& group, const QString& key, std::uint8_t& target);
    void read(const QString& group, const QString& key, std::uint16_t& target);
    void read(const QString& group, const QString& key, std::uint32_t& target);
    void read(const QString& group, const QString& key, std::int32_t& target);
    void read(const QString& group, const QString& key, int& target, int minimum);
    void read(const QString& group, const QString& key, float& target);
    void read(const QString& group, const QString& key, double& target);
    void read(const QString& group, const QString& key, std::string& target);
    void read(const QString& group, const QString& key, QStringList& target);

    // One message per section nobody reads and per key nobody reads in a known section.
    void reportUnreadKeys() const;

private:
    // The value as written, or a null string when it is absent; either way the key counts as read.
    QString text(const QString& group, const QString& key);
    void reportBadValue(const QString& group, const QString& key, const QString& text,
                        const QString& problem, const QString& builtIn) const;
    template <typename T>
    void readInteger(const QString& group, const QString& key, T& target, long long minimum,
                     long long maximum);

    static QString fullKey(const QString& group, const QString& key);

    QString path_;
    ini::Document document_;
    QHash<QString, QString> values_; // by "group/key"
    QSet<QString> readKeys_;
    QSet<QString> readGroups_;
};

} // namespace orvex_sim
