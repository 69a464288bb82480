// The settings drawn on the picture: the contrast's ROI, the zoom's window and centre, and the
// detector's boxes, mapped through the zoom and the flips exactly as the picture's pixels are.
#pragma once

#include "pipeline.h"
#include "settings.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace imaging {

// In the picture's pixels, not cut to it: a side outside the picture is not drawn at its edge.
struct Overlays {
    cv::Rect roi;
    // Before the zoom's tap, the part of the picture the zoom enlarges; empty at zoom 1 and from
    // that tap on, where the window is the whole picture.
    cv::Rect zoomWindow;
    // The pixel that shows the zoom window's centre; none (negative) at zoom 1.
    cv::Point zoomCentre{-1, -1};
    // The detector's boxes, numbered from 1 in this order.
    std::vector<cv::Rect> boxes;
};

Overlays overlaysOf(const Picture& picture, const Settings& settings);

// As 0xRRGGBB. Each is drawn over a dark edge, so that it shows on any palette.
constexpr std::uint32_t roiColour = 0xffd400;
constexpr std::uint32_t zoomColour = 0x00e0ff;
constexpr std::uint32_t detectionColour = 0x40ff40;
constexpr std::uint32_t edgeColour = 0x000000;

// Draws them into a colour picture (CV_8UC3, BGR) of the picture's size, one pixel wide on their
// own outer pixels, for a snapshot.
void drawOverlays(cv::Mat& picture, const Overlays& overlays);

} // namespace imaging
