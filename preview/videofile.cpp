#include "videofile.h"

#include "gstreamer.h"

#include <QCoreApplication>
#include <QFile>

#include <gst/gst.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstring>

namespace {

struct Video {
    Q_DECLARE_TR_FUNCTIONS(VideoFile)
};

// Frames as they come, encoded as fast as the encoder goes and held back for none (the recording
// keeps up with the camera on one core beside the preview, in little memory), a key frame every
// two seconds so that a player seeks quickly.
constexpr char description[] =
    "appsrc name=pictures format=time block=true max-buffers=2 ! videoconvert ! "
    "vp8enc name=encoder deadline=1 cpu-used=8 threads=1 lag-in-frames=0 keyframe-max-dist=50 "
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

} // namespace

struct VideoFile::Encoder {
    GstElement* pipeline = nullptr;
    GstElement* source = nullptr;
    GstBus* bus = nullptr;
    cv::Size size;
    QString failure;

    ~Encoder()
    {
        if (pipeline)
            gst_element_set_state(pipeline, GST_STATE_NULL);
        for (GstObject* object : {GST_OBJECT(source), GST_OBJECT(bus), GST_OBJECT(pipeline)}) {
            if (object)
                gst_object_unref(object);
        }
    }

    // An error the pipeline posted, such as a file that cannot be written.
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
    encoder->size = size;
    GstElement* file = gst_bin_get_by_name(GST_BIN(encoder->pipeline), "file");
    g_object_set(file, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(file);
    GstElement* vp8 = gst_bin_get_by_name(GST_BIN(encoder->pipeline), "encoder");
    g_object_set(vp8, "target-bitrate", gint(std::lround(bitsPerPixel * size.area())), nullptr);
    gst_object_unref(vp8);
    // The machine's order of a 32-bit colour: blue first on a little-endian one.
    GstCaps* caps = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING,
        G_BYTE_ORDER == G_LITTLE_ENDIAN ? "BGRx" : "xRGB", "width", G_TYPE_INT, size.width,
        "height", G_TYPE_INT, size.height, "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
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

bool VideoFile::add(const cv::Mat& bgrx, double seconds, QString& error)
{
    if (!encoder_ || encoder_->failed()) {
        error = encoder_ ? encoder_->failure : Video::tr("not open");
        return false;
    }
    const cv::Size size = encoder_->size;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, gsize(size.area()) * 4, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    cv::Mat into(size, CV_8UC4, map.data);
    if (bgrx.size() == size)
        bgrx.copyTo(into);
    else
        cv::resize(bgrx, into, size, 0.0, 0.0, cv::INTER_AREA);
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_PTS(buffer) = GstClockTime(std::llround(seconds * double(GST_SECOND)));
    // The appsrc's own queue is short and blocks when full: a slow encoder holds up the
    // recording's thread, whose own queue drops frames, never the window's.
    GstFlowReturn flow = GST_FLOW_OK;
    g_signal_emit_by_name(encoder_->source, "push-buffer", buffer, &flow);
    gst_buffer_unref(buffer);
    if (flow != GST_FLOW_OK || encoder_->failed()) {
        error = encoder_->failure.isEmpty() ? Video::tr("the video encoder stopped")
                                            : encoder_->failure;
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
