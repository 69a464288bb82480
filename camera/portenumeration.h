// The one place the window learns which serial ports exist: a scan and every monitoring tick ask
// here, so a simulated camera that is unplugged vanishes just as a pulled cable does.
#pragma once

#include <QStringList>

#include <functional>

namespace ports {

using Enumerator = std::function<QStringList()>;

// The operating system's serial ports in its own order, then the simulated cameras' ports while
// the stand-in is the SDK in force.
QStringList systemAndSimulatedPortNames();

// The names of the ports present now, from the enumerator in force; none while the SDK named
// cannot be used.
QStringList availablePortNames();

// Replaces the enumerator (tests keep the machine's own ports out); an empty one restores the
// default.
void setEnumerator(Enumerator enumerator);

} // namespace ports
