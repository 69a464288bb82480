#include "captured.h"

#include <opencv2/imgproc.hpp>

namespace imaging {
namespace {

constexpr std::uint32_t fourcc(const char (&code)[5])
{
    return std::uint32_t(std::uint8_t(code[0])) | std::uint32_t(std::uint8_t(code[1])) << 8 |
           std::uint32_t(std::uint8_t(code[2])) << 16 | std::uint32_t(std::uint8_t(code[3])) << 24;
}

constexpr std::uint32_t grey = fourcc("GREY");
constexpr std::uint32_t y10 = fourcc("Y10 ");
constexpr std::uint32_t y16 = fourcc("Y16 ");
constexpr std::uint32_t yuyv = fourcc("YUYV");
constexpr std::uint32_t uyvy = fourcc("UYVY");

// 4:2:2 carries the brightness in every other byte. A back end that does not say which half it is
// leaves it to the pixels: a grey camera's chroma is flat, and a coloured picture's chroma varies
// less than its brightness.
int brightnessChannel(const cv::Mat& frame, std::uint32_t code)
{
    if (code == yuyv)
        return 0;
    if (code == uyvy)
        return 1;
    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(frame, mean, deviation);
    return deviation[1] > deviation[0] ? 1 : 0;
}

} // namespace

bool takenRaw(std::uint32_t code)
{
    return code == grey || code == y10 || code == y16 || code == yuyv || code == uyvy;
}

CapturedKind capturedPicture(const cv::Mat& frame, const CaptureLayout& layout, Picture& picture,
                             Histogram& scratch)
{
    picture = Picture();
    if (frame.empty())
        return CapturedKind::Unsupported;
    switch (frame.type()) {
    case CV_8UC1:
        // Planar 4:2:0 puts the brightness plane above the two chroma planes, in one frame half
        // as tall again as the picture.
        if (layout.height > 0 && frame.rows > layout.height) {
            frame.rowRange(0, layout.height).copyTo(picture.levels);
            return CapturedKind::Yuv420;
        }
        frame.copyTo(picture.levels);
        return CapturedKind::Grey8;
    case CV_16UC1:
        frame.copyTo(picture.counts);
        stretchLinearly(picture.counts, picture.levels, scratch);
        return CapturedKind::Grey16;
    case CV_8UC2:
        cv::extractChannel(frame, picture.levels, brightnessChannel(frame, layout.fourcc));
        return CapturedKind::Yuv422;
    case CV_8UC3:
        cv::cvtColor(frame, picture.levels, cv::COLOR_BGR2GRAY);
        return CapturedKind::Colour;
    case CV_8UC4:
        cv::cvtColor(frame, picture.levels, cv::COLOR_BGRA2GRAY);
        return CapturedKind::Colour;
    default:
        return CapturedKind::Unsupported;
    }
}

} // namespace imaging
