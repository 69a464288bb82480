// The build without GStreamer: OpenCV's videoio writes the video, through whichever of its back
// ends writes VP8 (FFmpeg's, where OpenCV has it). Each picture is written in its turn at 25 a
// second: this writer keeps no times of its own.
#include "videofile.h"

#include <QCoreApplication>
#include <QFile>

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

namespace {

struct Video {
    Q_DECLARE_TR_FUNCTIONS(VideoFile)
};

constexpr double framesPerSecond = 25.0;

} // namespace

struct VideoFile::Encoder {
    cv::VideoWriter writer;
    cv::Size size;
    cv::Mat bgr;
};

VideoFile::VideoFile() = default;

VideoFile::~VideoFile()
{
    QString ignored;
    close(ignored);
}

bool VideoFile::open(const QString& path, cv::Size size, QString& error)
{
    auto encoder = std::make_unique<Encoder>();
    encoder->size = size;
    if (!encoder->writer.open(QFile::encodeName(path).toStdString(),
                              cv::VideoWriter::fourcc('V', 'P', '8', '0'), framesPerSecond, size)) {
        error = Video::tr("no VP8 video encoder in this build");
        return false;
    }
    encoder_ = std::move(encoder);
    return true;
}

bool VideoFile::add(const cv::Mat& levels, const QVector<QRgb>& colours, double, QString& error)
{
    if (!encoder_) {
        error = Video::tr("not open");
        return false;
    }
    cv::Mat table(1, 256, CV_8UC3);
    for (int level = 0; level < 256; ++level) {
        const QRgb colour = level < colours.size() ? colours.at(level) : qRgb(level, level, level);
        table.at<cv::Vec3b>(level) = cv::Vec3b(std::uint8_t(qBlue(colour)),
                                               std::uint8_t(qGreen(colour)),
                                               std::uint8_t(qRed(colour)));
    }
    cv::Mat grey;
    cv::cvtColor(levels, grey, cv::COLOR_GRAY2BGR);
    cv::LUT(grey, table, encoder_->bgr);
    if (encoder_->bgr.size() != encoder_->size)
        cv::resize(encoder_->bgr, encoder_->bgr, encoder_->size, 0.0, 0.0, cv::INTER_AREA);
    encoder_->writer.write(encoder_->bgr);
    return true;
}

bool VideoFile::close(QString&)
{
    encoder_.reset();
    return true;
}
