// The simulated camera's video: a frame number and the camera's settings in, the picture that
// leaves the camera out, through the stages in the order of the camera's video-output taps.
#pragma once

#include "detector.h"
#include "scene.h"
#include "settings.h"
#include "stages.h"
#include "tone.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <vector>

namespace imaging {

// Where the pixels of a picture come from on the sensor: the zoom's window, enlarged to the whole
// picture, then turned by the flips.
struct Geometry {
    cv::Rect window{0, 0, sensorWidth, sensorHeight};
    bool mirrored = false;
    bool upsideDown = false;

    cv::Point sensorPixel(cv::Point shown) const;
    // The picture pixels whose sensor pixels lie in an area of the sensor, exactly, whatever the
    // zoom's scale; not cut to the picture, so that a side outside it stays outside.
    cv::Rect shownRect(const cv::Rect& sensor) const;
    // The same, cut to the picture.
    cv::Rect shownArea(const cv::Rect& sensor) const;
    // The sensor pixels that an area of the picture shows.
    cv::Rect sensorArea(const cv::Rect& shown) const;
};

struct Picture {
    std::int64_t frame = 0;
    Tap tap = Tap::Output;
    cv::Mat levels; // CV_8U: the picture as the video output carries it
    cv::Mat counts; // CV_16U: the detector's raw counts, what the RAW tap shows
    Geometry geometry;
    // In sensor pixels, numbered from 1 in this order.
    std::vector<cv::Rect> detections;
    bool detectionsListed = false; // the detector reports them beside the video too (UART)
};

class Pipeline
{
public:
    Pipeline();

    Picture render(std::int64_t frame, const Settings& settings);
    // How the last picture rendered got its levels from its counts: the histogram and the table
    // or stretch that made them. Apart from render, which does not pay for it.
    Tone tone() const;

    const Scene& scene() const { return scene_; }

private:
    void showCounts(Picture& picture);
    void applyContrast(const Settings& settings, cv::Mat& levels);
    Picture finished(Picture& picture, const Settings& settings) const;

    Scene scene_;
    Detector detector_;
    cv::Ptr<cv::CLAHE> clahe_;
    // Buffers that live from frame to frame; what a Picture holds is its own.
    cv::Mat counts_;
    cv::Mat scratch_;
    cv::Mat linear_;
    // The histogram that the last picture's levels were made from, and how.
    Histogram histogram_;
    std::vector<std::uint8_t> table_;
    struct Mapping {
        Tone::Basis basis = Tone::Basis::WholePicture;
        bool tabled = false; // by table_; by the stretch otherwise
        bool tiled = false;  // CLAHE's tiles after the stretch, then levelTable where it is set
        Stretch stretch;
        cv::Mat levelTable;
    };
    Mapping mapping_;
};

// The detections' boxes drawn into the picture with their numbers, as the camera's OSD does.
void drawDetections(Picture& picture);

} // namespace imaging
