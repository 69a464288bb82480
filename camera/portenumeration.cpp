#include "portenumeration.h"

#include "sdkaccess.h"
#include "simcontrol.h"

#include <QSerialPortInfo>

namespace ports {
namespace {

Enumerator& enumeratorInForce()
{
    static Enumerator enumerator;
    return enumerator;
}

} // namespace

QStringList systemAndSimulatedPortNames()
{
    QStringList names;
    const auto systemPorts = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : systemPorts)
        names.append(info.portName());
    // Asked for its ports, the stand-in would start beside the vendor's library.
    if (sdkaccess::standIn()) {
        for (const std::string& name : orvex_sim::portNames())
            names.append(QString::fromStdString(name));
    }
    return names;
}

QStringList availablePortNames()
{
    // An SDK that cannot be used reaches no camera, so no port is offered at all.
    if (!sdkaccess::usable())
        return QStringList();
    const Enumerator& enumerator = enumeratorInForce();
    return enumerator ? enumerator() : systemAndSimulatedPortNames();
}

void setEnumerator(Enumerator enumerator)
{
    enumeratorInForce() = std::move(enumerator);
}

} // namespace ports
