// What the simulated camera's picture depends on: the camera's settings in their meaning (gamma
// 1.5, not its 16.16 encoding) and the state of its sensor. Plain values and no SDK types, so that
// the preview, the tests and the benchmark fill them alike.
#pragma once

#include "sensorgeometry.h"

#include <cstdint>

namespace imaging {

constexpr int sensorWidth = sensor::width;
constexpr int sensorHeight = sensor::height;
constexpr int countMaximum = 16383; // the detector delivers 14 bits
constexpr int framesPerSecond = 25;
// Where the camera's offset tables come from before any NUC: its factory measured them at this
// sensor temperature, the stand-in's built-in base.
constexpr double calibrationKelvin = 305.0;

// The camera's video-output taps, in the order its processing passes them: the videoOutput
// setting picks the one whose picture leaves the camera.
enum class Tap : std::uint8_t {
    Raw,
    Nuc,
    ColumnCorrection,
    VignettingCorrection,
    EdgeEnhancement,
    LutCorrection,
    Reserved,
    Zoom,
    Output,
};

// Bounds included, as the camera's region-of-interest registers hold them.
struct Roi {
    int x1 = 5;
    int y1 = 5;
    int x2 = 1275;
    int y2 = 1019;
};

struct DetectorSettings {
    bool fitted = true;      // only cameras of type 12 carry the detector
    int resizeMode = 1;      // 0 off; 1 to 4 the picture it looks at
    int maxBoxes = 10;       // 0 to 100
    int sensitivity = 50;    // 0 to 100: higher finds fainter objects
    int interOverUnion = 45; // percent of overlap from which two boxes are one
    int outputType = 0;      // 0 off, 1 listed (UART), 2 drawn (OSD), 3 both
};

struct Settings {
    bool shutterClosed = false;
    // Integration time: scales the detector's response to the scene.
    std::uint32_t tint = 1;
    // The sensor's temperature at this frame, and the one at which the offset tables that the NUC
    // applies were measured: each pixel's offset drifts with the difference, by its own amount.
    double sensorKelvin = calibrationKelvin;
    double tablesKelvin = calibrationKelvin;

    int nucState = 2; // 0 off, 1 or 2 on
    bool bprCorrection = true;
    bool offsetCorrection = true;
    bool gainCorrection = true;
    bool columnCorrection = true;
    bool vignettingCorrection = true;
    double sharpening = 0.5; // unsharp-mask amount, 0 to 4

    int contrastType = 0; // 0 CLHE over the ROI, 1 CLAHE in tiles
    std::uint32_t clhe = 40;
    Roi roi;
    double gamma = 1.0;
    bool polarity = false; // black-hot

    double zoomFactor = 1.0;
    int zoomXCenter = 640;
    int zoomYCenter = 512;
    int zoomMethod = 0; // 0 nearest, 1 bilinear
    bool horizontalFlip = false;
    bool verticalFlip = false;

    int videoOutput = 8;
    DetectorSettings detector;
};

// The settings brought within what the camera accepts. The camera refuses a value outside its
// ranges, but a state file edited by hand can still hold one: each such value is taken as the
// nearest the camera accepts, an inverted ROI is put in order, and a NaN takes the built-in value.
// A temperature is taken within the sensor's working range.
Settings withinRanges(Settings settings);

// The tap of settings already within range.
Tap tapOf(const Settings& settings);

bool detectorRuns(const DetectorSettings& detector);

} // namespace imaging
