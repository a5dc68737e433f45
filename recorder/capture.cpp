#include "capture.h"

#include <unistd.h>

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

// A WAV file whose encoder did not close it still says it holds no data:
// its two sizes are set from the file's length, so that players read it
// to the last sample written.
void completeWavSizes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    const QByteArray head = file.read(4096);
    const qsizetype data = head.indexOf("data");
    if (!head.startsWith("RIFF") || data < 12 || data + 8 > head.size())
        return;
    auto put = [&file](qint64 at, quint32 value) {
        const char bytes[4] = { char(value & 0xff), char(value >> 8 & 0xff),
            char(value >> 16 & 0xff), char(value >> 24 & 0xff) };
        file.seek(at);
        file.write(bytes, 4);
    };
    const qint64 size = file.size();
    put(4, static_cast<quint32>(size - 8));
    put(data + 4, static_cast<quint32>(size - data - 8));
    file.flush();
    ::fsync(file.handle());
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
    // A recording still running when the program leaves keeps its file.
    if (m_pipeline && !m_done) {
        blockSignals(true);
        finish(false);
    }
    if (m_pipeline) {
        GstBus* bus = gst_element_get_bus(m_pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
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

    g_object_set(
        source, "device", device.toUtf8().constData(), "client-name", "HarddiskOgg", nullptr);
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

    m_wav = preset.format == EncoderPreset::Format::Wav;
    m_afterSource = convert;
    // Counts the audio that reaches the encoder: a recording that got none
    // is the only one removed.
    if (GstPad* pad = gst_element_get_static_pad(caps, "src")) {
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad*, GstPadProbeInfo*, gpointer self) {
                ++static_cast<Capture*>(self)->m_audioBuffers;
                return GST_PAD_PROBE_OK;
            },
            this, nullptr);
        gst_object_unref(pad);
    }
    gst_bin_add_many(GST_BIN(m_pipeline), source, convert, resample, caps, encoder, sink, nullptr);
    bool linked = gst_element_link_many(source, convert, resample, caps, encoder, nullptr);
    if (mux || mp3Caps) {
        GstElement* after = mux ? mux : mp3Caps;
        if (mp3Caps) {
            GstCaps* mp3
                = gst_caps_new_simple("audio/mpeg", "rate", G_TYPE_INT, preset.rate, nullptr);
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
                QMetaObject::invokeMethod(
                    static_cast<Capture*>(self),
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
    if (!m_pipeline || m_done || m_grace.isActive())
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
    if (!m_error.isEmpty())
        return; // the first error says what happened
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    m_error = QString::fromUtf8(error && error->message ? error->message : "?");
    g_clear_error(&error);
    // The source is gone (a sound-server restart) or the file refuses more
    // (a full disk): end the stream behind the source, so that the encoder
    // closes what it has. When that end does not come either, the grace
    // period keeps the file as it stands.
    m_grace.start();
    if (GstPad* pad = gst_element_get_static_pad(m_afterSource, "sink")) {
        gst_pad_send_event(pad, gst_event_new_eos());
        gst_object_unref(pad);
    }
}

void Capture::finish(bool ended)
{
    if (m_done)
        return;
    m_done = true;
    m_grace.stop();
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    if (m_audioBuffers.load() == 0) {
        QFile::remove(m_temporary);
        m_outcome = Outcome::NothingRecorded;
    } else {
        if (!ended && m_wav)
            completeWavSizes(m_temporary);
        QFile::remove(m_output);
        if (!QFile::rename(m_temporary, m_output))
            m_output = m_temporary; // still there, under its hidden name
        m_outcome = !m_error.isEmpty() ? Outcome::KeptAfterError
            : ended                    ? Outcome::Complete
                                       : Outcome::KeptUnfinished;
    }
    emit finished();
}
