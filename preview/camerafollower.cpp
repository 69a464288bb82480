#include "camerafollower.h"

#include "camerareports.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr double gammaOne = 65536.0;    // 16.16
constexpr double sharpeningOne = 256.0; // 8.8
constexpr double kelvinOne = 1000.0;    // the camera reports thousandths

// The sensor's temperature at a frame, as the stand-in reports it that long after it was plugged
// in: frames are counted from the preview's start, and the preview's stand-in is plugged in then.
double sensorKelvin(const orvex_sim::CameraSettings& held, std::int64_t frame)
{
    return double(orvex_sim::sensorTemperatureAt(held, double(frame) / imaging::framesPerSecond)) /
           kelvinOne;
}

QString describedSource(const QString& stateFile, const QFileInfo& file)
{
    if (stateFile.isEmpty())
        return CameraFollower::tr("Settings as configured: no state file");
    if (!file.exists())
        return CameraFollower::tr("Settings as configured: %1 does not exist yet")
            .arg(QDir::toNativeSeparators(stateFile));
    if (!file.isFile())
        return CameraFollower::tr("Settings as configured: %1 is not a file")
            .arg(QDir::toNativeSeparators(stateFile));
    return CameraFollower::tr("Settings from %1").arg(QDir::toNativeSeparators(stateFile));
}

} // namespace

imaging::Settings imagingSettings(const orvex_sim::CameraSettings& held, std::int64_t frame,
                                  std::optional<std::int64_t> nucFrame)
{
    imaging::Settings s;
    s.shutterClosed = held.hasShutter && held.shutterClosed;
    s.tint = held.tint;
    s.sensorKelvin = sensorKelvin(held, frame);
    s.tablesKelvin = nucFrame ? sensorKelvin(held, *nucFrame) : imaging::calibrationKelvin;
    s.nucState = held.nucState;
    s.bprCorrection = held.bprCorrection;
    s.offsetCorrection = held.offsetCorrection;
    s.gainCorrection = held.gainCorrection;
    s.columnCorrection = held.columnCorrection;
    s.vignettingCorrection = held.vignettingCorrection;
    s.sharpening = held.sharpening / sharpeningOne;
    s.contrastType = held.contrastType;
    s.clhe = held.clhe;
    s.roi = {held.roiX1, held.roiY1, held.roiX2, held.roiY2};
    s.gamma = held.gamma / gammaOne;
    s.polarity = held.polarity;
    s.zoomFactor = double(held.zoom.factor);
    s.zoomXCenter = held.zoom.xCenter;
    s.zoomYCenter = held.zoom.yCenter;
    s.zoomMethod = held.zoom.method;
    s.horizontalFlip = held.horizontalFlip;
    s.verticalFlip = held.verticalFlip;
    s.videoOutput = held.videoOutput;
    s.detector.fitted = held.cameraType == camera::cameraTypeWithDetector;
    s.detector.resizeMode = held.ia.resizeMode;
    s.detector.maxBoxes = held.ia.maxBoxes;
    s.detector.sensitivity = held.ia.sensitivity;
    s.detector.interOverUnion = held.ia.interOverUnion;
    s.detector.outputType = held.ia.outputType;
    return s;
}

CameraFollower::CameraFollower(std::string port) : port_(std::move(port)) {}

CameraFollower::Reading CameraFollower::read(std::int64_t frame)
{
    Reading reading;
    const QString stateFile = QString::fromStdString(orvex_sim::stateFilePath());
    const QFileInfo file(stateFile);
    reading.source = describedSource(stateFile, file);
    const std::vector<std::string> ports = orvex_sim::portNames();
    const QString port = QString::fromStdString(port_);
    if (std::find(ports.begin(), ports.end(), port_) == ports.end()) {
        reading.problem = tr("%1 is not plugged in").arg(port);
        return reading;
    }
    if (orvex_sim::faults(port_).silent) {
        reading.problem = tr("the camera on %1 does not answer").arg(port);
        return reading;
    }
    // Only a file is read: opening a pipe put there would wait for a writer, frame after frame.
    if (file.isFile())
        orvex_sim::takeKeptSettings(port_);
    const orvex_sim::CameraSettings& camera = orvex_sim::settings(port_);
    // Each NUC makes new tables at the sensor's temperature of that moment; one that ran before
    // the preview started is taken as of its first frame.
    if (nucRequests_ ? *nucRequests_ != camera.nucRequests : camera.nucRequests != 0)
        nucFrame_ = frame;
    nucRequests_ = camera.nucRequests;
    reading.answers = true;
    reading.settings = imagingSettings(camera, frame, nucFrame_);
    return reading;
}
