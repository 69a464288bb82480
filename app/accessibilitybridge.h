// What the program does so that Qt's Linux accessibility bridge registers it with the screen
// readers' registry, whichever Qt it runs on. The one place that knows how the bridges differ.
#pragma once

#include <QLibraryInfo>
#include <QVersionNumber>
#include <QtGlobal>

// Qt 6.4's bridge takes the accessibility bus from AT_SPI_BUS_ADDRESS when that is set, connects
// while it is being built and announces "enabled" before it listens for the announcement: the
// program holds a connection to the bus but never registers on it, and a screen reader finds no
// window. Without the variable the bridge asks the session bus for the address, as on a desktop,
// and registers. Must run before the first widget is built; the program starts no other process
// that could want the variable. Qt 5 never reads it, and later Qt 6 releases are left alone.
inline void prepareAccessibilityBridge()
{
    const QVersionNumber qt = QLibraryInfo::version();
    if (qt.majorVersion() == 6 && qt < QVersionNumber(6, 5))
        qunsetenv("AT_SPI_BUS_ADDRESS");
}
