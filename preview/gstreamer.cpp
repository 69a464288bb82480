#include "gstreamer.h"

#include "capturethread.h"
#include "framereader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <gst/gst.h>

#include <optional>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace {

struct GStreamer {
    Q_DECLARE_TR_FUNCTIONS(GStreamer)
};

bool ready(QString& error)
{
    static const QString problem = [] {
        GError* failure = nullptr;
        if (gst_init_check(nullptr, nullptr, &failure))
            return QString();
        const QString why = failure ? QString::fromUtf8(failure->message) : QString();
        g_clear_error(&failure);
        return GStreamer::tr("GStreamer does not start: %1").arg(why);
    }();
    error = problem;
    return problem.isEmpty();
}

QString valueText(const GValue* value)
{
    if (!value)
        return QString();
    if (G_VALUE_HOLDS_STRING(value))
        return QString::fromUtf8(g_value_get_string(value));
    if (G_VALUE_HOLDS_INT(value))
        return QString::number(g_value_get_int(value));
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        const int numerator = gst_value_get_fraction_numerator(value);
        const int denominator = gst_value_get_fraction_denominator(value);
        return denominator == 1 ? QString::number(numerator)
                                : QStringLiteral("%1/%2").arg(numerator).arg(denominator);
    }
    if (GST_VALUE_HOLDS_LIST(value)) {
        QStringList items;
        for (guint index = 0; index < gst_value_list_get_size(value); ++index)
            items << valueText(gst_value_list_get_value(value, index));
        return items.join(QStringLiteral(", "));
    }
    if (GST_VALUE_HOLDS_INT_RANGE(value))
        return GStreamer::tr("%1 to %2")
            .arg(gst_value_get_int_range_min(value))
            .arg(gst_value_get_int_range_max(value));
    if (GST_VALUE_HOLDS_FRACTION_RANGE(value))
        return GStreamer::tr("%1 to %2")
            .arg(valueText(gst_value_get_fraction_range_min(value)),
                 valueText(gst_value_get_fraction_range_max(value)));
    gchar* text = gst_value_serialize(value);
    const QString serialized = QString::fromUtf8(text);
    g_free(text);
    return serialized;
}

// Raw video is named by its pixel format; anything else (JPEG, say) by its media type.
QString formatLine(const GstStructure* format)
{
    const QString media = QString::fromUtf8(gst_structure_get_name(format));
    const GValue* pixels = gst_structure_get_value(format, "format");
    QString line = media == QLatin1String("video/x-raw") && pixels ? valueText(pixels) : media;
    const GValue* width = gst_structure_get_value(format, "width");
    const GValue* height = gst_structure_get_value(format, "height");
    if (width && height) {
        if (G_VALUE_HOLDS_INT(width) && G_VALUE_HOLDS_INT(height))
            line += QStringLiteral(" %1 × %2").arg(valueText(width), valueText(height));
        else
            line += GStreamer::tr(", width %1, height %2").arg(valueText(width), valueText(height));
    }
    if (const GValue* rate = gst_structure_get_value(format, "framerate"))
        line += GStreamer::tr(" at %1 fps").arg(valueText(rate));
    return line;
}

QStringList linesOf(const GstCaps* caps)
{
    QStringList lines;
    for (guint index = 0; index < gst_caps_get_size(caps); ++index) {
        const QString line = formatLine(gst_caps_get_structure(caps, index));
        if (!lines.contains(line))
            lines << line;
    }
    return lines;
}

bool madeBy(GstElement* element, const char* factoryName)
{
    GstElementFactory* factory = element ? gst_element_get_factory(element) : nullptr;
    return factory && qstrcmp(GST_OBJECT_NAME(factory), factoryName) == 0;
}

// The appsink through which the preview takes the pipeline's frames, with a reference of its own;
// null, with why in problem, when there is none or more than one. Another would keep every frame
// that reaches it, since nothing takes them, and grow without end.
GstElement* appSinkOf(GstElement* pipeline, QString& problem)
{
    std::vector<GstElement*> found;
    if (!GST_IS_BIN(pipeline)) {
        if (madeBy(pipeline, "appsink"))
            found.push_back(GST_ELEMENT(gst_object_ref(pipeline)));
    } else {
        GstIterator* sinks =
            gst_bin_iterate_all_by_element_factory_name(GST_BIN(pipeline), "appsink");
        GValue sink = G_VALUE_INIT;
        while (gst_iterator_next(sinks, &sink) == GST_ITERATOR_OK) {
            found.push_back(GST_ELEMENT(g_value_dup_object(&sink)));
            g_value_unset(&sink);
        }
        gst_iterator_free(sinks);
    }
    if (found.size() == 1)
        return found.front();
    problem = found.empty() ? GStreamer::tr("the pipeline has no appsink, through which the "
                                            "preview takes its frames")
                            : GStreamer::tr("the pipeline has %1 appsinks; the preview takes its "
                                            "frames through one")
                                  .arg(found.size());
    for (GstElement* sink : found)
        gst_object_unref(sink);
    return nullptr;
}

// The raw video formats whose frames the preview reads, and how: the caps' name for each.
struct Taken {
    const char* name;
    imaging::PixelFormat format;
};

// 16-bit counts in the machine's own byte order need no swap.
constexpr bool littleEndian = G_BYTE_ORDER == G_LITTLE_ENDIAN;

// In the order negotiation prefers them, where the pipeline leaves the choice: the formats that
// carry the most of a thermal camera's picture first.
constexpr Taken takenFormats[] = {
    {"GRAY16_LE",
     littleEndian ? imaging::PixelFormat::Grey16 : imaging::PixelFormat::Grey16Swapped},
    {"GRAY16_BE",
     littleEndian ? imaging::PixelFormat::Grey16Swapped : imaging::PixelFormat::Grey16},
    {"GRAY8", imaging::PixelFormat::Grey8},
    {"YUY2", imaging::PixelFormat::Yuyv},
    {"YVYU", imaging::PixelFormat::Yuyv},
    {"UYVY", imaging::PixelFormat::Uyvy},
    {"VYUY", imaging::PixelFormat::Uyvy},
    {"I420", imaging::PixelFormat::Planar420},
    {"YV12", imaging::PixelFormat::Planar420},
    {"NV12", imaging::PixelFormat::Planar420},
    {"NV21", imaging::PixelFormat::Planar420},
    {"BGR", imaging::PixelFormat::Bgr},
    {"RGB", imaging::PixelFormat::Rgb},
    {"BGRx", imaging::PixelFormat::Bgrx},
    {"BGRA", imaging::PixelFormat::Bgrx},
    {"RGBx", imaging::PixelFormat::Rgbx},
    {"RGBA", imaging::PixelFormat::Rgbx},
};

const Taken* takenFormat(const QString& name)
{
    for (const Taken& taken : takenFormats) {
        if (name == QLatin1String(taken.name))
            return &taken;
    }
    return nullptr;
}

QString notTaken(const QString& name, const QString& format)
{
    return GStreamer::tr("%1 hands its frames over as %2, which the preview does not take; "
                         "convert them (... ! videoconvert ! appsink)")
        .arg(name, format);
}

// The pixel format in which the frames reach the appsink where the description fixes one: in the
// appsink's caps, or in a caps filter just before it (what "... ! video/x-raw,format=UYVY !
// appsink" makes). Empty where the caps leave it to negotiation.
QString fixedFormat(GstElement* sink)
{
    GstCaps* caps = nullptr;
    g_object_get(sink, "caps", &caps, nullptr);
    if (!caps) {
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        GstPad* peer = pad ? gst_pad_get_peer(pad) : nullptr;
        GstElement* before = peer ? gst_pad_get_parent_element(peer) : nullptr;
        if (madeBy(before, "capsfilter"))
            g_object_get(before, "caps", &caps, nullptr);
        for (gpointer object : {gpointer(before), gpointer(peer), gpointer(pad)}) {
            if (object)
                gst_object_unref(object);
        }
    }
    QString format;
    const GstStructure* fixed =
        caps && gst_caps_get_size(caps) == 1 ? gst_caps_get_structure(caps, 0) : nullptr;
    if (fixed && gst_structure_has_name(fixed, "video/x-raw"))
        format = QString::fromUtf8(gst_structure_get_string(fixed, "format"));
    if (caps)
        gst_caps_unref(caps);
    return format;
}

// The description parsed, never started: nothing in it opens a device or moves a frame. Null, with
// why in problem, when it does not parse.
GstElement* parsed(const QString& description, QString& problem)
{
    if (!ready(problem))
        return nullptr;
    GError* failure = nullptr;
    GstElement* pipeline = gst_parse_launch_full(description.toUtf8().constData(), nullptr,
                                                 GST_PARSE_FLAG_FATAL_ERRORS, &failure);
    if (pipeline)
        gst_object_ref_sink(pipeline);
    if (failure || !pipeline) {
        problem = GStreamer::tr("the pipeline does not parse: %1")
                      .arg(failure ? QString::fromUtf8(failure->message) : QString());
        if (pipeline)
            gst_object_unref(pipeline);
        pipeline = nullptr;
    }
    g_clear_error(&failure);
    // A description in brackets ("( ... ! appsink )") makes a bin, which has no bus to say that
    // it failed, nor a clock to pace it: it runs inside a pipeline of its own.
    if (pipeline && !GST_IS_PIPELINE(pipeline)) {
        GstElement* whole = GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new(nullptr)));
        gst_bin_add(GST_BIN(whole), pipeline);
        gst_object_unref(pipeline);
        pipeline = whole;
    }
    return pipeline;
}

} // namespace

QString pipelineProblem(const QString& description)
{
    QString problem;
    GstElement* pipeline = parsed(description, problem);
    if (!pipeline)
        return problem;
    GstElement* sink = appSinkOf(pipeline, problem);
    const QString format = sink ? fixedFormat(sink) : QString();
    if (sink && !format.isEmpty() && !takenFormat(format))
        problem = notTaken(deviceName(description), format);
    if (sink)
        gst_object_unref(sink);
    gst_object_unref(pipeline);
    return problem;
}

namespace {

// The size of a frame and the layout of its first plane, as its caps say. A buffer without a
// video meta has GStreamer's default layout, rows padded to four bytes; the appsink asks for no
// other.
struct Layout {
    imaging::PixelFormat format = imaging::PixelFormat::Grey8;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
};

std::optional<Layout> layoutOf(GstCaps* caps, QString& format)
{
    const GstStructure* structure =
        caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
    if (!structure || !gst_structure_has_name(structure, "video/x-raw"))
        return std::nullopt;
    format = QString::fromUtf8(gst_structure_get_string(structure, "format"));
    const Taken* taken = takenFormat(format);
    Layout layout;
    if (!taken || !gst_structure_get_int(structure, "width", &layout.width) ||
        !gst_structure_get_int(structure, "height", &layout.height) || layout.width <= 0 ||
        layout.height <= 0)
        return std::nullopt;
    layout.format = taken->format;
    const std::size_t pixelBytes = CV_ELEM_SIZE(imaging::pixelType(taken->format));
    layout.stride = GST_ROUND_UP_4(std::size_t(layout.width) * pixelBytes);
    return layout;
}

GstCaps* takenCaps()
{
    QStringList names;
    for (const Taken& taken : takenFormats)
        names << QString::fromLatin1(taken.name);
    const QString text =
        QStringLiteral("video/x-raw, format=(string){ %1 }").arg(names.join(QStringLiteral(", ")));
    return gst_caps_from_string(text.toUtf8().constData());
}

// The appsink takes only what the preview reads, within what the pipeline asked of it, and keeps
// only the newest frame: a slow reader drops frames rather than queueing them.
bool prepareSink(GstElement* sink)
{
    GstCaps* own = nullptr;
    g_object_get(sink, "caps", &own, nullptr);
    GstCaps* taken = takenCaps();
    GstCaps* caps = own ? gst_caps_intersect(own, taken) : gst_caps_ref(taken);
    const bool possible = !gst_caps_is_empty(caps);
    g_object_set(sink, "caps", caps, "max-buffers", guint(1), "drop", TRUE, nullptr);
    for (GstCaps* each : {own, taken, caps}) {
        if (each)
            gst_caps_unref(each);
    }
    return possible;
}

class PipelineReader : public FrameReader
{
public:
    // Takes over the references to both.
    PipelineReader(QString name, GstElement* pipeline, GstElement* sink)
        : name_(std::move(name)), pipeline_(pipeline), sink_(sink),
          bus_(gst_element_get_bus(pipeline))
    {
    }
    ~PipelineReader() override
    {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(bus_);
        gst_object_unref(sink_);
        gst_object_unref(pipeline_);
    }

    bool start(QString& problem)
    {
        if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE)
            return true;
        failed(problem);
        return false;
    }

    Outcome next(int waitMs, const Take& take, QString& problem) override
    {
        GstSample* sample = nullptr;
        g_signal_emit_by_name(sink_, "try-pull-sample", GstClockTime(waitMs) * GST_MSECOND,
                              &sample);
        if (sample) {
            read(sample, take, problem);
            gst_sample_unref(sample);
            return Outcome::Frame;
        }
        if (failed(problem))
            return Outcome::Failed;
        gboolean ended = FALSE;
        g_object_get(sink_, "eos", &ended, nullptr);
        return ended ? Outcome::Ended : Outcome::Waiting;
    }

private:
    void read(GstSample* sample, const Take& take, QString& problem) const
    {
        QString format;
        const std::optional<Layout> layout = layoutOf(gst_sample_get_caps(sample), format);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (!layout || !buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            // A source that never says its caps (fakesrc) sends bare bytes.
            problem = format.isEmpty()
                          ? GStreamer::tr("%1 sends frames without saying their format").arg(name_)
                          : GStreamer::tr("%1 sends frames of a kind the preview cannot show (%2)")
                                .arg(name_, format);
            return;
        }
        const int type = imaging::pixelType(layout->format);
        const std::size_t needed = layout->stride * std::size_t(layout->height - 1) +
                                   std::size_t(layout->width) * CV_ELEM_SIZE(type);
        if (map.size >= needed)
            take({layout->format, cv::Mat(layout->height, layout->width, type,
                                          static_cast<void*>(map.data), layout->stride)});
        else
            problem = GStreamer::tr("%1 sends frames smaller than their format says").arg(name_);
        gst_buffer_unmap(buffer, &map);
    }

    // Why the pipeline stopped, when it failed.
    bool failed(QString& problem) const
    {
        GstMessage* message = gst_bus_pop_filtered(bus_, GST_MESSAGE_ERROR);
        if (!message)
            return false;
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        const QString details = QString::fromUtf8(debug);
        problem = details.contains(QLatin1String("not-negotiated"))
                      ? unnegotiated()
                      : GStreamer::tr("%1 failed: %2")
                            .arg(name_, error ? QString::fromUtf8(error->message) : details);
        g_clear_error(&error);
        g_free(debug);
        gst_message_unref(message);
        return true;
    }

    // What the element before the appsink offers, where the two found no format in common.
    QString unnegotiated() const
    {
        GstPad* pad = gst_element_get_static_pad(sink_, "sink");
        GstCaps* offered = pad ? gst_pad_peer_query_caps(pad, nullptr) : nullptr;
        const GstStructure* first = offered && gst_caps_get_size(offered) > 0
                                        ? gst_caps_get_structure(offered, 0)
                                        : nullptr;
        const QString media = first ? QString::fromUtf8(gst_structure_get_name(first)) : QString();
        const char* named = first ? gst_structure_get_string(first, "format") : nullptr;
        const QString format = named ? QString::fromUtf8(named) : media;
        if (offered)
            gst_caps_unref(offered);
        if (pad)
            gst_object_unref(pad);
        if (!media.isEmpty() && media != QLatin1String("video/x-raw"))
            return GStreamer::tr("%1 sends compressed frames (%2), which the preview cannot show; "
                                 "decode them in the pipeline")
                .arg(name_, media);
        return notTaken(name_, format);
    }

    QString name_;
    GstElement* pipeline_;
    GstElement* sink_;
    GstBus* bus_;
};

// Whether path is a device of another kind than video capture, as the system numbers its devices:
// such a device is never opened.
bool otherDevice(const QString& path)
{
#if defined(__linux__)
    constexpr unsigned videoMajor = 81;
    struct stat status {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISCHR(status.st_mode) &&
           major(status.st_rdev) != videoMajor;
#else
    Q_UNUSED(path)
    return false;
#endif
}

// A device's video as a pipeline of the platform's capture source and an appsink; null, with why
// in problem where there is more to say than that it does not open.
GstElement* devicePipeline(const QString& device, QString& problem)
{
    if (otherDevice(device) || !ready(problem))
        return nullptr;
    bool isIndex = false;
    const int index = device.toInt(&isIndex);
#if defined(_WIN32)
    const char* factory = "mfvideosrc";
    GstElement* source = gst_element_factory_make(factory, nullptr);
    if (source && isIndex)
        g_object_set(source, "device-index", index, nullptr);
    else if (source)
        g_object_set(source, "device-path", device.toUtf8().constData(), nullptr);
#else
    const char* factory = "v4l2src";
    GstElement* source = gst_element_factory_make(factory, nullptr);
    const QString path = isIndex ? QStringLiteral("/dev/video%1").arg(index) : device;
    if (source)
        g_object_set(source, "device", QFile::encodeName(path).constData(), nullptr);
#endif
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!source || !sink) {
        problem = GStreamer::tr("GStreamer's %1 element, which reads capture devices, is missing: "
                                "install its plugins (on Debian, gstreamer1.0-plugins-good)")
                      .arg(QString::fromLatin1(source ? "appsink" : factory));
        for (GstElement* element : {source, sink}) {
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        }
        return nullptr;
    }
    GstElement* pipeline = gst_pipeline_new(nullptr);
    gst_object_ref_sink(pipeline);
    gst_bin_add_many(GST_BIN(pipeline), source, sink, nullptr);
    gst_element_link(source, sink);
    return pipeline;
}

} // namespace

std::unique_ptr<FrameReader> openCapture(const QString& device, QString& problem)
{
    GstElement* pipeline =
        isPipeline(device) ? parsed(device, problem) : devicePipeline(device, problem);
    GstElement* sink = pipeline ? appSinkOf(pipeline, problem) : nullptr;
    if (!sink) {
        if (pipeline)
            gst_object_unref(pipeline);
        return nullptr;
    }
    if (!prepareSink(sink)) {
        problem = notTaken(deviceName(device), fixedFormat(sink));
        gst_object_unref(sink);
        gst_object_unref(pipeline);
        return nullptr;
    }
    auto reader = std::make_unique<PipelineReader>(deviceName(device), pipeline, sink);
    if (!reader->start(problem))
        return nullptr;
    return reader;
}

namespace {

// Each capture device's path (empty where it has none), name and formats.
struct Listed {
    QString path;
    QString name;
    QStringList formats;
};

std::vector<Listed> captureDevices()
{
    std::vector<Listed> listed;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    for (GList* item = devices; item; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        Listed entry;
        gchar* name = gst_device_get_display_name(device);
        entry.name = QString::fromUtf8(name);
        g_free(name);
        if (GstStructure* properties = gst_device_get_properties(device)) {
            for (const char* key : {"api.v4l2.path", "device.path"}) {
                if (const gchar* path = gst_structure_get_string(properties, key)) {
                    entry.path = QString::fromUtf8(path);
                    break;
                }
            }
            gst_structure_free(properties);
        }
        if (GstCaps* caps = gst_device_get_caps(device)) {
            entry.formats = linesOf(caps);
            gst_caps_unref(caps);
        }
        listed.push_back(std::move(entry));
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return listed;
}

} // namespace

bool listCaptureDevices(QStringList& lines, QString& error)
{
    if (!ready(error))
        return false;
    for (const Listed& device : captureDevices()) {
        lines << (device.path.isEmpty() ? device.name
                                        : QStringLiteral("%1  %2").arg(device.path, device.name));
        for (const QString& format : device.formats)
            lines << QStringLiteral("    ") + format;
    }
    return true;
}

std::optional<bool> listsCaptureDevice(const QString& path)
{
    QString error;
    if (!ready(error))
        return std::nullopt;
    // A stable name (/dev/v4l/by-id/...) is a link to the node the list names.
    const QString node = QFileInfo(path).canonicalFilePath();
    for (const Listed& device : captureDevices()) {
        if (!device.path.isEmpty() && QFileInfo(device.path).canonicalFilePath() == node)
            return true;
    }
    return false;
}

QStringList formatLines(const QString& caps)
{
    QString error;
    if (!ready(error))
        return {};
    GstCaps* parsed = gst_caps_from_string(caps.toUtf8().constData());
    if (!parsed)
        return {};
    const QStringList lines = linesOf(parsed);
    gst_caps_unref(parsed);
    return lines;
}
