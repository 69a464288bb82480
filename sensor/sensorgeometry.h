// The camera's detector as every part of the system sees it: the stand-in checks the ROI and the
// zoom's centre against it, the imaging library draws its picture at this size, and the settings
// table offers the ROI's range from it.
#pragma once

namespace sensor {

// The detector's picture, which every video tap shows whole before the zoom.
constexpr int width = 1280;
constexpr int height = 1024;
// The contrast ROI keeps this far off the picture's border: each bound runs from roiMargin to
// width - roiMargin (height - roiMargin), both included.
constexpr int roiMargin = 5;

} // namespace sensor
