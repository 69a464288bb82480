#include "videofile.h"

#include "gstreamer.h"

#include <QCoreApplication>
#include <QFile>

#include <gst/gst.h>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

struct Video {
    Q_DECLARE_TR_FUNCTIONS(VideoFile)
};

// Frames as they come, in the encoder's own format, encoded as fast as the encoder goes and held
// back for none (the recording keeps up with the camera on one core beside the preview, in little
// memory), a key frame every two seconds so that a player seeks quickly.
constexpr char description[] =
    "appsrc name=pictures format=time block=true max-buffers=2 ! "
    "vp8enc name=encoder deadline=1 cpu-used=16 threads=1 lag-in-frames=0 keyframe-max-dist=50 "
    "end-usage=vbr timebase=1/1000 ! webmmux ! filesink name=file";
// Enough bits for a sharp picture of a noisy sensor: four a pixel a second.
constexpr double bitsPerPixel = 4.0;
constexpr GstClockTime endWait = 30 * GST_SECOND;

QString errorOf(GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString text = error ? QString::fromUtf8(error->message) : Video::tr("the encoder failed");
    g_clear_error(&error);
    return text;
}

// VP8 takes 4:2:0 pictures, which GStreamer packs without padding when the width is a multiple
// of 8 and the height even, as OpenCV does. WebM takes none smaller than 16 a side: the muxer
// refuses a smaller one's stream, and the file would hold no frame.
constexpr int smallestSide = 16;
cv::Size packedSize(cv::Size size)
{
    return {std::max((size.width + 7) / 8 * 8, smallestSide),
            std::max((size.height + 1) / 2 * 2, smallestSide)};
}

} // namespace

struct VideoFile::Encoder {
    GstElement* pipeline = nullptr;
    GstElement* source = nullptr;
    GstBus* bus = nullptr;
    cv::Size size;
    QString failure;
    // Each level's brightness and colour in the video's 4:2:0 (BT.601, as VP8 takes it), for the
    // colours they were made from.
    QVector<QRgb> colours;
    cv::Mat y;
    cv::Mat u;
    cv::Mat v;
    cv::Mat scaled;
    cv::Mat half;
    GstClockTime last = GST_CLOCK_TIME_NONE;

    ~Encoder()
    {
        if (pipeline)
            gst_element_set_state(pipeline, GST_STATE_NULL);
        for (GstObject* object : {GST_OBJECT(source), GST_OBJECT(bus), GST_OBJECT(pipeline)}) {
            if (object)
                gst_object_unref(object);
        }
    }

    // An error the pipeline posted, such as a file that cannot be written. Takes every message
    // before it off the bus.
    bool failed()
    {
        if (!failure.isEmpty())
            return true;
        if (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
            failure = errorOf(message);
            gst_message_unref(message);
        }
        return !failure.isEmpty();
    }

    // OpenCV converts the colours: each level as a block of 2 × 2 pixels, whose one chroma sample
    // is that level's own.
    void takeColours(const QVector<QRgb>& wanted)
    {
        if (wanted == colours)
            return;
        colours = wanted;
        const int levels = 256;
        cv::Mat blocks(2, 2 * levels, CV_8UC3);
        for (int level = 0; level < levels; ++level) {
            const QRgb colour = level < colours.size() ? colours.at(level) : qRgb(level, level, level);
            const cv::Vec3b bgr(std::uint8_t(qBlue(colour)), std::uint8_t(qGreen(colour)),
                                std::uint8_t(qRed(colour)));
            for (int y = 0; y < 2; ++y) {
                blocks.at<cv::Vec3b>(y, 2 * level) = bgr;
                blocks.at<cv::Vec3b>(y, 2 * level + 1) = bgr;
            }
        }
        cv::Mat planes;
        cv::cvtColor(blocks, planes, cv::COLOR_BGR2YUV_I420);
        y.create(1, levels, CV_8U);
        u.create(1, levels, CV_8U);
        v.create(1, levels, CV_8U);
        const std::uint8_t* chroma = planes.ptr<std::uint8_t>(2);
        for (int level = 0; level < levels; ++level) {
            y.at<std::uint8_t>(level) = planes.at<std::uint8_t>(0, 2 * level);
            u.at<std::uint8_t>(level) = chroma[level];
            v.at<std::uint8_t>(level) = chroma[levels + level];
        }
    }
};

VideoFile::VideoFile() = default;

VideoFile::~VideoFile()
{
    QString ignored;
    close(ignored);
}

bool VideoFile::open(const QString& path, cv::Size size, QString& error)
{
    encoder_.reset();
    if (!gstreamerReady(error))
        return false;
    auto encoder = std::make_unique<Encoder>();
    GError* failure = nullptr;
    encoder->pipeline = gst_parse_launch(description, &failure);
    if (!encoder->pipeline || failure) {
        error = failure ? QString::fromUtf8(failure->message) : Video::tr("no video encoder");
        g_clear_error(&failure);
        return false;
    }
    encoder->source = gst_bin_get_by_name(GST_BIN(encoder->pipeline), "pictures");
    encoder->bus = gst_element_get_bus(encoder->pipeline);
    encoder->size = packedSize(size);
    GstElement* file = gst_bin_get_by_name(GST_BIN(encoder->pipeline), "file");
    g_object_set(file, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(file);
    GstElement* vp8 = gst_bin_get_by_name(GST_BIN(encoder->pipeline), "encoder");
    g_object_set(vp8, "target-bitrate", gint(std::lround(bitsPerPixel * encoder->size.area())),
                 nullptr);
    gst_object_unref(vp8);
    GstCaps* caps = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT,
        encoder->size.width, "height", G_TYPE_INT, encoder->size.height, "framerate",
        GST_TYPE_FRACTION, 0, 1, "colorimetry", G_TYPE_STRING, "bt601", nullptr);
    g_object_set(encoder->source, "caps", caps, nullptr);
    gst_caps_unref(caps);
    if (gst_element_set_state(encoder->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ||
        encoder->failed()) {
        error = encoder->failure.isEmpty() ? Video::tr("the video encoder does not start")
                                           : encoder->failure;
        return false;
    }
    encoder_ = std::move(encoder);
    return true;
}

bool VideoFile::add(const cv::Mat& levels, const QVector<QRgb>& colours, double seconds,
                    QString& error)
{
    if (!encoder_ || encoder_->failed()) {
        error = encoder_ ? encoder_->failure : Video::tr("not open");
        return false;
    }
    Encoder& encoder = *encoder_;
    encoder.takeColours(colours);
    const cv::Size size = encoder.size;
    const cv::Mat* picture = &levels;
    if (levels.size() != size) {
        cv::resize(levels, encoder.scaled, size, 0.0, 0.0, cv::INTER_AREA);
        picture = &encoder.scaled;
    }
    const cv::Size halfSize(size.width / 2, size.height / 2);
    cv::resize(*picture, encoder.half, halfSize, 0.0, 0.0, cv::INTER_NEAREST);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, gsize(size.area()) * 3 / 2, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    cv::Mat yPlane(size, CV_8U, map.data);
    cv::Mat uPlane(halfSize, CV_8U, map.data + size.area());
    cv::Mat vPlane(halfSize, CV_8U, map.data + size.area() + halfSize.area());
    cv::LUT(*picture, encoder.y, yPlane);
    cv::LUT(encoder.half, encoder.u, uPlane);
    cv::LUT(encoder.half, encoder.v, vPlane);
    gst_buffer_unmap(buffer, &map);
    // Each frame later than the one before, as a video's frames must be: two that came within
    // the same millisecond, the encoder's tick, are a tick apart.
    GstClockTime time = GstClockTime(std::llround(std::max(seconds, 0.0) * double(GST_SECOND)));
    if (GST_CLOCK_TIME_IS_VALID(encoder.last) && time < encoder.last + GST_MSECOND)
        time = encoder.last + GST_MSECOND;
    encoder.last = time;
    GST_BUFFER_PTS(buffer) = time;
    // The appsrc's own queue is short and blocks when full: a slow encoder holds up the
    // recording's thread, whose own queue drops frames, never the window's.
    GstFlowReturn flow = GST_FLOW_OK;
    g_signal_emit_by_name(encoder.source, "push-buffer", buffer, &flow);
    gst_buffer_unref(buffer);
    if (flow != GST_FLOW_OK || encoder.failed()) {
        error = encoder.failure.isEmpty() ? Video::tr("the video encoder stopped") : encoder.failure;
        return false;
    }
    return true;
}

bool VideoFile::close(QString& error)
{
    if (!encoder_)
        return true;
    bool finished = false;
    // The end's own message comes on the bus with any error: looked for there, not popped on the
    // way as failed() pops whatever is not an error.
    GstFlowReturn flow = GST_FLOW_ERROR;
    if (!encoder_->failed())
        g_signal_emit_by_name(encoder_->source, "end-of-stream", &flow);
    if (flow == GST_FLOW_OK) {
        GstMessage* message = gst_bus_timed_pop_filtered(
            encoder_->bus, endWait, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
            encoder_->failure = errorOf(message);
        finished = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        if (message)
            gst_message_unref(message);
        else
            encoder_->failure = Video::tr("the video encoder did not finish");
    }
    if (!finished)
        error = encoder_->failure.isEmpty() ? Video::tr("the video encoder stopped")
                                            : encoder_->failure;
    encoder_.reset();
    return finished;
}
