// The build without GStreamer: pipelines go to OpenCV unchecked, and there is no device list.
#include "gstreamer.h"

#include <QCoreApplication>

namespace {

struct Absent {
    Q_DECLARE_TR_FUNCTIONS(Absent)
};

} // namespace

QString pipelineProblem(const QString&)
{
    return QString();
}

QString pipelineFormat(const QString&)
{
    return QString();
}

bool listCaptureDevices(QStringList&, QString& error)
{
    error = Absent::tr("this build has no GStreamer, which lists the capture devices");
    return false;
}

std::optional<bool> listsCaptureDevice(const QString&)
{
    return std::nullopt;
}

QStringList formatLines(const QString&)
{
    return {};
}
