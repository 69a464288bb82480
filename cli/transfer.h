// Moving settings between an open camera and a profile: reading every setting, checking what only
// the camera can tell, sending as the window's bulk runs do, and reading back what was sent.
#pragma once

#include "opencamera.h"
#include "output.h"
#include "profile.h"

namespace cli {

// Every setting the camera offers: the user settings, the expert ones in the SDK's expert mode,
// the IA record on a camera with the detector. A read the camera refuses is reported and left out;
// a value that apply would not take is kept as read, and reported.
Profile readProfile(CameraRun& run, const OpenCamera& camera);

// The checks that need the camera: IA settings need a camera with the detector, and a region of
// interest bound without its opposite bound is checked against the camera's. A problem, or a
// bound the camera does not give, stops this camera's run before anything is sent.
bool fitsCamera(CameraRun& run, const OpenCamera& camera, const Profile& profile);

// Sends in the order of the window's bulk runs, the zoom and the IA settings each as one record,
// reports each with the window's OK or KO text, goes on after a refusal, and ends with
// notifyParametersApplied unless the GMS value was refused, as the window's expert run does.
void applyProfile(CameraRun& run, orvex_sdk::Device& device, const Profile& profile);

// Reads back every setting of the profile and reports each whose value differs. A camera that has
// stopped answering ends the apply or the read-back there, as unreachable.
void verifyProfile(CameraRun& run, orvex_sdk::Device& device, const Profile& profile);

} // namespace cli
