#include "capture.h"

#include <gst/gst.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/ui/uitext.h"

namespace {

// How long the end of the stream may take once asked for.
constexpr int kGraceMs = 10000;

GstElement* make(const char* factory, const char* name = nullptr)
{
    return gst_element_factory_make(factory, name);
}

} // namespace

Capture::Capture(QObject* parent)
    : QObject(parent)
{
    m_grace.setSingleShot(true);
    m_grace.setInterval(kGraceMs);
    connect(&m_grace, &QTimer::timeout, this, [this] { finish(false); });
}

Capture::~Capture()
{
    if (m_pipeline) {
        GstBus* bus = gst_element_get_bus(m_pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    if (!m_done && !m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

const char* Capture::encoderElement(EncoderPreset::Format format)
{
    switch (format) {
    case EncoderPreset::Format::Wav:
        return "wavenc";
    case EncoderPreset::Format::Ogg:
        return "vorbisenc";
    case EncoderPreset::Format::Mp3:
        return "lamemp3enc";
    }
    return "";
}

QString Capture::temporaryPath(const QString& outputPath)
{
    const QFileInfo info(outputPath);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".part");
}

bool Capture::start(const QString& device, const EncoderPreset& preset, const QString& outputPath,
    QString& errorText)
{
    m_output = QFileInfo(outputPath).absoluteFilePath();
    m_temporary = temporaryPath(m_output);

    m_pipeline = gst_pipeline_new("harddisk");
    GstElement* source = make("pulsesrc");
    GstElement* convert = make("audioconvert");
    GstElement* resample = make("audioresample");
    GstElement* caps = make("capsfilter");
    GstElement* encoder = make(encoderElement(preset.format));
    GstElement* sink = make("filesink");
    GstElement* mux = preset.format == EncoderPreset::Format::Ogg ? make("oggmux") : nullptr;
    // The MP3 encoder lowers the rate for low bitrates unless its output
    // rate is fixed: the file keeps the preset's rate.
    GstElement* mp3Caps
        = preset.format == EncoderPreset::Format::Mp3 ? make("capsfilter") : nullptr;
    if (!source || !convert || !resample || !caps || !encoder || !sink
        || (preset.format == EncoderPreset::Format::Ogg && !mux)
        || (preset.format == EncoderPreset::Format::Mp3 && !mp3Caps)) {
        for (GstElement* element : { source, convert, resample, caps, encoder, sink, mux, mp3Caps })
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        errorText = QString::fromUtf8(encoderElement(preset.format));
        return false;
    }

    g_object_set(source, "device", device.toUtf8().constData(), "client-name", "HarddiskOgg",
        nullptr);
    GstCaps* wanted = gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, preset.rate,
        "channels", G_TYPE_INT, preset.channels, nullptr);
    if (preset.format == EncoderPreset::Format::Wav)
        gst_caps_set_simple(wanted, "format", G_TYPE_STRING, "S16LE", nullptr);
    g_object_set(caps, "caps", wanted, nullptr);
    gst_caps_unref(wanted);
    switch (preset.format) {
    case EncoderPreset::Format::Ogg:
        g_object_set(encoder, "bitrate", preset.oggBitRate, nullptr);
        break;
    case EncoderPreset::Format::Mp3:
        // target 1 = bitrate, constant.
        g_object_set(encoder, "target", 1, "bitrate", preset.mp3BitRate, "cbr", TRUE, nullptr);
        break;
    case EncoderPreset::Format::Wav:
        break;
    }
    g_object_set(sink, "location", PathBytes(m_temporary).c_str(), nullptr);

    gst_bin_add_many(GST_BIN(m_pipeline), source, convert, resample, caps, encoder, sink, nullptr);
    bool linked = gst_element_link_many(source, convert, resample, caps, encoder, nullptr);
    if (mux || mp3Caps) {
        GstElement* after = mux ? mux : mp3Caps;
        if (mp3Caps) {
            GstCaps* mp3 = gst_caps_new_simple("audio/mpeg", "rate", G_TYPE_INT, preset.rate, nullptr);
            g_object_set(mp3Caps, "caps", mp3, nullptr);
            gst_caps_unref(mp3);
        }
        gst_bin_add(GST_BIN(m_pipeline), after);
        linked = linked && gst_element_link_many(encoder, after, sink, nullptr);
    } else {
        linked = linked && gst_element_link(encoder, sink);
    }
    if (!linked) {
        errorText = QStringLiteral("liaison du pipeline");
        return false;
    }

    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(
        bus,
        // A handler that drops a message owns it: the end and errors are
        // released once handled on the GUI thread, the others at once.
        [](GstBus*, GstMessage* message, gpointer self) {
            const auto type = GST_MESSAGE_TYPE(message);
            if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
                QMetaObject::invokeMethod(static_cast<Capture*>(self),
                    [self, message] {
                        static_cast<Capture*>(self)->onMessage(message);
                        gst_message_unref(message);
                    },
                    Qt::QueuedConnection);
            } else {
                gst_message_unref(message);
            }
            return GST_BUS_DROP;
        },
        this, nullptr);
    gst_object_unref(bus);

    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        errorText = QStringLiteral("démarrage de la source %1").arg(device);
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        QFile::remove(m_temporary);
        return false;
    }
    return true;
}

void Capture::stop()
{
    if (!m_pipeline || m_done)
        return;
    m_grace.start();
    gst_element_send_event(m_pipeline, gst_event_new_eos());
}

void Capture::onMessage(GstMessage* message)
{
    if (m_done)
        return;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        finish(true);
        return;
    }
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString text = QString::fromUtf8(error ? error->message : "");
    g_clear_error(&error);
    emit failed(text);
    finish(false);
}

void Capture::finish(bool clean)
{
    if (m_done)
        return;
    m_done = true;
    m_grace.stop();
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    if (clean) {
        QFile::remove(m_output);
        clean = QFile::rename(m_temporary, m_output);
    }
    if (!clean)
        QFile::remove(m_temporary);
    emit finished(clean);
}
