// The colours the preview shows the 8-bit levels in: a view choice, not a camera setting.
#pragma once

#include <QRgb>
#include <QVector>

enum class Palette { Grey, Iron, Rainbow };

// One colour for each of the 256 levels, cold to hot.
QVector<QRgb> paletteColours(Palette palette);
