// Numbers for the parts of a picture the operator measures: a spot about the probe and a box,
// each with the least, greatest and mean value and its standard deviation. Of the raw counts of
// the sensor pixels that the part shows, through the zoom and the flips, where the picture has
// counts; of its levels otherwise.
#pragma once

#include "pipeline.h"

#include <opencv2/core.hpp>

#include <optional>

namespace imaging {

struct Statistics {
    cv::Rect area; // the values' pixels measured: the sensor's, where there are counts
    int pixels = 0;
    double minimum = 0.0;
    double maximum = 0.0;
    double mean = 0.0;
    double deviation = 0.0;
};

// Of values (CV_8U or CV_16U) inside area, cut to them; nothing where none is left.
std::optional<Statistics> statisticsOf(const cv::Mat& values, const cv::Rect& area);

// The spot is this many pixels square about the probed one, so that it reads past a pixel's
// noise.
constexpr int spotSide = 3;

// In the picture's pixels: no spot where its x is negative, no box where it is empty.
struct Regions {
    cv::Point spot{-1, -1};
    cv::Rect box;

    bool operator==(const Regions& other) const { return spot == other.spot && box == other.box; }
};

struct Readings {
    Regions regions;     // what was asked for, the box cut to the picture
    bool counts = false; // raw counts; levels otherwise
    std::optional<Statistics> spot;
    std::optional<Statistics> box;
};

Readings measure(const Picture& picture, const Regions& regions);

} // namespace imaging
