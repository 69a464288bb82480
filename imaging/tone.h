// How a picture's levels come from its counts, for the panel beside the picture and its colour
// scale: the histogram of the counts that the mapping was made from, and the mapping itself, taken
// from the very table or stretch that made the levels.
#pragma once

#include "stages.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace imaging {

// A histogram in even bins over the counts from low to high(); the pixels outside are counted
// apart, so that a few outliers do not squeeze the rest into a bin or two.
struct BinnedHistogram {
    int low = 0;
    int binWidth = 1; // counts a bin
    std::vector<std::int64_t> bins;
    std::int64_t below = 0; // pixels under low
    std::int64_t above = 0; // pixels over high()

    int high() const { return low + binWidth * int(bins.size()) - 1; }
    std::int64_t pixels() const;
};

// The counts a histogram is plotted over: the span the contrast spreads (its tails left out), and
// a quarter of that span again on each side where pixels lie there.
CountSpan plottedSpan(const Histogram& bins);

constexpr int histogramBins = 128;
BinnedHistogram binned(const Histogram& bins, CountSpan span, int binCount = histogramBins);

struct Tone {
    enum class Basis {
        Roi,          // the counts inside the contrast's ROI, from which the contrast was made
        WholePicture, // the whole picture's counts, stretched from their 1st to 99th percentile
        Levels,       // levels as they came from a source that sends no counts
    };
    Basis basis = Basis::Levels;
    BinnedHistogram histogram;
    // The level of each count, 65536 of them; empty where no mapping is known (levels that came
    // as they are).
    std::vector<std::uint8_t> curve;
    // CLAHE in tiles: each tile equalises the levels further its own way, so the curve is only
    // the linear part that comes before the tiles.
    bool tiled = false;
};

// The level of each count that a stretch, then a table of levels (gamma and polarity; none when
// empty) give, through the same functions that make the picture.
std::vector<std::uint8_t> stretchCurve(const Stretch& stretch, const cv::Mat& levelTable);

// The counts at which a curve, rising or falling, gives the level nearest to level: first to
// last, both included.
struct CountRun {
    int first = 0;
    int last = 0;
};
CountRun countsAtLevel(const std::vector<std::uint8_t>& curve, int level);

// The count a colour scale names beside a level: where the curve has reached that level at its
// end, the count from which on every count has it; otherwise the middle of the counts that give
// it.
struct ScaleMark {
    enum class Bound { AtMost, About, AtLeast };
    int count = 0;
    Bound bound = Bound::About;
};
ScaleMark scaleMark(const std::vector<std::uint8_t>& curve, int level);

// A captured picture's tone: 16-bit counts with the histogram of the whole frame and the
// preview's own stretch of it; levels with their histogram and no curve, since the camera's
// settings that made them are unknown.
Tone capturedTone(const cv::Mat& counts, const cv::Mat& levels, Histogram& scratch);

} // namespace imaging
