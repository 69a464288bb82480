// The camera's object detector: boxes around what is warmer than its surroundings, found on the
// corrected picture resized as the detector's resize mode says.
#pragma once

#include "settings.h"
#include "stages.h"

#include <opencv2/core.hpp>

#include <vector>

namespace imaging {

class Detector
{
public:
    // Boxes in sensor pixels, the largest first, at most settings.maxBoxes of them. counts is the
    // whole 14-bit picture.
    std::vector<cv::Rect> find(const cv::Mat& counts, const DetectorSettings& settings);

private:
    cv::Mat halved_;
    cv::Mat resized_;
    cv::Mat labels_;
    cv::Mat stats_;
    cv::Mat centroids_;
    Histogram histogram_;
};

} // namespace imaging
