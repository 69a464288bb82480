#include "camerafollower.h"

#include "camerareports.h"
#include "sdkaccess.h"
#include "wholefiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

constexpr double gammaOne = 65536.0;    // 16.16
constexpr double sharpeningOne = 256.0; // 8.8
constexpr double kelvinOne = 1000.0;    // the camera reports thousandths
// File systems keep modification times to a tick of a coarse clock, a few milliseconds: a file
// changed again within the tick of a change shows the same size and time. A margin above that.
constexpr qint64 timeResolutionMs = 100;

// One reader a path for the whole process, so that a problem of the file is reported once however
// many followers read it.
orvex_sim::StateFile& stateFileAt(const QString& path)
{
    static std::map<QString, orvex_sim::StateFile> files;
    return files.try_emplace(path, path).first->second;
}

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

QString CameraFollower::problemOf(const std::string& port)
{
    const QString name = QString::fromStdString(port);
    if (!sdkaccess::standIn())
        return tr("%1 is not a simulated camera: the SDK in force is %2")
            .arg(name, sdkaccess::inForce());
    const std::vector<std::string> ports = orvex_sim::portNames();
    if (std::find(ports.begin(), ports.end(), port) == ports.end())
        return tr("%1 is not plugged in").arg(name);
    if (orvex_sim::faults(port).silent)
        return tr("the camera on %1 does not answer").arg(name);
    return QString();
}

bool CameraFollower::keptStillHolds(const QString& stateFile, const QFileInfo& file,
                                    const orvex_sim::CameraSettings* base) const
{
    if (!kept_ || kept_->path != stateFile || kept_->base != base || kept_->change != changes_ ||
        kept_->size != file.size() || kept_->modified != file.lastModified())
        return false;
    // Read within the time resolution of its change, the file may have changed again unseen,
    // keeping its size and time: it is read again until it was last read after that time. Bytes
    // that are the same as before are not parsed again.
    return std::abs(kept_->modified.msecsTo(kept_->readAt)) >= timeResolutionMs;
}

void CameraFollower::parse(Kept& kept, const std::optional<Kept>& before)
{
    kept.readAt = QDateTime::currentDateTimeUtc();
    const auto digest = [&] {
        const files::FileContents contents = files::readWhole(kept.path);
        return contents.problem == files::FileContents::None
                   ? QCryptographicHash::hash(contents.bytes, QCryptographicHash::Sha1)
                   : QByteArray();
    };
    kept.digest = digest();
    if (before && !kept.digest.isEmpty() && before->digest == kept.digest &&
        before->path == kept.path && before->base == kept.base) {
        kept.reading = before->reading;
        kept.settings = before->settings;
        return;
    }
    {
        static QMutex parsing; // the readers of the files, one a path, are shared
        const QMutexLocker lock(&parsing);
        kept.reading = stateFileAt(kept.path).restore(kept.port, kept.settings);
    }
    // Changed while it was parsed, the file's bytes are not the ones parsed: no later reading
    // may stand in for this one.
    if (digest() != kept.digest)
        kept.digest.clear();
}

void CameraFollower::parsed(Kept kept)
{
    asked_ = false;
    kept_ = std::move(kept);
}

std::optional<orvex_sim::StateFile::Reading>
CameraFollower::layKeptSettings(const QString& stateFile, const QFileInfo& file,
                                const orvex_sim::CameraSettings* base,
                                orvex_sim::CameraSettings& settings)
{
    // Only a file is read: opening a pipe put there would wait for a writer, frame after frame.
    if (stateFile.isEmpty() || !file.isFile()) {
        kept_.reset();
        return orvex_sim::StateFile::Reading::Read;
    }
    const bool sameFile = kept_ && kept_->path == stateFile && kept_->base == base;
    if (!keptStillHolds(stateFile, file, base)) {
        Kept request{port_,
                     stateFile,
                     file.size(),
                     file.lastModified(),
                     {},
                     base,
                     orvex_sim::StateFile::Reading::Read,
                     settings,
                     {},
                     changes_};
        const std::optional<Kept> before = sameFile ? kept_ : std::nullopt;
        if (!parser_) {
            parse(request, before);
            kept_ = std::move(request);
        } else if (!asked_) {
            asked_ = true;
            parser_(std::move(request), before);
        }
    }
    // Until a reading made elsewhere comes, the last one of the same file holds.
    if (!kept_ || kept_->path != stateFile || kept_->base != base)
        return std::nullopt;
    settings = kept_->settings;
    return kept_->reading;
}

CameraFollower::Look CameraFollower::look()
{
    Look look;
    // The stand-in is asked nothing beside the vendor's library: it would start, and read and
    // write its own files.
    if (!sdkaccess::standIn())
        return look;
    look.stateFile = QString::fromStdString(orvex_sim::stateFilePath());
    look.file = QFileInfo(look.stateFile);
    const std::vector<std::string> ports = orvex_sim::portNames();
    const bool plugged = std::find(ports.begin(), ports.end(), port_) != ports.end();
    // Each reading starts again from the configuration, so that a key the file no longer holds,
    // or a file deleted or damaged, gives the configured value back. With no state file nothing
    // is laid over this process's camera: its settings are the configured ones and whatever this
    // process itself changed. The file is read while the camera is gone too, to say how it is.
    // A reset of the stand-in makes new cameras, whose settings never share an address with the
    // old ones: the base's address tells whether the file was laid over the same settings.
    const orvex_sim::CameraSettings* base =
        plugged && !look.stateFile.isEmpty() ? &orvex_sim::configuredSettings(port_) : nullptr;
    if (base)
        look.camera = *base;
    else if (plugged)
        look.camera = orvex_sim::settings(port_);
    look.kept = layKeptSettings(look.stateFile, look.file, base, look.camera);
    return look;
}

CameraFollower::Reading CameraFollower::read(std::int64_t frame)
{
    Reading reading;
    if (!sdkaccess::standIn()) {
        reading.problem = problemOf(port_);
        return reading;
    }
    const Look now = look();
    const QString& stateFile = now.stateFile;
    const QFileInfo& file = now.file;
    const std::optional<orvex_sim::StateFile::Reading>& kept = now.kept;
    const orvex_sim::CameraSettings& camera = now.camera;
    reading.known = kept.has_value();
    if (!reading.known)
        return reading;
    reading.source = describedSource(stateFile, file, *kept);
    reading.problem = problemOf(port_);
    if (!reading.problem.isEmpty())
        return reading;
    // Each NUC makes new tables at the sensor's temperature of that moment; one that ran before
    // the preview started is taken as of its first frame.
    if (nucRequests_ ? *nucRequests_ != camera.nucRequests : camera.nucRequests != 0)
        nucFrame_ = frame;
    nucRequests_ = camera.nucRequests;
    reading.answers = true;
    reading.settings = imagingSettings(camera, frame, nucFrame_);
    reading.camera = camera;
    return reading;
}
