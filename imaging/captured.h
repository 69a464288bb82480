// A captured frame as the preview shows it: 8-bit grey as it comes, YUV and colour by their
// brightness, 16-bit grey (the camera's RAW output) stretched linearly from its 1st to its 99th
// percentile, with its counts kept for the probe.
#pragma once

#include "pipeline.h"

#include <opencv2/core.hpp>

#include <cstdint>

namespace imaging {

// What a capture back end says of its frames. A back end that does not say leaves fourcc 0 and
// the frame's type tells; height is the picture's, which a planar 4:2:0 frame exceeds by half.
struct CaptureLayout {
    std::uint32_t fourcc = 0;
    int height = 0;
};

enum class CapturedKind { Unsupported, Grey8, Grey16, Yuv422, Yuv420, Colour };

// The kind of the frame; its picture in picture, whose levels stay empty when the kind is
// Unsupported. The picture's pixels are its own, whatever buffer the frame lives in.
CapturedKind capturedPicture(const cv::Mat& frame, const CaptureLayout& layout, Picture& picture,
                             Histogram& scratch);

// The pixel formats whose frames the preview takes raw from a back end that can convert them
// itself (to colour, losing the 16-bit counts); any other is better converted there.
bool takenRaw(std::uint32_t fourcc);

} // namespace imaging
