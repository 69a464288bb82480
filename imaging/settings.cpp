#include "settings.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace imaging {
namespace {

// What the camera accepts.
constexpr double gammaMinimum = 0.5;
constexpr double gammaMaximum = 2.5;
constexpr double sharpeningMaximum = 4.0;
constexpr std::uint32_t clheMaximum = 30000;
using sensor::roiMargin;
constexpr double zoomFactorMaximum = 8.0;
constexpr int detectorPercentMaximum = 100;
constexpr int resizeModeMaximum = 4;
constexpr int outputTypeMaximum = 3;
// Beyond this the picture is white whatever the scene; the camera's limits are set in its
// configuration and may be anything.
constexpr std::uint32_t tintMaximum = 7;
// The sensor's working range, -40 to +85 degrees Celsius: the stand-in's configuration may give
// any temperature, and far outside this the drift would have saturated every count long before.
constexpr double coldestKelvin = 233.15;
constexpr double warmestKelvin = 358.15;

double within(double value, double minimum, double maximum, double otherwise)
{
    return std::isnan(value) ? otherwise : std::clamp(value, minimum, maximum);
}

void putInOrder(int& low, int& high)
{
    if (low > high)
        std::swap(low, high);
}

} // namespace

Settings withinRanges(Settings s)
{
    const Settings builtIn;
    s.tint = std::min(s.tint, tintMaximum);
    s.sensorKelvin = within(s.sensorKelvin, coldestKelvin, warmestKelvin, builtIn.sensorKelvin);
    s.tablesKelvin = within(s.tablesKelvin, coldestKelvin, warmestKelvin, builtIn.tablesKelvin);
    s.nucState = std::clamp(s.nucState, 0, 2);
    s.sharpening = within(s.sharpening, 0.0, sharpeningMaximum, builtIn.sharpening);
    s.contrastType = std::clamp(s.contrastType, 0, 1);
    s.clhe = std::min(s.clhe, clheMaximum);
    s.roi.x1 = std::clamp(s.roi.x1, roiMargin, sensorWidth - roiMargin);
    s.roi.x2 = std::clamp(s.roi.x2, roiMargin, sensorWidth - roiMargin);
    s.roi.y1 = std::clamp(s.roi.y1, roiMargin, sensorHeight - roiMargin);
    s.roi.y2 = std::clamp(s.roi.y2, roiMargin, sensorHeight - roiMargin);
    putInOrder(s.roi.x1, s.roi.x2);
    putInOrder(s.roi.y1, s.roi.y2);
    s.gamma = within(s.gamma, gammaMinimum, gammaMaximum, builtIn.gamma);
    s.zoomFactor = within(s.zoomFactor, 1.0, zoomFactorMaximum, builtIn.zoomFactor);
    s.zoomXCenter = std::clamp(s.zoomXCenter, 0, sensorWidth - 1);
    s.zoomYCenter = std::clamp(s.zoomYCenter, 0, sensorHeight - 1);
    s.zoomMethod = std::clamp(s.zoomMethod, 0, 1);
    s.videoOutput = std::clamp(s.videoOutput, 0, int(Tap::Output));
    DetectorSettings& d = s.detector;
    d.resizeMode = std::clamp(d.resizeMode, 0, resizeModeMaximum);
    d.maxBoxes = std::clamp(d.maxBoxes, 0, detectorPercentMaximum);
    d.sensitivity = std::clamp(d.sensitivity, 0, detectorPercentMaximum);
    d.interOverUnion = std::clamp(d.interOverUnion, 0, detectorPercentMaximum);
    d.outputType = std::clamp(d.outputType, 0, outputTypeMaximum);
    return s;
}

Tap tapOf(const Settings& settings)
{
    return Tap(settings.videoOutput);
}

bool detectorRuns(const DetectorSettings& detector)
{
    return detector.fitted && detector.resizeMode != 0 && detector.outputType != 0 &&
           detector.maxBoxes != 0;
}

} // namespace imaging
