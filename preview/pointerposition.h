// Where a mouse event happened in its widget. The one place that knows Qt 6 renamed the call.
#pragma once

#include <QMouseEvent>
#include <QPoint>

inline QPoint pointerPosition(const QMouseEvent& event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event.position().toPoint();
#else
    return event.pos();
#endif
}
