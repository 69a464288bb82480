// What the simulated camera looks at and what its detector makes of it: a landscape with sky and
// ground, people and a vehicle crossing it, seen through a detector with the flaws that the
// camera's corrections exist for. Everything is drawn from fixed seeds, so a frame number and the
// settings decide the counts to the last bit.
#pragma once

#include "settings.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace imaging {

// Counts of a scene at the ambient temperature: the detector's rest level, about which its gain
// turns. Twice the gain tables' one, so that a gain moves it by whole counts.
constexpr int restCounts = 8192;

// What the camera knows of its own detector: the tables its corrections apply.
struct SensorTables {
    cv::Mat offsets;        // CV_16S: each pixel's offset, as measured by a NUC
    cv::Mat gainCorrection; // CV_16U: the inverse of each pixel's gain, in 1/4096ths
    cv::Mat columnOffsets;  // CV_16S, one row: each column's read-out offset, down the column
    cv::Mat vignetting;     // CV_16U: how much the optics darken each pixel
    std::vector<cv::Point> badPixels;
};

class Scene
{
public:
    Scene();

    // The detector's counts for a frame (CV_16U, 14 bits): the landscape, or the inside of the
    // closed shutter, through the detector's gain, offsets, column read-outs and optics, with the
    // frame's temporal noise, the offsets' drift since their tables were measured, and the bad
    // pixels.
    cv::Mat counts(std::int64_t frame, const Settings& settings);

    // Where the warm objects stand in a frame, in sensor pixels; those mostly outside the picture
    // are left out.
    std::vector<cv::Rect> warmObjects(std::int64_t frame) const;

    const SensorTables& tables() const { return tables_; }

private:
    // A warm object that crosses the picture at its own speed and comes back from the other side.
    struct Walker {
        cv::Mat excess; // CV_16U: counts above the ambient level, at unit gain
        cv::Rect warm;  // the part of excess that is warm, relative to it
        int startX = 0;
        int y = 0; // top of the sprite
        // Pixels per frame, as a fraction; negative to the left.
        int speedNumerator = 1;
        int speedDenominator = 1;
    };

    const cv::Mat& staticCounts(const Settings& settings);
    void makeStaticCounts(const Settings& settings, const cv::Mat& landscape);
    int walkerX(const Walker& walker, std::int64_t frame) const;

    cv::Mat gain_;  // CV_16U: each pixel's gain, in 1/4096ths
    cv::Mat drift_; // CV_16S: how each pixel's offset moves per kelvin of warming
    cv::Mat noise_; // CV_16S: temporal noise, a window of it per frame
    std::vector<Walker> walkers_;
    SensorTables tables_;
    std::vector<std::uint16_t> badLevels_;

    cv::Mat static_; // the counts that do not change from frame to frame, for the key below
    std::uint32_t staticTint_ = 0;
    bool staticShutter_ = false;
};

} // namespace imaging
