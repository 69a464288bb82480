#include "pipeline.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace imaging {
namespace {

constexpr int tileGrid = 8;

bool drawn(const DetectorSettings& detector)
{
    return detector.outputType == 2 || detector.outputType == 3;
}

bool listed(const DetectorSettings& detector)
{
    return detector.outputType == 1 || detector.outputType == 3;
}

} // namespace

cv::Point Geometry::sensorPixel(cv::Point shown) const
{
    const int x = mirrored ? sensorWidth - 1 - shown.x : shown.x;
    const int y = upsideDown ? sensorHeight - 1 - shown.y : shown.y;
    return {window.x + int(std::int64_t(x) * window.width / sensorWidth),
            window.y + int(std::int64_t(y) * window.height / sensorHeight)};
}

cv::Rect Geometry::shownRect(const cv::Rect& sensor) const
{
    // A picture pixel x shows sensor pixel window.x + floor(x * window.width / sensorWidth): the
    // first to show sensor pixel s is the smallest x that reaches it.
    const auto firstShowing = [](int sensorOffset, int whole, int part) {
        const std::int64_t scaled = std::int64_t(sensorOffset) * whole;
        return int(scaled >= 0 ? (scaled + part - 1) / part : -(-scaled / part));
    };
    int left = firstShowing(sensor.x - window.x, sensorWidth, window.width);
    int right = firstShowing(sensor.br().x - window.x, sensorWidth, window.width);
    int top = firstShowing(sensor.y - window.y, sensorHeight, window.height);
    int bottom = firstShowing(sensor.br().y - window.y, sensorHeight, window.height);
    if (mirrored) {
        left = sensorWidth - std::exchange(right, sensorWidth - left);
    }
    if (upsideDown) {
        top = sensorHeight - std::exchange(bottom, sensorHeight - top);
    }
    return {cv::Point(left, top), cv::Point(right, bottom)};
}

cv::Rect Geometry::shownArea(const cv::Rect& sensor) const
{
    return shownRect(sensor) & cv::Rect(0, 0, sensorWidth, sensorHeight);
}

cv::Rect Geometry::sensorArea(const cv::Rect& shown) const
{
    if (shown.empty())
        return {};
    // Nearest-neighbour zoom and flips keep the order of the pixels, so the two far corners
    // bound what the area shows.
    const cv::Point first = sensorPixel(shown.tl());
    const cv::Point last = sensorPixel(shown.br() - cv::Point(1, 1));
    return {cv::Point(std::min(first.x, last.x), std::min(first.y, last.y)),
            cv::Point(std::max(first.x, last.x) + 1, std::max(first.y, last.y) + 1)};
}

Pipeline::Pipeline() : clahe_(cv::createCLAHE(clipLimit(0), {tileGrid, tileGrid})) {}

void Pipeline::showCounts(Picture& picture)
{
    mapping_ = {Tone::Basis::WholePicture, false, false,
                stretchLinearly(counts_, picture.levels, histogram_, countMaximum), cv::Mat()};
}

void Pipeline::applyContrast(const Settings& settings, cv::Mat& levels)
{
    const Roi& roi = settings.roi;
    countLevels(counts_(cv::Rect(cv::Point(roi.x1, roi.y1), cv::Point(roi.x2 + 1, roi.y2 + 1))),
                histogram_);
    const bool tabled = settings.contrastType == 0;
    mapping_ = {Tone::Basis::Roi, tabled, !tabled, Stretch(), cv::Mat()};
    if (tabled) {
        roiContrastTable(histogram_, equalisation(settings.clhe), settings.gamma, settings.polarity,
                         table_);
        applyTable(counts_, table_, levels);
        return;
    }
    // In tiles, CLAHE works on the 8-bit levels of a linear stretch of the ROI's range.
    mapping_.stretch = roiRangeStretch(histogram_);
    applyStretch(counts_, mapping_.stretch, linear_);
    clahe_->setClipLimit(clipLimit(settings.clhe));
    clahe_->apply(linear_, levels);
    // Gamma 1 without polarity leaves every level as it is.
    if (settings.gamma != 1.0 || settings.polarity) {
        mapping_.levelTable = levelTable(settings.gamma, settings.polarity);
        cv::LUT(levels, mapping_.levelTable, levels);
    }
}

Tone Pipeline::tone() const
{
    Tone tone;
    tone.basis = mapping_.basis;
    tone.tiled = mapping_.tiled;
    if (histogram_.empty())
        return tone;
    tone.histogram = binned(histogram_, plottedSpan(histogram_));
    tone.curve = mapping_.tabled ? table_ : stretchCurve(mapping_.stretch, mapping_.levelTable);
    return tone;
}

Picture Pipeline::finished(Picture& picture, const Settings& settings) const
{
    picture.detectionsListed = !picture.detections.empty() && listed(settings.detector);
    // The camera's OSD draws into its output, after the flips: an earlier tap shows its stage's
    // picture as it is.
    if (drawn(settings.detector) && picture.tap == Tap::Output)
        drawDetections(picture);
    return std::move(picture);
}

Picture Pipeline::render(std::int64_t frame, const Settings& requested)
{
    const Settings settings = withinRanges(requested);
    Picture picture;
    picture.frame = frame;
    picture.tap = tapOf(settings);
    picture.counts = scene_.counts(frame, settings);
    picture.counts.copyTo(counts_);
    const auto shows = [&](Tap tap) {
        return picture.tap == tap;
    };

    if (shows(Tap::Raw))
        showCounts(picture);
    if (settings.nucState != 0)
        correctNonUniformity(counts_, scene_.tables(), settings, scratch_);
    if (shows(Tap::Nuc))
        showCounts(picture);
    if (settings.columnCorrection)
        correctColumns(counts_, scene_.tables().columnOffsets);
    if (shows(Tap::ColumnCorrection))
        showCounts(picture);
    if (settings.vignettingCorrection)
        correctVignetting(counts_, scene_.tables().vignetting);
    if (shows(Tap::VignettingCorrection))
        showCounts(picture);
    // The detector looks at the corrected picture, whichever tap the video shows.
    if (detectorRuns(settings.detector))
        picture.detections = detector_.find(counts_, settings.detector);
    if (picture.tap < Tap::EdgeEnhancement)
        return finished(picture, settings);

    if (settings.sharpening > 0.0)
        sharpen(counts_, settings.sharpening, scratch_);
    if (shows(Tap::EdgeEnhancement)) {
        showCounts(picture);
        return finished(picture, settings);
    }
    applyContrast(settings, picture.levels);
    if (picture.tap < Tap::Zoom)
        return finished(picture, settings);

    const cv::Rect window = zoomWindow(settings);
    if (window.size() != picture.levels.size()) {
        cv::Mat zoomed;
        cv::resize(picture.levels(window), zoomed, picture.levels.size(), 0.0, 0.0,
                   settings.zoomMethod == 0 ? cv::INTER_NEAREST : cv::INTER_LINEAR);
        picture.levels = zoomed;
        picture.geometry.window = window;
    }
    if (shows(Tap::Zoom))
        return finished(picture, settings);

    if (settings.horizontalFlip || settings.verticalFlip) {
        const int around = settings.horizontalFlip && settings.verticalFlip ? -1
                           : settings.horizontalFlip                        ? 1
                                                                            : 0;
        cv::Mat flipped;
        cv::flip(picture.levels, flipped, around);
        picture.levels = flipped;
        picture.geometry.mirrored = settings.horizontalFlip;
        picture.geometry.upsideDown = settings.verticalFlip;
    }
    return finished(picture, settings);
}

void drawDetections(Picture& picture)
{
    const cv::Scalar dark(0);
    const cv::Scalar light(255);
    for (std::size_t index = 0; index < picture.detections.size(); ++index) {
        const cv::Rect box = picture.geometry.shownArea(picture.detections[index]);
        if (box.empty())
            continue;
        // A light line on a dark one shows on any part of the picture, in either polarity.
        cv::rectangle(picture.levels, box, dark, 4);
        cv::rectangle(picture.levels, box, light, 2);
        const std::string number = std::to_string(index + 1);
        const cv::Point corner(box.x + 2, box.y > 24 ? box.y - 6 : box.y + 22);
        cv::putText(picture.levels, number, corner, cv::FONT_HERSHEY_SIMPLEX, 0.7, dark, 4,
                    cv::LINE_AA);
        cv::putText(picture.levels, number, corner, cv::FONT_HERSHEY_SIMPLEX, 0.7, light, 2,
                    cv::LINE_AA);
    }
}

} // namespace imaging
