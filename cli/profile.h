// A profile: settings in the operator's units, by section and key, as a strict INI file or JSON (by
// the file's extension). Every value is checked before anything else happens: a problem is one
// line naming the file and the line it stands on, the key and what is allowed.
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

// What apply would find wrong in the profile if it were written to a file and read back: one line
// each, naming the key.
QStringList problemsOf(const Profile& profile);

// The profile as its file holds it, after a comment line where the format has comments.
QString profileText(const Profile& profile, ProfileFormat format, const QString& comment);
QJsonObject profileObject(const Profile& profile);

// A file is written whole or not at all, a FIFO or a device written into; false with the reason
// otherwise.
bool writeProfile(const QString& path, const QString& text, QString& error);

} // namespace cli
