#include "camerasetup.h"

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
    ini.read(s, QStringLiteral("serialNumber"), c.serialNumber);
    ini.read(s, QStringLiteral("riscvVersion"), c.versions.riscvVersion);
    ini.read(s, QStringLiteral("fpgaVersion"), c.versions.fpgaVersion);
    ini.read(s, QStringLiteral("hasShutter"), c.hasShutter);
    ini.read(s, QStringLiteral("shutterClosed"), c.shutterClosed);
    ini.read(s, QStringLiteral("gamma"), c.gamma);
    ini.read(s, QStringLiteral("clhe"), c.clhe);
    ini.read(s, QStringLiteral("sharpening"), c.sharpening);
    ini.read(s, QStringLiteral("roiX1"), c.roiX1);
    ini.read(s, QStringLiteral("roiX2"), c.roiX2);
    ini.read(s, QStringLiteral("roiY1"), c.roiY1);
    ini.read(s, QStringLiteral("roiY2"), c.roiY2);
    ini.read(s, QStringLiteral("polarity"), c.polarity);
    ini.read(s, QStringLiteral("zoomFactor"), c.zoom.factor);
    ini.read(s, QStringLiteral("zoomXCenter"), c.zoom.xCenter);
    ini.read(s, QStringLiteral("zoomYCenter"), c.zoom.yCenter);
    ini.read(s, QStringLiteral("zoomMethod"), c.zoom.method);
    ini.read(s, QStringLiteral("contrastType"), c.contrastType);
    ini.read(s, QStringLiteral("nucState"), c.nucState);
    ini.read(s, QStringLiteral("horizontalFlip"), c.horizontalFlip);
    ini.read(s, QStringLiteral("verticalFlip"), c.verticalFlip);
    ini.read(s, QStringLiteral("vignettingCorrection"), c.vignettingCorrection);
    ini.read(s, QStringLiteral("columnCorrection"), c.columnCorrection);
    ini.read(s, QStringLiteral("bprCorrection"), c.bprCorrection);
    ini.read(s, QStringLiteral("offsetCorrection"), c.offsetCorrection);
    ini.read(s, QStringLiteral("gainCorrection"), c.gainCorrection);
    ini.read(s, QStringLiteral("videoOutput"), c.videoOutput);
    ini.read(s, QStringLiteral("gsk"), c.gsk);
    ini.read(s, QStringLiteral("gfid"), c.gfid);
    ini.read(s, QStringLiteral("gms"), c.gms);
    ini.read(s, QStringLiteral("tint"), c.tint);
    ini.read(s, QStringLiteral("iaResizeMode"), c.ia.resizeMode);
    ini.read(s, QStringLiteral("iaMaxBoxes"), c.ia.maxBoxes);
    ini.read(s, QStringLiteral("iaSensitivity"), c.ia.sensitivity);
    ini.read(s, QStringLiteral("iaInterOverUnion"), c.ia.interOverUnion);
    ini.read(s, QStringLiteral("iaOutputType"), c.ia.outputType);
    ini.read(s, QStringLiteral("fpgaTemperature"), c.fpgaTemperature);
    ini.read(s, QStringLiteral("sensorTemperature"), c.sensorTemperature);
    ini.read(s, QStringLiteral("temperatureDrift"), c.temperatureDrift);
}

void readFaults(IniFile& ini, const QString& s, Faults& f)
{
    QStringList refused;
    ini.read(s, QStringLiteral("refused"), refused);
    const std::vector<std::string>& operations = deviceOperationNames();
    for (const QString& name : refused) {
        const std::string operation = name.toStdString();
        if (std::find(operations.begin(), operations.end(), operation) == operations.end())
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
