#include "measurement.h"

namespace imaging {

std::optional<Statistics> statisticsOf(const cv::Mat& values, const cv::Rect& area)
{
    const cv::Rect inside = area & cv::Rect(0, 0, values.cols, values.rows);
    if (inside.empty())
        return std::nullopt;
    Statistics statistics;
    statistics.area = inside;
    statistics.pixels = inside.area();
    cv::minMaxLoc(values(inside), &statistics.minimum, &statistics.maximum);
    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(values(inside), mean, deviation);
    statistics.mean = mean[0];
    statistics.deviation = deviation[0];
    return statistics;
}

Readings measure(const Picture& picture, const Regions& regions)
{
    Readings readings;
    readings.regions = regions;
    readings.counts = !picture.counts.empty();
    const cv::Rect shown(0, 0, picture.levels.cols, picture.levels.rows);
    const cv::Point half(spotSide / 2, spotSide / 2);
    if (shown.contains(regions.spot)) {
        const cv::Point centre =
            readings.counts ? picture.geometry.sensorPixel(regions.spot) : regions.spot;
        readings.spot = statisticsOf(readings.counts ? picture.counts : picture.levels,
                                     cv::Rect(centre - half, cv::Size(spotSide, spotSide)));
    }
    const cv::Rect box = regions.box & shown;
    // A box drawn on a picture of another size is said as what of it was measured here.
    readings.regions.box = box;
    if (!box.empty())
        readings.box = readings.counts
                           ? statisticsOf(picture.counts, picture.geometry.sensorArea(box))
                           : statisticsOf(picture.levels, box);
    return readings;
}

} // namespace imaging
