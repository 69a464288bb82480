// What the simulated cameras remember between runs: when the configuration names a state file,
// every setting a Device operation changes is kept there, and the file is what the camera holds:
// each operation takes what it keeps over the camera's settings first. Several programs may use the
// file at once: a change is made to what the file holds at that moment, under a lock file, and
// only the keys it changed are written, the file replaced whole (a reader never sees half of it).
#pragma once

#include "simcontrol.h"

#include <QString>

#include <cstdint>
#include <functional>
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
    // How the file was found: a missing file, or the null device, is read as an empty one.
    enum class Reading { Read, Damaged, Unreadable };

    explicit StateFile(const QString& path) : path_(path) {}

    const QString& path() const { return path_; }

    // Puts what the file keeps for the port over settings. A damaged or unreadable file is
    // reported once in the process, however many readers it has, and changes nothing; so does
    // a file given up (below).
    Reading restore(const std::string& port, CameraSettings& settings);
    // Every file's problems are reported again, as in a fresh process.
    static void forgetReports();
    // Runs operation on the port's settings as the file holds them, and writes the keys it
    // changed, both under the file's lock: what another program changed meanwhile is neither
    // undone nor lost, and the last change of a key is the one kept. The operation may run twice:
    // first without the lock, then, when it changes something, again on the settings as they were.
    // A change that cannot be kept is said once, and the file is given up for the rest of the run:
    // the cameras then hold what they are told, as without a state file.
    void change(const std::string& port, CameraSettings& settings,
                const std::function<void()>& operation);

private:
    using Sections = std::map<QString, std::map<QString, QString>>; // port -> key -> value

    Reading readSections(Sections& sections);
    void write(const Sections& sections);
    void reportUnreadable(const QString& why);
    void giveUp(const QString& why);
    // Why no lock can be taken on the file, or empty when one can be tried.
    QString lockProblem(const QString& lockPath) const;
    // Why no lock file can be made beside the state file.
    QString folderProblem() const;

    QString path_;
    bool givenUp_ = false;
};

} // namespace orvex_sim
