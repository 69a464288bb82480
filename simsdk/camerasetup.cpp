#include "camerasetup.h"

#include "camerastate.h"
#include "inifile.h"
#include "simulatedcamera.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvex_sim {
namespace {

void readSettings(IniFile& ini, const QString& s, CameraSettings& c)
{
    ini.read(s, QStringLiteral("cameraType"), c.cameraType);
    ini.read(s, QStringLiteral("riscvVersion"), c.versions.riscvVersion);
    ini.read(s, QStringLiteral("fpgaVersion"), c.versions.fpgaVersion);
    ini.read(s, QStringLiteral("hasShutter"), c.hasShutter);
    readKeptSettings(ini, s, c);
    ini.read(s, QStringLiteral("fpgaTemperature"), c.fpgaTemperature);
    ini.read(s, QStringLiteral("sensorTemperature"), c.sensorTemperature);
    ini.read(s, QStringLiteral("temperatureDrift"), c.temperatureDrift);
}

void readFaults(IniFile& ini, const QString& s, Faults& f)
{
    QStringList refused;
    ini.read(s, QStringLiteral("refused"), refused);
    for (const QString& name : refused) {
        const std::string operation = name.toStdString();
        if (!isDeviceOperation(operation))
            reportConfigurationProblem(
                QStringLiteral("%1: [%2] refused names %3, which is no Device operation; it is "
                               "ignored")
                    .arg(ini.path(), s, name));
        else
            f.refused.insert(operation);
    }
    ini.read(s, QStringLiteral("silent"), f.silent);
    ini.read(s, QStringLiteral("cameraTypeFails"), f.cameraTypeFails);
    auto shutterPresenceStatus = static_cast<std::uint8_t>(f.shutterPresenceStatus);
    ini.read(s, QStringLiteral("shutterPresenceStatus"), shutterPresenceStatus);
    f.shutterPresenceStatus = shutterPresenceStatus;
    ini.read(s, QStringLiteral("failTemperatureAfter"), f.temperatureReadsLeft, -1);
    auto iaReadStatus = static_cast<std::uint8_t>(f.iaReadStatus);
    ini.read(s, QStringLiteral("iaReadStatus"), iaReadStatus);
    f.iaReadStatus = iaReadStatus;
    double unplugAfterSeconds = -1.0;
    ini.read(s, QStringLiteral("unplugAfterSeconds"), unplugAfterSeconds);
    if (unplugAfterSeconds >= 0.0)
        f.unplugAfterMs = static_cast<int>(std::min(std::round(unplugAfterSeconds * 1000.0),
                                                    double(std::numeric_limits<int>::max())));
    ini.read(s, QStringLiteral("latencyMs"), f.latencyMs, 0);
}

} // namespace

std::vector<CameraSetup> readCameraSetups(IniFile& ini)
{
    QStringList ports{QStringLiteral("SIM1")};
    ini.read(QStringLiteral("sdk"), QStringLiteral("cameras"), ports);

    std::vector<CameraSetup> setups;
    for (const QString& port : ports) {
        const std::string name = port.toStdString();
        const bool seen = std::any_of(setups.begin(), setups.end(),
                                      [&](const CameraSetup& setup) { return setup.port == name; });
        if (seen) {
            reportConfigurationProblem(
                QStringLiteral("%1: [sdk] cameras lists %2 twice; the second is ignored")
                    .arg(ini.path(), port));
            continue;
        }
        CameraSetup setup;
        setup.port = name;
        const QString section = QStringLiteral("camera.") + port;
        readSettings(ini, section, setup.settings);
        readFaults(ini, section, setup.faults);
        setups.push_back(std::move(setup));
    }
    return setups;
}

} // namespace orvex_sim
