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

QString describedSource(const QString& stateFile, const QFileInfo& file,
                        orvex_sim::StateFile::Reading reading)
{
    using Reading = orvex_sim::StateFile::Reading;
    const QString shown = QDir::toNativeSeparators(stateFile);
    if (stateFile.isEmpty())
        return CameraFollower::tr("Settings as configured: no state file");
    if (!file.exists())
        return CameraFollower::tr("Settings as configured: %1 does not exist yet").arg(shown);
    if (!file.isFile())
        return CameraFollower::tr("Settings as configured: %1 is not a file").arg(shown);
    if (reading == Reading::Damaged)
        return CameraFollower::tr("Settings as configured: %1 is damaged").arg(shown);
    if (reading == Reading::Unreadable)
        return CameraFollower::tr("Settings as configured: %1 cannot be read").arg(shown);
    return CameraFollower::tr("Settings from %1").arg(shown);
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

orvex_sim::StateFile::Reading CameraFollower::layKeptSettings(const QString& stateFile,
                                                              const QFileInfo& file,
                                                              orvex_sim::CameraSettings& settings)
{
    // Only a file is read: opening a pipe put there would wait for a writer, frame after frame.
    if (stateFile.isEmpty() || !file.isFile())
        return orvex_sim::StateFile::Reading::Read;
    if (!state_ || state_->path() != stateFile)
        state_.emplace(stateFile);
    return state_->restore(port_, settings);
}

CameraFollower::Reading CameraFollower::read(std::int64_t frame)
{
    Reading reading;
    const QString stateFile = QString::fromStdString(orvex_sim::stateFilePath());
    const QFileInfo file(stateFile);
    const std::vector<std::string> ports = orvex_sim::portNames();
    const QString port = QString::fromStdString(port_);
    const bool plugged = std::find(ports.begin(), ports.end(), port_) != ports.end();
    // Each reading starts again from the configuration, so that a key the file no longer holds,
    // or a file deleted or damaged, gives the configured value back. With no state file nothing
    // is laid over this process's camera: its settings are the configured ones and whatever this
    // process itself changed. The file is read while the camera is gone too, to say how it is.
    orvex_sim::CameraSettings camera;
    if (plugged)
        camera =
            stateFile.isEmpty() ? orvex_sim::settings(port_) : orvex_sim::configuredSettings(port_);
    reading.source = describedSource(stateFile, file, layKeptSettings(stateFile, file, camera));
    if (!plugged) {
        reading.problem = tr("%1 is not plugged in").arg(port);
        return reading;
    }
    if (orvex_sim::faults(port_).silent) {
        reading.problem = tr("the camera on %1 does not answer").arg(port);
        return reading;
    }
    // Each NUC makes new tables at the sensor's temperature of that moment; one that ran before
    // the preview started is taken as of its first frame.
    if (nucRequests_ ? *nucRequests_ != camera.nucRequests : camera.nucRequests != 0)
        nucFrame_ = frame;
    nucRequests_ = camera.nucRequests;
    reading.answers = true;
    reading.settings = imagingSettings(camera, frame, nucFrame_);
    return reading;
}
