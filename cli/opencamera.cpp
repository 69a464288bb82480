#include "opencamera.h"

#include "cameralink.h"
#include "camerareports.h"
#include "portenumeration.h"
#include "sdkaccess.h"

namespace cli {

OpenCamera::OpenCamera(CameraRun& run, const QStringList& listedPorts) : run_(run)
{
    if (!open(run, listedPorts))
        close();
    else
        run.setAnswerCheck([this, port = run.port()] { return whyGone(port); });
}

OpenCamera::~OpenCamera()
{
    close();
}

bool OpenCamera::open(CameraRun& run, const QStringList& listedPorts)
{
    // A port is named by the operator; one that the system does not list is not tried at all.
    if (!listedPorts.contains(run.port(), Qt::CaseSensitive)) {
        run.fail(Unreachable, Cli::tr("no such port"));
        return false;
    }
    orvex_sdk::Configuration& configuration = sdkaccess::configuration();
    if (!camera::offersSerialLink(configuration)) {
        const char* linkType = configuration.getCommunicationType();
        run.fail(Unreachable, Cli::tr("the SDK's link type is \"%1\", not %2: no camera can be "
                                      "opened")
                                  .arg(QString::fromLocal8Bit(linkType ? linkType : ""),
                                       QString::fromLatin1(camera::serialLinkType)));
        return false;
    }
    device_ = camera::openDevice(run.port().toUtf8().constData(), connection_);
    if (!device_) {
        run.fail(Unreachable, Cli::tr("cannot be opened (in use, or not a camera)"));
        return false;
    }
    if (device_->getCameraType(&cameraType_) != camera::statusSucceeded) {
        run.report(QString::fromLatin1(camera::texts::noCameraType));
        run.fail(Unreachable, Cli::tr("the camera does not say its type"));
        return false;
    }
    device_->getFirmwareVersions(&versions_);
    if (versions_.riscvVersion == 0 && versions_.fpgaVersion == 0) {
        run.fail(Unreachable, Cli::tr("the camera does not answer"));
        return false;
    }
    return true;
}

// A refusal and a camera that is gone look alike to the operation that failed; the version read
// that opening relies on tells them apart.
QString OpenCamera::whyGone(const QString& port)
{
    orvex_sdk::FirmwareVersions versions{};
    const bool answered = device_->getFirmwareVersions(&versions);
    if (answered && (versions.riscvVersion != 0 || versions.fpgaVersion != 0))
        return QString();
    if (!ports::availablePortNames().contains(port, Qt::CaseSensitive))
        return Cli::tr("the camera no longer answers: its port is gone");
    return Cli::tr("the camera no longer answers");
}

void OpenCamera::close()
{
    run_.setAnswerCheck({});
    camera::releaseDevice(connection_, device_);
}

} // namespace cli
