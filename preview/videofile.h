// The picture as the window shows it, coloured, as an ordinary video that any player opens: VP8
// in WebM, made by GStreamer's encoder and muxer (in a build without GStreamer, by OpenCV's
// videoio). Each picture keeps its own time, so a stream that comes unevenly plays as it came.
#pragma once

#include <QRgb>
#include <QString>
#include <QVector>

#include <opencv2/core.hpp>

#include <memory>

class VideoFile
{
public:
    VideoFile();
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Creates path, or replaces what it holds, for pictures of size.
    bool open(const QString& path, cv::Size size, QString& error);
    // A picture's levels (CV_8UC1) in colours, one a level, seconds after the first; a picture of
    // another size is scaled to the video's.
    bool add(const cv::Mat& levels, const QVector<QRgb>& colours, double seconds, QString& error);
    // Ends the video, so that players know its length; false when it cannot be finished.
    bool close(QString& error);

private:
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
};
