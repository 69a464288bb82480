#include "palettes.h"

#include <opencv2/imgproc.hpp>

QVector<QRgb> paletteColours(Palette palette)
{
    QVector<QRgb> colours(256);
    if (palette == Palette::Grey) {
        for (int level = 0; level < colours.size(); ++level)
            colours[level] = qRgb(level, level, level);
        return colours;
    }
    cv::Mat ramp(1, 256, CV_8U);
    for (int level = 0; level < ramp.cols; ++level)
        ramp.at<std::uint8_t>(level) = std::uint8_t(level);
    cv::Mat coloured;
    // Inferno runs from black through purple and red to yellow, as an iron palette does.
    cv::applyColorMap(ramp, coloured,
                      palette == Palette::Iron ? cv::COLORMAP_INFERNO : cv::COLORMAP_TURBO);
    for (int level = 0; level < colours.size(); ++level) {
        const cv::Vec3b bgr = coloured.at<cv::Vec3b>(level);
        colours[level] = qRgb(bgr[2], bgr[1], bgr[0]);
    }
    return colours;
}
