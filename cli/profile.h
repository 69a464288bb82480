// A profile: settings in the operator's units, by section and key, as an INI file (QSettings) or
// JSON (by the file's extension). Every value is checked before anything else happens: a problem
// is one line naming where it stands, the key and what is allowed.
#pragma once

#include "settingstable.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace cli {

struct ProfileEntry {
    const camera::Setting* setting;
    double cameraValue; // as the camera holds it
};

class Profile
{
public:
    // Entries keep the table's order whatever order they come in; a second value replaces the
    // first.
    void set(const camera::Setting& setting, double cameraValue);

    const std::vector<ProfileEntry>& entries() const { return entries_; }
    const ProfileEntry* find(const camera::Setting& setting) const;
    bool has(camera::Section section) const;
    bool has(camera::Record record) const;

private:
    std::vector<ProfileEntry> entries_;
};

enum class ProfileFormat { Ini, Json };

// JSON for a name ending in .json, INI otherwise.
ProfileFormat formatOf(const QString& path);

// Reads and checks a file. Problems are lines that begin with the path.
std::optional<Profile> loadProfile(const QString& path, QStringList& problems);

// KEY=VALUE arguments ("gamma=1.5" or "user.gamma=1.5") checked as a file's values are. Problems
// are lines that begin with origin.
std::optional<Profile> profileFromAssignments(const QStringList& assignments, const QString& origin,
                                              QStringList& problems);

// The profile as its file holds it, after a comment line where the format has comments.
QString profileText(const Profile& profile, ProfileFormat format, const QString& comment);
QJsonObject profileObject(const Profile& profile);

// Written whole or not at all; false with the reason otherwise.
bool writeProfile(const QString& path, const QString& text, QString& error);

} // namespace cli
