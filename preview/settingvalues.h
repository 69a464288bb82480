// The simulated camera's settings as the window names and writes them: each setting of the
// settings table that shapes the picture, by its key and in the operator's units ("gamma", "1.7").
// A recording's sidecar lists them for each frame; a held frame's label lists those that changed.
#pragma once

#include "simcontrol.h"

#include <QString>
#include <QStringList>

#include <vector>

struct SettingValue {
    QString name;
    QString value;
};

// In the table's order: the settings a profile holds, then the shutter and the video output.
std::vector<SettingValue> settingValues(const orvex_sim::CameraSettings& camera);

// "gamma 1 -> 1.7" for each setting that differs from before to after, in the table's order, and
// a NUC that ran between them (new tables change the picture as a setting does). Empty when
// nothing changed.
QStringList settingChanges(const orvex_sim::CameraSettings& before,
                           const orvex_sim::CameraSettings& after);
