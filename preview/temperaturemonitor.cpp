#include "temperaturemonitor.h"

#include "cameralink.h"
#include "camerareports.h"
#include "portenumeration.h"
#include "sdkaccess.h"

namespace {

constexpr int intervalMs = 1000;

} // namespace

TemperatureMonitor::TemperatureMonitor(const QString& port, QObject* parent)
    : QObject(parent), port_(port)
{
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &TemperatureMonitor::tick);
}

TemperatureMonitor::~TemperatureMonitor()
{
    close();
}

void TemperatureMonitor::start()
{
    timer_.start();
    tick();
}

void TemperatureMonitor::tick()
{
    // As the window's monitoring: a port no longer listed is a pulled cable.
    if (!ports::availablePortNames().contains(port_, Qt::CaseSensitive)) {
        close();
        emit temperaturesRead(tr("%1: not plugged in").arg(port_));
        return;
    }
    if (!device_) {
        const QString problem = open();
        if (!problem.isEmpty()) {
            emit temperaturesRead(tr("%1: %2").arg(port_, problem));
            return;
        }
    }
    orvex_sdk::Temperatures temperatures{};
    if (!device_->getTemperatures(&temperatures)) {
        close();
        emit temperaturesRead(tr("%1: the camera does not report its temperatures").arg(port_));
        return;
    }
    emit temperaturesRead(tr("FPGA %1, sensor %2")
                              .arg(camera::temperatureText(temperatures.fpgaTemperature),
                                   camera::temperatureText(temperatures.sensorTemperature)));
}

QString TemperatureMonitor::open()
{
    if (!camera::offersSerialLink(sdkaccess::configuration()))
        return tr("the SDK's link is not %1").arg(QString::fromLatin1(camera::serialLinkType));
    device_ = camera::openDevice(port_.toUtf8().constData(), connection_);
    if (!device_) {
        close();
        return tr("cannot be opened (in use, or not a camera)");
    }
    return QString();
}

void TemperatureMonitor::close()
{
    camera::releaseDevice(connection_, device_);
}
