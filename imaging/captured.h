// A captured frame as the preview shows it: 8-bit grey as it comes, YUV and colour by their
// brightness, 16-bit grey (the camera's RAW output) stretched linearly from its 1st to its 99th
// percentile, with its counts kept for the probe. Each frame is read by the format it comes in:
// a stream may change its size or format from one frame to the next.
#pragma once

#include "pipeline.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>

namespace imaging {

// How a frame's pixels hold the picture. Where the brightness has a plane of its own (planar
// 4:2:0), the frame gives only that plane.
enum class PixelFormat {
    Grey8,
    Grey16,        // 16-bit counts in the machine's byte order
    Grey16Swapped, // 16-bit counts, their bytes the other way round
    Yuyv,          // 4:2:2 with the brightness in the first byte of each pair (YUYV, YVYU)
    Uyvy,          // 4:2:2 with the brightness in the second (UYVY, VYUY)
    Planar420,     // the brightness plane of a 4:2:0 frame (I420, YV12, NV12, NV21)
    Bgr,
    Rgb,
    Bgrx, // four bytes a pixel, the last unused or alpha
    Rgbx,
};

struct CapturedFrame {
    PixelFormat format = PixelFormat::Grey8;
    // The picture's pixels at its size: CV_8UC1, CV_16UC1, CV_8UC2, CV_8UC3 or CV_8UC4 as the
    // format packs them. Usually a view of the back end's buffer, with its row stride.
    cv::Mat pixels;
};

// The count that 16-bit grey shows white when the whole frame holds it.
constexpr int grey16FullScale = 65535;

// The OpenCV type of a frame's pixels in format.
int pixelType(PixelFormat format);

enum class CapturedKind { Unsupported, Grey8, Grey16, Yuv422, Yuv420, Colour };

// The kind of the frame; its picture in picture, whose levels stay empty when the kind is
// Unsupported (pixels that do not fit the format). The picture's pixels are its own, whatever
// buffer the frame lives in.
CapturedKind capturedPicture(const CapturedFrame& frame, Picture& picture, Histogram& scratch);

// What a capture back end that hands frames over as bare matrices (OpenCV's) says of them. One
// that does not say leaves fourcc 0 and the frame's type tells; height is the picture's, which a
// planar 4:2:0 frame exceeds by half.
struct CaptureLayout {
    std::uint32_t fourcc = 0;
    int height = 0;
};

// Such a frame as what it holds; nothing for a type the preview does not show.
std::optional<CapturedFrame> capturedFrame(const cv::Mat& frame, const CaptureLayout& layout);

// The pixel formats whose frames the preview takes raw from a back end that can convert them
// itself (to colour, losing the 16-bit counts); any other is better converted there.
bool takenRaw(std::uint32_t fourcc);

} // namespace imaging
