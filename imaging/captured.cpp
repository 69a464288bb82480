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
PixelFormat format422(const cv::Mat& frame, std::uint32_t code)
{
    if (code == yuyv)
        return PixelFormat::Yuyv;
    if (code == uyvy)
        return PixelFormat::Uyvy;
    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(frame, mean, deviation);
    return deviation[1] > deviation[0] ? PixelFormat::Uyvy : PixelFormat::Yuyv;
}

void swapBytes(cv::Mat& counts)
{
    for (int y = 0; y < counts.rows; ++y) {
        auto* row = counts.ptr<std::uint16_t>(y);
        for (int x = 0; x < counts.cols; ++x)
            row[x] = std::uint16_t(row[x] >> 8 | row[x] << 8);
    }
}

} // namespace

int pixelType(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Grey8:
    case PixelFormat::Planar420:
        return CV_8UC1;
    case PixelFormat::Grey16:
    case PixelFormat::Grey16Swapped:
        return CV_16UC1;
    case PixelFormat::Yuyv:
    case PixelFormat::Uyvy:
        return CV_8UC2;
    case PixelFormat::Bgr:
    case PixelFormat::Rgb:
        return CV_8UC3;
    case PixelFormat::Bgrx:
    case PixelFormat::Rgbx:
        break;
    }
    return CV_8UC4;
}

bool takenRaw(std::uint32_t code)
{
    return code == grey || code == y10 || code == y16 || code == yuyv || code == uyvy;
}

CapturedKind capturedPicture(const CapturedFrame& frame, Picture& picture, Histogram& scratch)
{
    picture = Picture();
    const cv::Mat& pixels = frame.pixels;
    if (pixels.empty() || pixels.type() != pixelType(frame.format))
        return CapturedKind::Unsupported;
    switch (frame.format) {
    case PixelFormat::Grey8:
        pixels.copyTo(picture.levels);
        return CapturedKind::Grey8;
    case PixelFormat::Planar420:
        pixels.copyTo(picture.levels);
        return CapturedKind::Yuv420;
    case PixelFormat::Grey16:
    case PixelFormat::Grey16Swapped:
        pixels.copyTo(picture.counts);
        if (frame.format == PixelFormat::Grey16Swapped)
            swapBytes(picture.counts);
        stretchLinearly(picture.counts, picture.levels, scratch, grey16FullScale);
        return CapturedKind::Grey16;
    case PixelFormat::Yuyv:
    case PixelFormat::Uyvy:
        cv::extractChannel(pixels, picture.levels, frame.format == PixelFormat::Yuyv ? 0 : 1);
        return CapturedKind::Yuv422;
    case PixelFormat::Bgr:
        cv::cvtColor(pixels, picture.levels, cv::COLOR_BGR2GRAY);
        return CapturedKind::Colour;
    case PixelFormat::Rgb:
        cv::cvtColor(pixels, picture.levels, cv::COLOR_RGB2GRAY);
        return CapturedKind::Colour;
    case PixelFormat::Bgrx:
        cv::cvtColor(pixels, picture.levels, cv::COLOR_BGRA2GRAY);
        return CapturedKind::Colour;
    case PixelFormat::Rgbx:
        cv::cvtColor(pixels, picture.levels, cv::COLOR_RGBA2GRAY);
        return CapturedKind::Colour;
    }
    return CapturedKind::Unsupported;
}

std::optional<CapturedFrame> capturedFrame(const cv::Mat& frame, const CaptureLayout& layout)
{
    switch (frame.type()) {
    case CV_8UC1:
        // Planar 4:2:0 puts the brightness plane above the two chroma planes, in one frame half
        // as tall again as the picture.
        if (layout.height > 0 && frame.rows > layout.height)
            return CapturedFrame{PixelFormat::Planar420, frame.rowRange(0, layout.height)};
        return CapturedFrame{PixelFormat::Grey8, frame};
    case CV_16UC1:
        return CapturedFrame{PixelFormat::Grey16, frame};
    case CV_8UC2:
        return CapturedFrame{format422(frame, layout.fourcc), frame};
    case CV_8UC3:
        return CapturedFrame{PixelFormat::Bgr, frame};
    case CV_8UC4:
        return CapturedFrame{PixelFormat::Bgrx, frame};
    default:
        return std::nullopt;
    }
}

} // namespace imaging
