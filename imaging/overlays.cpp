#include "overlays.h"

#include "stages.h"

#include <opencv2/imgproc.hpp>

#include <string>

namespace imaging {
namespace {

constexpr int centreArm = 8;

cv::Scalar bgr(std::uint32_t rgb)
{
    return {double(rgb & 0xff), double(rgb >> 8 & 0xff), double(rgb >> 16 & 0xff)};
}

// A pixel-wide outline on the rectangle's own outer pixels, over a dark edge on either side.
void outline(cv::Mat& picture, const cv::Rect& area, std::uint32_t colour)
{
    if (area.empty())
        return;
    const cv::Point last = area.br() - cv::Point(1, 1);
    cv::rectangle(picture, area.tl(), last, bgr(edgeColour), 3);
    cv::rectangle(picture, area.tl(), last, bgr(colour), 1);
}

// Inside the area's top left corner, or just above it, where it leaves what is inside in view.
void label(cv::Mat& picture, const std::string& text, const cv::Rect& area, std::uint32_t colour,
           bool above = false)
{
    const cv::Point corner = above && area.y > 24 ? cv::Point(area.x + 1, area.y - 6)
                                                  : cv::Point(area.x + 4, area.y + 16);
    cv::putText(picture, text, corner, cv::FONT_HERSHEY_SIMPLEX, 0.5, bgr(edgeColour), 3,
                cv::LINE_AA);
    cv::putText(picture, text, corner, cv::FONT_HERSHEY_SIMPLEX, 0.5, bgr(colour), 1, cv::LINE_AA);
}

} // namespace

Overlays overlaysOf(const Picture& picture, const Settings& requested)
{
    const Settings settings = withinRanges(requested);
    const Geometry& geometry = picture.geometry;
    Overlays overlays;
    const Roi& roi = settings.roi;
    overlays.roi =
        geometry.shownRect(cv::Rect(cv::Point(roi.x1, roi.y1), cv::Point(roi.x2 + 1, roi.y2 + 1)));
    const cv::Rect window = zoomWindow(settings);
    if (window.size() != cv::Size(sensorWidth, sensorHeight)) {
        const cv::Point centre(window.x + window.width / 2, window.y + window.height / 2);
        const cv::Rect shown = geometry.shownRect(cv::Rect(centre, cv::Size(1, 1)));
        overlays.zoomCentre = shown.tl() + cv::Point(shown.width / 2, shown.height / 2);
        if (picture.tap < Tap::Zoom)
            overlays.zoomWindow = window;
    }
    for (const cv::Rect& box : picture.detections)
        overlays.boxes.push_back(geometry.shownRect(box));
    return overlays;
}

void drawOverlays(cv::Mat& picture, const Overlays& overlays)
{
    outline(picture, overlays.roi, roiColour);
    label(picture, "ROI", overlays.roi, roiColour);
    outline(picture, overlays.zoomWindow, zoomColour);
    if (overlays.zoomCentre.x >= 0) {
        const cv::Point at = overlays.zoomCentre;
        for (const auto& [colour, width] : {std::pair(edgeColour, 3), std::pair(zoomColour, 1)}) {
            cv::line(picture, at - cv::Point(centreArm, 0), at + cv::Point(centreArm, 0),
                     bgr(colour), width);
            cv::line(picture, at - cv::Point(0, centreArm), at + cv::Point(0, centreArm),
                     bgr(colour), width);
        }
    }
    for (std::size_t index = 0; index < overlays.boxes.size(); ++index) {
        outline(picture, overlays.boxes[index], detectionColour);
        label(picture, std::to_string(index + 1), overlays.boxes[index], detectionColour, true);
    }
}

} // namespace imaging
