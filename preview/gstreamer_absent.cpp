// The build without GStreamer: capture devices and pipelines are read through OpenCV's videoio,
// pipelines go to it unchecked, and there is no device list.
#include "capturethread.h"
#include "framereader.h"
#include "gstreamer.h"

#include <QCoreApplication>
#include <QFile>

#include <opencv2/videoio.hpp>

namespace {

struct Absent {
    Q_DECLARE_TR_FUNCTIONS(Absent)
};

// The back end for a device's path or index: the one place that knows the platforms' names.
constexpr int deviceBackend =
#if defined(_WIN32)
    cv::CAP_MSMF;
#elif defined(__linux__)
    cv::CAP_V4L2;
#else
    cv::CAP_ANY;
#endif

// A property as a whole number, 0 where the back end gives none or a value out of range.
std::uint32_t wholeProperty(const cv::VideoCapture& capture, int property)
{
    const double value = capture.get(property);
    return value >= 0.0 && value <= 4294967295.0 ? std::uint32_t(value) : 0;
}

// OpenCV blocks in a read for as long as the source keeps it waiting, so waitMs is not kept.
class OpenCvReader : public FrameReader
{
public:
    explicit OpenCvReader(const QString& device) : device_(device) {}

    bool open()
    {
        if (isPipeline(device_))
            return capture_.open(device_.toStdString(), cv::CAP_GSTREAMER);
        bool isIndex = false;
        const int index = device_.toInt(&isIndex);
        const bool opened =
            isIndex ? capture_.open(index, deviceBackend)
                    : capture_.open(QFile::encodeName(device_).toStdString(), deviceBackend);
        if (!opened)
            return false;
        // Frames are taken raw where the preview knows their format: converted to colour,
        // 16-bit grey would lose its counts.
        capture_.set(cv::CAP_PROP_CONVERT_RGB, 0.0);
        if (!imaging::takenRaw(wholeProperty(capture_, cv::CAP_PROP_FOURCC)))
            capture_.set(cv::CAP_PROP_CONVERT_RGB, 1.0);
        return true;
    }

    Outcome next(int, const Take& take, QString& problem) override
    {
        if (!capture_.read(raw_))
            return Outcome::Ended;
        // Each frame by what the back end says of it now. GStreamer's back end does not know the
        // pixel format, and says so on every query.
        imaging::CaptureLayout layout;
        layout.fourcc = isPipeline(device_) ? 0 : wholeProperty(capture_, cv::CAP_PROP_FOURCC);
        layout.height = int(std::min(wholeProperty(capture_, cv::CAP_PROP_FRAME_HEIGHT), 1u << 30));
        // GStreamer's back end hands a compressed frame (JPEG, PNG) over as one row of its bytes,
        // which would pass for a picture.
        const bool compressed = isPipeline(device_) && raw_.rows == 1 && layout.height > 1;
        const std::optional<imaging::CapturedFrame> frame =
            compressed ? std::nullopt : imaging::capturedFrame(raw_, layout);
        if (frame)
            take(*frame);
        else if (compressed)
            problem = Absent::tr("%1 sends compressed frames, which the preview cannot show; "
                                 "decode them in the pipeline")
                          .arg(deviceName(device_));
        else
            problem = Absent::tr("%1 sends frames of a kind the preview cannot show (%2)")
                          .arg(deviceName(device_),
                               QString::fromStdString(cv::typeToString(raw_.type())));
        return Outcome::Frame;
    }

private:
    QString device_;
    cv::VideoCapture capture_;
    cv::Mat raw_;
};

} // namespace

QString pipelineProblem(const QString&)
{
    return QString();
}

std::unique_ptr<FrameReader> openCapture(const QString& device, QString&)
{
    auto reader = std::make_unique<OpenCvReader>(device);
    if (!reader->open())
        return nullptr;
    return reader;
}

bool listCaptureDevices(QStringList&, QString& error)
{
    error = Absent::tr("this build has no GStreamer, which lists the capture devices");
    return false;
}

std::optional<bool> listsCaptureDevice(const QString&)
{
    return std::nullopt;
}

QStringList formatLines(const QString&)
{
    return {};
}
