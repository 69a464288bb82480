#include "tone.h"

#include "captured.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace imaging {
namespace {

constexpr int countCount = 65536;
constexpr int levelCount = 256;

} // namespace

std::int64_t BinnedHistogram::pixels() const
{
    return std::accumulate(bins.begin(), bins.end(), below + above);
}

CountSpan plottedSpan(const Histogram& bins)
{
    const auto held = [](int pixels) {
        return pixels != 0;
    };
    const auto first = std::find_if(bins.begin(), bins.end(), held);
    if (first == bins.end())
        return {};
    const auto last = std::find_if(bins.rbegin(), bins.rend(), held);
    const CountSpan contrast = contrastSpan(bins);
    const int margin = (contrast.high - contrast.low) / 4 + 1;
    return {std::max(int(first - bins.begin()), contrast.low - margin),
            std::min(int(bins.rend() - last) - 1, contrast.high + margin)};
}

BinnedHistogram binned(const Histogram& bins, CountSpan span, int binCount)
{
    BinnedHistogram result;
    result.low = span.low;
    const int counts = span.high - span.low + 1;
    result.binWidth = (counts + binCount - 1) / binCount;
    result.bins.assign(std::size_t((counts + result.binWidth - 1) / result.binWidth), 0);
    const int high = result.high();
    for (int count = 0; count < int(bins.size()); ++count) {
        const int pixels = bins[std::size_t(count)];
        if (count < result.low)
            result.below += pixels;
        else if (count > high)
            result.above += pixels;
        else
            result.bins[std::size_t((count - result.low) / result.binWidth)] += pixels;
    }
    return result;
}

std::vector<std::uint8_t> stretchCurve(const Stretch& stretch, const cv::Mat& levelTable)
{
    // Every count once, through the very functions that made the picture's levels.
    static const cv::Mat ramp = [] {
        cv::Mat counts(1, countCount, CV_16U);
        for (int count = 0; count < countCount; ++count)
            counts.at<std::uint16_t>(count) = std::uint16_t(count);
        return counts;
    }();
    cv::Mat levels;
    applyStretch(ramp, stretch, levels);
    if (!levelTable.empty())
        cv::LUT(levels, levelTable, levels);
    return {levels.ptr<std::uint8_t>(), levels.ptr<std::uint8_t>() + countCount};
}

CountRun countsAtLevel(const std::vector<std::uint8_t>& curve, int level)
{
    const auto distance = [&](int count) {
        return std::abs(int(curve[std::size_t(count)]) - level);
    };
    int nearest = 0;
    for (int count = 1; count < int(curve.size()); ++count) {
        if (distance(count) < distance(nearest))
            nearest = count;
    }
    int last = nearest;
    while (last + 1 < int(curve.size()) && distance(last + 1) == distance(nearest))
        ++last;
    return {nearest, last};
}

ScaleMark scaleMark(const std::vector<std::uint8_t>& curve, int level)
{
    const CountRun run = countsAtLevel(curve, level);
    const int lastCount = int(curve.size()) - 1;
    if (run.first == 0 && run.last < lastCount)
        return {run.last, ScaleMark::Bound::AtMost};
    if (run.last == lastCount && run.first > 0)
        return {run.first, ScaleMark::Bound::AtLeast};
    return {run.first + (run.last - run.first) / 2, ScaleMark::Bound::About};
}

Tone capturedTone(const cv::Mat& counts, const cv::Mat& levels, Histogram& scratch)
{
    Tone tone;
    if (counts.empty()) {
        countLevels(levels, scratch);
        tone.histogram = binned(scratch, {0, levelCount - 1});
        return tone;
    }
    countLevels(counts, scratch);
    tone.basis = Tone::Basis::WholePicture;
    tone.histogram = binned(scratch, plottedSpan(scratch));
    tone.curve = stretchCurve(shownStretch(scratch, std::int64_t(counts.total()), grey16FullScale),
                              cv::Mat());
    return tone;
}

} // namespace imaging
