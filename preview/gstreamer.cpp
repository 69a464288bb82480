#include "gstreamer.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gst/gst.h>

#include <vector>

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

// The appsink through which OpenCV takes the pipeline's frames, with a reference of its own; null
// when there is none.
GstElement* appSinkOf(GstElement* pipeline)
{
    if (!GST_IS_BIN(pipeline))
        return madeBy(pipeline, "appsink") ? GST_ELEMENT(gst_object_ref(pipeline)) : nullptr;
    GstIterator* sinks = gst_bin_iterate_all_by_element_factory_name(GST_BIN(pipeline), "appsink");
    GValue sink = G_VALUE_INIT;
    GstElement* found = nullptr;
    if (gst_iterator_next(sinks, &sink) == GST_ITERATOR_OK) {
        found = GST_ELEMENT(g_value_dup_object(&sink));
        g_value_unset(&sink);
    }
    gst_iterator_free(sinks);
    return found;
}

// The raw video formats that OpenCV's GStreamer back end takes from an appsink.
bool takenByOpenCv(const QString& format)
{
    static const QStringList taken{"GRAY8", "GRAY16_LE", "GRAY16_BE", "BGR",  "BGRA",
                                   "BGRx",  "RGBA",      "RGBx",      "YUY2", "UYVY",
                                   "YVYU",  "I420",      "YV12",      "NV12", "NV21"};
    return taken.contains(format);
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
    return pipeline;
}

} // namespace

QString pipelineProblem(const QString& description)
{
    QString problem;
    GstElement* pipeline = parsed(description, problem);
    if (!pipeline)
        return problem;
    GstElement* sink = appSinkOf(pipeline);
    // OpenCV hands these over byte for byte without saying in which order their bytes come, so
    // the preview would read the counts or the colours in the other one.
    const QString format = sink ? fixedFormat(sink) : QString();
    const QString instead = format == QLatin1String("GRAY16_BE") ? QStringLiteral("GRAY16_LE")
                            : format == QLatin1String("RGBA") || format == QLatin1String("RGBx")
                                ? QStringLiteral("BGR")
                                : QString();
    if (!sink)
        problem = GStreamer::tr("the pipeline has no appsink, through which the preview takes its "
                                "frames");
    else if (!instead.isEmpty())
        problem = GStreamer::tr("the pipeline hands its frames over as %1, whose byte order OpenCV "
                                "does not pass on; convert them to %2 (... ! videoconvert ! "
                                "video/x-raw,format=%2 ! appsink)")
                      .arg(format, instead);
    else if (!format.isEmpty() && !takenByOpenCv(format))
        problem = GStreamer::tr("the pipeline hands its frames over as %1, which OpenCV does not "
                                "take; convert them to GRAY8, GRAY16_LE, a YUV format or BGR (... "
                                "! videoconvert ! video/x-raw,format=GRAY8 ! appsink)")
                      .arg(format);
    if (sink)
        gst_object_unref(sink);
    gst_object_unref(pipeline);
    return problem;
}

QString pipelineFormat(const QString& description)
{
    QString problem;
    GstElement* pipeline = parsed(description, problem);
    if (!pipeline)
        return QString();
    GstElement* sink = appSinkOf(pipeline);
    const QString format = sink ? fixedFormat(sink) : QString();
    if (sink)
        gst_object_unref(sink);
    gst_object_unref(pipeline);
    return format;
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
