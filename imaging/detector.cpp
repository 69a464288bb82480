#include "detector.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace imaging {
namespace {

constexpr int networkSide = 416;
// Warm by at least this many counts (about two kelvin), so that noise on a flat picture, as the
// closed shutter gives, is never an object; each point of sensitivity less asks for more.
constexpr int leastContrast = 120;
constexpr int contrastPerPoint = 8;
constexpr int leastArea = 8; // pixels of the resized picture

struct Input {
    cv::Rect region; // of the sensor
    cv::Size size;   // what the detector looks at
};

Input inputFor(int resizeMode)
{
    const cv::Rect whole(0, 0, sensorWidth, sensorHeight);
    switch (resizeMode) {
    case 2: // the centred square, aspect ratio kept
        return {{(sensorWidth - sensorHeight) / 2, 0, sensorHeight, sensorHeight},
                {networkSide, networkSide}};
    case 3: // the whole picture, aspect ratio kept
        return {whole, {networkSide, networkSide * sensorHeight / sensorWidth}};
    case 4: // the centred region, not resized at all
        return {{(sensorWidth - networkSide) / 2, (sensorHeight - networkSide) / 2, networkSide,
                 networkSide},
                {networkSide, networkSide}};
    default: // the whole picture squeezed into the square
        return {whole, {networkSide, networkSide}};
    }
}

double overlap(const cv::Rect& a, const cv::Rect& b)
{
    const double common = (a & b).area();
    return common / (double(a.area()) + double(b.area()) - common);
}

} // namespace

std::vector<cv::Rect> Detector::find(const cv::Mat& counts, const DetectorSettings& settings)
{
    const Input input = inputFor(settings.resizeMode);
    if (input.size == input.region.size()) {
        counts(input.region).copyTo(resized_);
    } else {
        // Halved first, smoothed as a shrink must be; what is left of the shrink, less than half,
        // is linear: by areas it costs four times as much, for objects that span many pixels.
        cv::pyrDown(counts(input.region), halved_);
        cv::resize(halved_, resized_, input.size, 0.0, 0.0, cv::INTER_LINEAR);
    }

    // Warm means warmer than most of what the detector sees.
    countLevels(resized_, histogram_);
    const int background = countAtShare(histogram_, std::int64_t(resized_.total()), 0.5);
    const int threshold =
        background + leastContrast + (100 - settings.sensitivity) * contrastPerPoint;
    const cv::Mat warm = resized_ > threshold;
    const int found =
        cv::connectedComponentsWithStats(warm, labels_, stats_, centroids_, 8, CV_32S);

    std::vector<cv::Rect> candidates;
    for (int label = 1; label < found; ++label) {
        if (stats_.at<int>(label, cv::CC_STAT_AREA) >= leastArea)
            candidates.emplace_back(stats_.at<int>(label, cv::CC_STAT_LEFT),
                                    stats_.at<int>(label, cv::CC_STAT_TOP),
                                    stats_.at<int>(label, cv::CC_STAT_WIDTH),
                                    stats_.at<int>(label, cv::CC_STAT_HEIGHT));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const cv::Rect& a, const cv::Rect& b) { return a.area() > b.area(); });

    // Boxes that overlap by the intersection over union or more are one object.
    const double merging = settings.interOverUnion / 100.0;
    std::vector<cv::Rect> boxes;
    for (const cv::Rect& candidate : candidates) {
        const auto same = std::find_if(boxes.begin(), boxes.end(), [&](const cv::Rect& box) {
            const double shared = overlap(box, candidate);
            return shared > 0.0 && shared >= merging;
        });
        if (same != boxes.end())
            *same |= candidate;
        else
            boxes.push_back(candidate);
    }
    if (boxes.size() > std::size_t(settings.maxBoxes))
        boxes.resize(std::size_t(settings.maxBoxes));

    for (cv::Rect& box : boxes) {
        const int left = input.region.x + box.x * input.region.width / input.size.width;
        const int top = input.region.y + box.y * input.region.height / input.size.height;
        const int right =
            input.region.x +
            (box.br().x * input.region.width + input.size.width - 1) / input.size.width;
        const int bottom =
            input.region.y +
            (box.br().y * input.region.height + input.size.height - 1) / input.size.height;
        box = cv::Rect(cv::Point(left, top), cv::Point(right, bottom));
    }
    return boxes;
}

} // namespace imaging
