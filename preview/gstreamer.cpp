#include "gstreamer.h"

#include "capturethread.h"
#include "framereader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <gst/gst.h>

#include <memory>
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

// How each kind of GStreamer or GLib object that the code holds a reference to is let go of.
struct Unref {
    void operator()(GstElement* element) const { gst_object_unref(element); }
    void operator()(GstPad* pad) const { gst_object_unref(pad); }
    void operator()(GstBus* bus) const { gst_object_unref(bus); }
    void operator()(GstDeviceMonitor* monitor) const { gst_object_unref(monitor); }
    void operator()(GstIterator* iterator) const { gst_iterator_free(iterator); }
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
    void operator()(GstStructure* structure) const { gst_structure_free(structure); }
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
    void operator()(GstMessage* message) const { gst_message_unref(message); }
    void operator()(GError* error) const { g_error_free(error); }
    void operator()(gchar* text) const { g_free(text); }
};

// A reference of the code's own, let go of wherever its holder goes, on every path.
template <typename T> using Owned = std::unique_ptr<T, Unref>;

// A new element, whose floating reference becomes the holder's own (null stays null).
Owned<GstElement> sunk(GstElement* floating)
{
    return Owned<GstElement>(floating ? GST_ELEMENT(gst_object_ref_sink(floating)) : nullptr);
}

// The objects a device monitor lists, a reference each.
struct UnrefObjects {
    void operator()(GList* objects) const { g_list_free_full(objects, gst_object_unref); }
};

QString messageOf(const Owned<GError>& error)
{
    return error ? QString::fromUtf8(error->message) : QString();
}

bool ready(QString& error)
{
    static const QString problem = [] {
        GError* raw = nullptr;
        const bool started = gst_init_check(nullptr, nullptr, &raw);
        const Owned<GError> failure(raw);
        if (started)
            return QString();
        return GStreamer::tr("GStreamer does not start: %1").arg(messageOf(failure));
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
    const Owned<gchar> serialized(gst_value_serialize(value));
    return QString::fromUtf8(serialized.get());
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
Owned<GstElement> appSinkOf(GstElement* pipeline, QString& problem)
{
    std::vector<Owned<GstElement>> found;
    if (!GST_IS_BIN(pipeline)) {
        if (madeBy(pipeline, "appsink"))
            found.emplace_back(GST_ELEMENT(gst_object_ref(pipeline)));
    } else {
        const Owned<GstIterator> sinks(
            gst_bin_iterate_all_by_element_factory_name(GST_BIN(pipeline), "appsink"));
        const auto keep = [](const GValue* sink, gpointer found) {
            static_cast<std::vector<Owned<GstElement>>*>(found)->emplace_back(
                GST_ELEMENT(g_value_dup_object(sink)));
        };
        gst_iterator_foreach(sinks.get(), keep, &found);
    }
    if (found.size() == 1)
        return std::move(found.front());
    problem = found.empty() ? GStreamer::tr("the pipeline has no appsink, through which the "
                                            "preview takes its frames")
                            : GStreamer::tr("the pipeline has %1 appsinks; the preview takes its "
                                            "frames through one")
                                  .arg(found.size());
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

// An element's caps property, with a reference of its own; null where it has none.
Owned<GstCaps> capsOf(GstElement* element)
{
    GstCaps* caps = nullptr;
    g_object_get(element, "caps", &caps, nullptr);
    return Owned<GstCaps>(caps);
}

// The pixel format in which the frames reach the appsink where the description fixes one: in the
// appsink's caps, or in a caps filter just before it (what "... ! video/x-raw,format=UYVY !
// appsink" makes). Empty where the caps leave it to negotiation.
QString fixedFormat(GstElement* sink)
{
    Owned<GstCaps> caps = capsOf(sink);
    if (!caps) {
        const Owned<GstPad> pad(gst_element_get_static_pad(sink, "sink"));
        const Owned<GstPad> peer(pad ? gst_pad_get_peer(pad.get()) : nullptr);
        const Owned<GstElement> before(peer ? gst_pad_get_parent_element(peer.get()) : nullptr);
        if (madeBy(before.get(), "capsfilter"))
            caps = capsOf(before.get());
    }
    const GstStructure* fixed = caps && gst_caps_get_size(caps.get()) == 1
                                    ? gst_caps_get_structure(caps.get(), 0)
                                    : nullptr;
    if (fixed && gst_structure_has_name(fixed, "video/x-raw"))
        return QString::fromUtf8(gst_structure_get_string(fixed, "format"));
    return QString();
}

// The description parsed, never started: nothing in it opens a device or moves a frame. Null, with
// why in problem, when it does not parse.
Owned<GstElement> parsed(const QString& description, QString& problem)
{
    if (!ready(problem))
        return nullptr;
    GError* raw = nullptr;
    Owned<GstElement> pipeline = sunk(gst_parse_launch_full(
        description.toUtf8().constData(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &raw));
    const Owned<GError> failure(raw);
    if (failure || !pipeline) {
        problem = GStreamer::tr("the pipeline does not parse: %1").arg(messageOf(failure));
        return nullptr;
    }
    // A description in brackets ("( ... ! appsink )") makes a bin, which has no bus to say that
    // it failed, nor a clock to pace it: it runs inside a pipeline of its own.
    if (!GST_IS_PIPELINE(pipeline.get())) {
        Owned<GstElement> whole = sunk(gst_pipeline_new(nullptr));
        gst_bin_add(GST_BIN(whole.get()), pipeline.get());
        return whole;
    }
    return pipeline;
}

// A pipeline and the appsink through which the preview takes its frames.
struct Tapped {
    Owned<GstElement> pipeline;
    Owned<GstElement> sink;
};

// The pipeline with its appsink; nothing where there is no pipeline, or not the one appsink (why in
// problem).
std::optional<Tapped> tapped(Owned<GstElement> pipeline, QString& problem)
{
    if (!pipeline)
        return std::nullopt;
    Owned<GstElement> sink = appSinkOf(pipeline.get(), problem);
    if (!sink)
        return std::nullopt;
    return Tapped{std::move(pipeline), std::move(sink)};
}

} // namespace

bool gstreamerReady(QString& error)
{
    return ready(error);
}

QString pipelineProblem(const QString& description)
{
    QString problem;
    const std::optional<Tapped> pipeline = tapped(parsed(description, problem), problem);
    const QString format = pipeline ? fixedFormat(pipeline->sink.get()) : QString();
    if (!format.isEmpty() && !takenFormat(format))
        problem = notTaken(deviceName(description), format);
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

Owned<GstCaps> takenCaps()
{
    QStringList names;
    for (const Taken& taken : takenFormats)
        names << QString::fromLatin1(taken.name);
    const QString text =
        QStringLiteral("video/x-raw, format=(string){ %1 }").arg(names.join(QStringLiteral(", ")));
    return Owned<GstCaps>(gst_caps_from_string(text.toUtf8().constData()));
}

// The appsink takes only what the preview reads, within what the pipeline asked of it, and keeps
// only the newest frame: a slow reader drops frames rather than queueing them.
bool prepareSink(GstElement* sink)
{
    const Owned<GstCaps> own = capsOf(sink);
    Owned<GstCaps> caps = takenCaps();
    if (own)
        caps.reset(gst_caps_intersect(own.get(), caps.get()));
    const bool possible = !gst_caps_is_empty(caps.get());
    g_object_set(sink, "caps", caps.get(), "max-buffers", guint(1), "drop", TRUE, nullptr);
    return possible;
}

class PipelineReader : public FrameReader
{
public:
    PipelineReader(QString name, Tapped tapped)
        : name_(std::move(name)), pipeline_(std::move(tapped.pipeline)),
          sink_(std::move(tapped.sink)), bus_(gst_element_get_bus(pipeline_.get()))
    {
    }
    ~PipelineReader() override { gst_element_set_state(pipeline_.get(), GST_STATE_NULL); }

    bool start(QString& problem)
    {
        if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE)
            return true;
        failed(problem);
        return false;
    }

    Outcome next(int waitMs, const Take& take, QString& problem) override
    {
        GstSample* raw = nullptr;
        g_signal_emit_by_name(sink_.get(), "try-pull-sample", GstClockTime(waitMs) * GST_MSECOND,
                              &raw);
        if (const Owned<GstSample> sample{raw}) {
            read(sample.get(), take, problem);
            return Outcome::Frame;
        }
        if (failed(problem))
            return Outcome::Failed;
        gboolean ended = FALSE;
        g_object_get(sink_.get(), "eos", &ended, nullptr);
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
        const Owned<GstMessage> message(gst_bus_pop_filtered(bus_.get(), GST_MESSAGE_ERROR));
        if (!message)
            return false;
        GError* rawError = nullptr;
        gchar* rawDebug = nullptr;
        gst_message_parse_error(message.get(), &rawError, &rawDebug);
        const Owned<GError> error(rawError);
        const Owned<gchar> debug(rawDebug);
        const QString details = QString::fromUtf8(debug.get());
        problem =
            details.contains(QLatin1String("not-negotiated"))
                ? unnegotiated()
                : GStreamer::tr("%1 failed: %2").arg(name_, error ? messageOf(error) : details);
        return true;
    }

    // What the element before the appsink offers, where the two found no format in common.
    QString unnegotiated() const
    {
        const Owned<GstPad> pad(gst_element_get_static_pad(sink_.get(), "sink"));
        const Owned<GstCaps> offered(pad ? gst_pad_peer_query_caps(pad.get(), nullptr) : nullptr);
        const GstStructure* first = offered && gst_caps_get_size(offered.get()) > 0
                                        ? gst_caps_get_structure(offered.get(), 0)
                                        : nullptr;
        const QString media = first ? QString::fromUtf8(gst_structure_get_name(first)) : QString();
        const char* named = first ? gst_structure_get_string(first, "format") : nullptr;
        const QString format = named ? QString::fromUtf8(named) : media;
        if (!media.isEmpty() && media != QLatin1String("video/x-raw"))
            return GStreamer::tr("%1 sends compressed frames (%2), which the preview cannot show; "
                                 "decode them in the pipeline")
                .arg(name_, media);
        return notTaken(name_, format);
    }

    QString name_;
    const Owned<GstElement> pipeline_;
    const Owned<GstElement> sink_;
    const Owned<GstBus> bus_;
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
Owned<GstElement> devicePipeline(const QString& device, QString& problem)
{
    if (otherDevice(device) || !ready(problem))
        return nullptr;
    bool isIndex = false;
    const int index = device.toInt(&isIndex);
#if defined(_WIN32)
    const char* factory = "mfvideosrc";
    const Owned<GstElement> source = sunk(gst_element_factory_make(factory, nullptr));
    if (source && isIndex)
        g_object_set(source.get(), "device-index", index, nullptr);
    else if (source)
        g_object_set(source.get(), "device-path", device.toUtf8().constData(), nullptr);
#else
    const char* factory = "v4l2src";
    const Owned<GstElement> source = sunk(gst_element_factory_make(factory, nullptr));
    const QString path = isIndex ? QStringLiteral("/dev/video%1").arg(index) : device;
    if (source)
        g_object_set(source.get(), "device", QFile::encodeName(path).constData(), nullptr);
#endif
    const Owned<GstElement> sink = sunk(gst_element_factory_make("appsink", nullptr));
    if (!source || !sink) {
        problem = GStreamer::tr("GStreamer's %1 element, which reads capture devices, is missing: "
                                "install its plugins (on Debian, gstreamer1.0-plugins-good)")
                      .arg(QString::fromLatin1(source ? "appsink" : factory));
        return nullptr;
    }
    Owned<GstElement> pipeline = sunk(gst_pipeline_new(nullptr));
    gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), sink.get(), nullptr);
    gst_element_link(source.get(), sink.get());
    return pipeline;
}

} // namespace

std::unique_ptr<FrameReader> openCapture(const QString& device, QString& problem)
{
    std::optional<Tapped> pipeline = tapped(
        isPipeline(device) ? parsed(device, problem) : devicePipeline(device, problem), problem);
    if (!pipeline)
        return nullptr;
    if (!prepareSink(pipeline->sink.get())) {
        problem = notTaken(deviceName(device), fixedFormat(pipeline->sink.get()));
        return nullptr;
    }
    auto reader = std::make_unique<PipelineReader>(deviceName(device), std::move(*pipeline));
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
    const Owned<GstDeviceMonitor> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    const std::unique_ptr<GList, UnrefObjects> devices(
        gst_device_monitor_get_devices(monitor.get()));
    for (GList* item = devices.get(); item; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        Listed entry;
        entry.name = QString::fromUtf8(Owned<gchar>(gst_device_get_display_name(device)).get());
        if (const Owned<GstStructure> properties{gst_device_get_properties(device)}) {
            for (const char* key : {"api.v4l2.path", "device.path"}) {
                if (const gchar* path = gst_structure_get_string(properties.get(), key)) {
                    entry.path = QString::fromUtf8(path);
                    break;
                }
            }
        }
        if (const Owned<GstCaps> caps{gst_device_get_caps(device)})
            entry.formats = linesOf(caps.get());
        listed.push_back(std::move(entry));
    }
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
    const Owned<GstCaps> parsed(gst_caps_from_string(caps.toUtf8().constData()));
    return parsed ? linesOf(parsed.get()) : QStringList();
}
