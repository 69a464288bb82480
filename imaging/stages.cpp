#include "stages.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace imaging {
namespace {

constexpr int levelCount = 256;
constexpr int countCount = 65536;
constexpr double gainOne = 4096.0;
static_assert(restCounts % int(gainOne) == 0, "a gain moves the rest level by whole counts");
// The tails left out of a stretch: a few bad or hot pixels must not decide the contrast.
constexpr double shownLowShare = 0.01;
constexpr double shownHighShare = 0.99;
constexpr double contrastLowShare = 0.001;
constexpr double contrastHighShare = 0.999;
constexpr double clheMaximum = 30000.0;
constexpr double strongestClipLimit = 40.0;

std::uint8_t level(double share, double gamma, bool polarity)
{
    const double bright = std::pow(std::clamp(share, 0.0, 1.0), 1.0 / gamma);
    return std::uint8_t(std::lround((polarity ? 1.0 - bright : bright) * (levelCount - 1)));
}

// A gain turns the counts about the detector's rest level, not about 0: what correction moved the
// rest level by is given back, restCounts × (1 − correction / gainOne) counts.
void keepRestLevel(cv::Mat& counts, const cv::Mat& correction)
{
    constexpr int restInGains = restCounts / int(gainOne);
    for (int y = 0; y < counts.rows; ++y) {
        auto* row = counts.ptr<std::uint16_t>(y);
        const auto* gains = correction.ptr<std::uint16_t>(y);
        for (int x = 0; x < counts.cols; ++x)
            row[x] = cv::saturate_cast<std::uint16_t>(int(row[x]) + restCounts -
                                                      restInGains * int(gains[x]));
    }
}

template <typename Value> void countValues(const cv::Mat& values, Histogram& bins)
{
    bins.assign(std::size_t(1) << (8 * sizeof(Value)), 0);
    for (int y = 0; y < values.rows; ++y) {
        const auto* row = values.ptr<Value>(y);
        for (int x = 0; x < values.cols; ++x)
            ++bins[row[x]];
    }
}

} // namespace

void countLevels(const cv::Mat& counts, Histogram& bins)
{
    CV_Assert(counts.type() == CV_16UC1 || counts.type() == CV_8UC1);
    if (counts.type() == CV_16UC1)
        countValues<std::uint16_t>(counts, bins);
    else
        countValues<std::uint8_t>(counts, bins);
}

std::int64_t pixelCount(const Histogram& bins)
{
    std::int64_t sum = 0;
    for (const int count : bins)
        sum += count;
    return sum;
}

CountSpan contrastSpan(const Histogram& roi)
{
    const std::int64_t pixels = pixelCount(roi);
    return {countAtShare(roi, pixels, contrastLowShare),
            countAtShare(roi, pixels, contrastHighShare)};
}

int countAtShare(const Histogram& bins, std::int64_t pixels, double share)
{
    const double wanted = share * double(pixels);
    std::int64_t below = 0;
    for (int count = 0; count < int(bins.size()); ++count) {
        below += bins[std::size_t(count)];
        if (double(below) > wanted)
            return count;
    }
    return int(bins.size()) - 1;
}

void correctNonUniformity(cv::Mat& counts, const SensorTables& tables, const Settings& settings,
                          cv::Mat& scratch)
{
    if (settings.offsetCorrection)
        cv::subtract(counts, tables.offsets, counts, cv::noArray(), CV_16U);
    if (settings.gainCorrection) {
        cv::multiply(counts, tables.gainCorrection, counts, 1.0 / gainOne);
        keepRestLevel(counts, tables.gainCorrection);
        cv::min(counts, countMaximum, counts);
    }
    if (settings.bprCorrection) {
        // The median of the 3x3 around each bad pixel, all taken before any is replaced: over the
        // whole picture the median would cost twenty times as much for 0.03 % of its pixels.
        const cv::Rect picture(0, 0, counts.cols, counts.rows);
        std::vector<std::uint16_t> medians;
        medians.reserve(tables.badPixels.size());
        for (const cv::Point& pixel : tables.badPixels) {
            const cv::Rect around = cv::Rect(pixel - cv::Point(1, 1), cv::Size(3, 3)) & picture;
            cv::medianBlur(counts(around), scratch, 3);
            medians.push_back(scratch.at<std::uint16_t>(pixel - around.tl()));
        }
        for (std::size_t index = 0; index < medians.size(); ++index)
            counts.at<std::uint16_t>(tables.badPixels[index]) = medians[index];
    }
}

void correctColumns(cv::Mat& counts, const cv::Mat& columnOffsets)
{
    CV_Assert(columnOffsets.type() == CV_16SC1 && columnOffsets.cols == counts.cols);
    const auto* offsets = columnOffsets.ptr<std::int16_t>();
    for (int y = 0; y < counts.rows; ++y) {
        auto* row = counts.ptr<std::uint16_t>(y);
        for (int x = 0; x < counts.cols; ++x)
            row[x] = std::uint16_t(std::clamp(int(row[x]) - offsets[x], 0, countMaximum));
    }
}

void correctVignetting(cv::Mat& counts, const cv::Mat& vignetting)
{
    cv::add(counts, vignetting, counts);
    cv::min(counts, countMaximum, counts);
}

void sharpen(cv::Mat& counts, double amount, cv::Mat& scratch)
{
    cv::GaussianBlur(counts, scratch, {3, 3}, 0.0);
    cv::addWeighted(counts, 1.0 + amount, scratch, -amount, 0.0, counts);
    cv::min(counts, countMaximum, counts);
}

void applyStretch(const cv::Mat& counts, const Stretch& stretch, cv::Mat& levels)
{
    counts.convertTo(levels, CV_8U, stretch.scale, stretch.offset);
}

Stretch shownStretch(const Histogram& bins, std::int64_t pixels, int fullScale)
{
    const int low = countAtShare(bins, pixels, shownLowShare);
    const int high = countAtShare(bins, pixels, shownHighShare);
    if (high <= low)
        return {double(levelCount - 1) / double(fullScale), 0.0};
    const double scale = double(levelCount - 1) / double(high - low);
    return {scale, -double(low) * scale};
}

Stretch stretchLinearly(const cv::Mat& counts, cv::Mat& levels, Histogram& scratch, int fullScale)
{
    countLevels(counts, scratch);
    const Stretch stretch = shownStretch(scratch, std::int64_t(counts.total()), fullScale);
    applyStretch(counts, stretch, levels);
    return stretch;
}

double equalisation(std::uint32_t clhe)
{
    // A fourth root: the spin box's steps of 1 show at the low end and the slider's of 300 still
    // change the picture at the top, and the default 40 equalises by a fifth, which brings out the
    // ground without burning out the warm objects. A square root would leave 40 nearly linear.
    return std::pow(std::min(double(clhe), clheMaximum) / clheMaximum, 0.25);
}

double clipLimit(std::uint32_t clhe)
{
    // Along the same curve from 1, nearly linear, to 40, harsh: the clip limit acts about
    // logarithmically on the picture.
    return std::pow(strongestClipLimit, equalisation(clhe));
}

void roiContrastTable(const Histogram& roi, double equalised, double gamma, bool polarity,
                      std::vector<std::uint8_t>& table)
{
    const auto [low, high] = contrastSpan(roi);
    const int binCount = high - low + 1;
    double inRange = 0.0;
    for (int count = low; count <= high; ++count)
        inRange += roi[std::size_t(count)];
    // Each count's share of the range: an even one stretches linearly, the ROI's own equalises.
    const double even = (1.0 - equalised) * inRange / binCount;

    table.resize(countCount);
    std::fill(table.begin(), table.begin() + low, level(0.0, gamma, polarity));
    double below = 0.0;
    for (int count = low; count <= high; ++count) {
        const double share = even + equalised * roi[std::size_t(count)];
        table[std::size_t(count)] = level((below + share / 2.0) / inRange, gamma, polarity);
        below += share;
    }
    std::fill(table.begin() + high + 1, table.end(), level(1.0, gamma, polarity));
}

Stretch roiRangeStretch(const Histogram& roi)
{
    // The table's linear mapping, each count to the middle of its share of the range.
    const auto [low, high] = contrastSpan(roi);
    const double scale = double(levelCount - 1) / double(high - low + 1);
    return {scale, (0.5 - low) * scale};
}

void applyTable(const cv::Mat& counts, const std::vector<std::uint8_t>& table, cv::Mat& levels)
{
    CV_Assert(counts.type() == CV_16UC1 && table.size() == std::size_t(countCount));
    levels.create(counts.size(), CV_8U);
    for (int y = 0; y < counts.rows; ++y) {
        const auto* in = counts.ptr<std::uint16_t>(y);
        auto* out = levels.ptr<std::uint8_t>(y);
        for (int x = 0; x < counts.cols; ++x)
            out[x] = table[in[x]];
    }
}

cv::Mat levelTable(double gamma, bool polarity)
{
    cv::Mat table(1, levelCount, CV_8U);
    for (int index = 0; index < levelCount; ++index)
        table.at<std::uint8_t>(index) = level(index / double(levelCount - 1), gamma, polarity);
    return table;
}

cv::Rect zoomWindow(const Settings& settings)
{
    const int width =
        std::clamp(int(std::lround(sensorWidth / settings.zoomFactor)), 1, sensorWidth);
    const int height =
        std::clamp(int(std::lround(sensorHeight / settings.zoomFactor)), 1, sensorHeight);
    const int x = std::clamp(settings.zoomXCenter - width / 2, 0, sensorWidth - width);
    const int y = std::clamp(settings.zoomYCenter - height / 2, 0, sensorHeight - height);
    return {x, y, width, height};
}

} // namespace imaging
