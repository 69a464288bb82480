#include "portenumeration.h"

#include <QSerialPortInfo>

#ifdef ORVEX_SIMULATED_PORTS
#include "simcontrol.h"
#endif

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
#ifdef ORVEX_SIMULATED_PORTS
    for (const std::string& name : orvex_sim::portNames())
        names.append(QString::fromStdString(name));
#endif
    return names;
}

QStringList availablePortNames()
{
    const Enumerator& enumerator = enumeratorInForce();
    return enumerator ? enumerator() : systemAndSimulatedPortNames();
}

void setEnumerator(Enumerator enumerator)
{
    enumeratorInForce() = std::move(enumerator);
}

} // namespace ports
