// Where the Qt 5 and the Qt 6 the tool builds against differ in what its programs ask of them: the
// one place that knows.
#pragma once

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QPoint>
#include <QVersionNumber>
#include <QtGlobal>

namespace qtcompat {

// Qt 6.4's bridge takes the accessibility bus from AT_SPI_BUS_ADDRESS when that is set, connects
// while it is being built and announces "enabled" before it listens for the announcement: the
// program holds a connection to the bus but never registers on it, and a screen reader finds no
// window. Without the variable the bridge asks the session bus for the address, as on a desktop,
// and registers. Must run before the first widget is built; the programs start no other process
// that could want the variable. Qt 5 never reads it, and later Qt 6 releases are left alone.
inline void prepareAccessibilityBridge()
{
    const QVersionNumber qt = QLibraryInfo::version();
    if (qt.majorVersion() == 6 && qt < QVersionNumber(6, 5))
        qunsetenv("AT_SPI_BUS_ADDRESS");
}

// Draws the window in the screen's scale, so that it keeps its size in millimetres on a screen set
// to 125 %, 150 % or 200 %. Qt 6 always does. Qt 5 does only when asked before the application
// object is made, and rounds the scale unless told otherwise: Windows reports the scale the user
// chose, which Qt 6 takes as it is; an X11 display without a scale set by its desktop reports its
// measured density instead (a 96 dpi screen measures 96.1), so there the scale stays a whole
// number, as it always was under Qt 5.
inline void scaleToTheScreen()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
#ifdef Q_OS_WIN
    const auto rounding = Qt::HighDpiScaleFactorRoundingPolicy::PassThrough;
#else
    const auto rounding = Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor;
#endif
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(rounding);
#endif
#endif
}

// Where a mouse event happened in its widget: Qt 6 renamed the call.
inline QPoint pointerPosition(const QMouseEvent& event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event.position().toPoint();
#else
    return event.pos();
#endif
}

} // namespace qtcompat
