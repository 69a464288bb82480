// What the simulated cameras remember between runs: when the configuration names a state file,
// every setting a Device operation changes is kept there, and a camera takes its kept settings
// over its configured ones when the stand-in starts and whenever it is opened. Several programs
// may use the file at once: each writes only the keys it changed, under a lock file, and replaces
// the file whole (a reader never sees half of it).
#pragma once

#include "simcontrol.h"

#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace orvex_sim {

class IniFile;

using SettingField = std::variant<bool*, std::uint8_t*, std::uint32_t*, std::int32_t*, float*>;

// The settings a Device operation can change, by their [camera.PORT] key.
struct KeptSetting {
    const char* key;
    SettingField (*field)(CameraSettings& settings);
};
const std::vector<KeptSetting>& keptSettings();

// Reads each kept setting's key of the camera's section into settings.
void readKeptSettings(IniFile& ini, const QString& section, CameraSettings& settings);

class StateFile
{
public:
    // How the file was found: a missing file is read as an empty one.
    enum class Reading { Read, Damaged, Unreadable };

    explicit StateFile(const QString& path) : path_(path) {}

    const QString& path() const { return path_; }

    // Puts what the file keeps for the port over settings. A damaged or unreadable file is
    // reported once in the process, however many readers it has, and changes nothing.
    Reading restore(const std::string& port, CameraSettings& settings);
    // Every file's problems are reported again, as in a fresh process.
    static void forgetReports();
    // Writes the port's settings that changed since this program last read or wrote them.
    void remember(const std::string& port, CameraSettings& settings);

private:
    using Sections = std::map<QString, std::map<QString, QString>>; // port -> key -> value

    Reading readSections(Sections& sections);
    void reportKeepFailure(const QString& why);
    // Why no lock file can be made beside the state file.
    QString folderProblem() const;

    QString path_;
    std::map<std::string, std::map<QString, QString>> known_; // as last read or written here
    bool keepFailureReported_ = false;
};

} // namespace orvex_sim
