// The stages of the camera's video chain. The corrections work in place on the 14-bit counts
// (CV_16U); the contrast turns them into 8-bit levels (CV_8U) through one table; zoom and flips
// work on the levels. Scratch buffers are the caller's, so that they live from frame to frame.
#pragma once

#include "scene.h"
#include "settings.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace imaging {

// How many pixels hold each count: bins[count], for counts of up to 16 bits (CV_16U) or levels
// of 8 (CV_8U).
using Histogram = std::vector<int>;
void countLevels(const cv::Mat& counts, Histogram& bins);
std::int64_t pixelCount(const Histogram& bins);
// The smallest count below which more than share of the pixels lie.
int countAtShare(const Histogram& bins, std::int64_t pixels, double share);

// The offset, gain and bad-pixel corrections of the NUC, each when its own setting is on.
void correctNonUniformity(cv::Mat& counts, const SensorTables& tables, const Settings& settings,
                          cv::Mat& scratch);
// columnOffsets is one row, an offset for each column.
void correctColumns(cv::Mat& counts, const cv::Mat& columnOffsets);
void correctVignetting(cv::Mat& counts, const cv::Mat& vignetting);
// An unsharp mask: amount times the detail above a slight blur is added back.
void sharpen(cv::Mat& counts, double amount, cv::Mat& scratch);

// A linear mapping from counts to 8-bit levels, saturated at both ends: level = count × scale +
// offset.
struct Stretch {
    double scale = 1.0;
    double offset = 0.0;
};
void applyStretch(const cv::Mat& counts, const Stretch& stretch, cv::Mat& levels);

// The counts from the first to the 99th percentile spread linearly over the 8-bit levels: how a
// picture of raw counts is shown. Where those are one count (a flat picture) there is no range to
// spread, and the picture shows that count's share of fullScale: a saturated sensor white, a dark
// one black. Leaves the counts' histogram in scratch, and returns the stretch applied.
Stretch stretchLinearly(const cv::Mat& counts, cv::Mat& levels, Histogram& scratch, int fullScale);
// The stretch that makes of counts with that histogram.
Stretch shownStretch(const Histogram& bins, std::int64_t pixels, int fullScale);

// The counts the contrast spreads over the levels: the ROI's, its tails left out.
struct CountSpan {
    int low = 0;
    int high = 0;
};
CountSpan contrastSpan(const Histogram& roi);

// How far the CLHE setting takes the contrast from a linear stretch of the ROI's range (0) to its
// full equalisation (1), growing over the whole of 0 to 30000.
double equalisation(std::uint32_t clhe);
// CLAHE's clip limit for the CLHE setting: 1 at 0, growing to 40 at 30000.
double clipLimit(std::uint32_t clhe);
// The table from counts to levels that the CLHE contrast makes of the ROI's histogram: over the
// ROI's range (its 0.1 % tails left out), its equalisation in the share equalised (0 to 1) and a
// linear stretch in the rest. Gamma and polarity follow in the same table. 65536 entries, so that
// any count has one.
void roiContrastTable(const Histogram& roi, double equalised, double gamma, bool polarity,
                      std::vector<std::uint8_t>& table);
void applyTable(const cv::Mat& counts, const std::vector<std::uint8_t>& table, cv::Mat& levels);
// What that table makes of the counts with nothing equalised, no gamma and no polarity, at a
// third of the cost (through applyStretch): the ROI's range stretched linearly.
Stretch roiRangeStretch(const Histogram& roi);
// Gamma and polarity for levels that are already 8-bit: a 256-entry table for cv::LUT.
cv::Mat levelTable(double gamma, bool polarity);

// The part of the picture that the zoom enlarges to the whole: factor times smaller, about the
// centre, moved inside the picture where the centre is too near an edge.
cv::Rect zoomWindow(const Settings& settings);

} // namespace imaging
