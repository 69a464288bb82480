// Device nodes of a test's own, made in its fixture's folder: a fault that replaces a named output
// instead of writing into it must never take the machine's own /dev/full or /dev/null with it.
// Making one needs root; a test without it skips.
#pragma once

#include <QProcess>
#include <QString>

enum class DeviceNode { Null, Full };

inline bool makeDeviceNode(const QString& path, DeviceNode node)
{
    const QString minor = node == DeviceNode::Full ? QStringLiteral("7") : QStringLiteral("3");
    return QProcess::execute(QStringLiteral("mknod"),
                             {path, QStringLiteral("c"), QStringLiteral("1"), minor}) == 0;
}
