// The simulated cameras a configuration asks for: [sdk] cameras lists their ports, and each port's
// [camera.PORT] section holds the camera's initial settings and its faults.
#pragma once

#include "simcontrol.h"

#include <string>
#include <vector>

namespace orvex_sim {

class IniFile;

struct CameraSetup {
    std::string port;
    CameraSettings settings;
    Faults faults;
};

// The built-in configuration, or an empty file, gives one camera on SIM1 with the built-in
// settings and no faults.
std::vector<CameraSetup> readCameraSetups(IniFile& ini);

} // namespace orvex_sim
