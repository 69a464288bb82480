// Where the Qt 5 and the Qt 6 the tool builds against differ in what the tool asks of them.
#pragma once

#include <QGuiApplication>
#include <QtGlobal>

namespace qtcompat {

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

} // namespace qtcompat
