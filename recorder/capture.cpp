#include "capture.h"

#include <unistd.h>

#include <gst/gst.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/titlesplit.h"
#include "common/ui/uitext.h"

namespace {

// How long the end of the stream may take once asked for.
constexpr int kGraceMs = 10000;
// How much audio a split recording holds back while one piece is closed and
// the next one opened: far more than that takes.
constexpr guint64 kSplitHoldNs = 5 * GST_SECOND;

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
        m_incoming.reset();
        m_current.reset();
        gst_object_unref(m_pipeline);
    }
}

Capture::Piece::~Piece()
{
    if (added)
        return;
    for (GstElement* element : { encoder, after, sink })
        if (element)
            gst_object_unref(gst_object_ref_sink(element));
}

// What runs in the streaming threads: the count of audio per piece, the cut
// itself, and the end of a closed piece reaching its file.
struct CaptureProbes {
    static GstPadProbeReturn countBuffer(GstPad*, GstPadProbeInfo*, gpointer data)
    {
        ++static_cast<Capture::Piece*>(data)->buffers;
        return GST_PAD_PROBE_OK;
    }

    static GstPadProbeReturn pieceEnd(GstPad*, GstPadProbeInfo* info, gpointer data)
    {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_EOS)
            return GST_PAD_PROBE_OK;
        auto* piece = static_cast<Capture::Piece*>(data);
        Capture* owner = piece->owner;
        QMetaObject::invokeMethod(
            owner, [owner, piece] { owner->pieceEnded(piece); }, Qt::QueuedConnection);
        return GST_PAD_PROBE_REMOVE;
    }

    // The audio is held at the queue: the next piece takes it from here on,
    // and the closed piece's encoder gets its end of stream, which writes
    // its last pages and headers. The GUI thread neither moves the two
    // pieces nor frees them until that end has reached the old file.
    static GstPadProbeReturn cut(GstPad* queueSource, GstPadProbeInfo* info, gpointer data)
    {
        // The cut falls before a buffer of audio, so that the closed piece
        // has had its format and the next one gets it before its audio.
        // Events go to the piece being recorded; an end of stream ends it.
        if (!(GST_PAD_PROBE_INFO_TYPE(info)
                & (GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST)))
            return GST_PAD_PROBE_PASS;
        auto* self = static_cast<Capture*>(data);
        Capture::Piece& old = *self->m_current;
        Capture::Piece& next = *self->m_incoming;
        GstPad* oldInput = gst_element_get_static_pad(old.encoder, "sink");
        gst_pad_unlink(queueSource, oldInput);
        GstPad* oldFile = gst_element_get_static_pad(old.sink, "sink");
        gst_pad_add_probe(oldFile, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, pieceEnd, &old, nullptr);
        gst_object_unref(oldFile);

        if (self->addPiece(next)) {
            GstPad* nextInput = gst_element_get_static_pad(next.encoder, "sink");
            gst_pad_link(queueSource, nextInput);
            gst_object_unref(nextInput);
            for (GstElement* element : { next.sink, next.after, next.encoder })
                if (element)
                    gst_element_sync_state_with_parent(element);
        }
        self->m_swapped = true;
        gst_pad_send_event(oldInput, gst_event_new_eos());
        gst_object_unref(oldInput);
        return GST_PAD_PROBE_REMOVE;
    }
};

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

QString Capture::temporaryFile() const
{
    return m_current ? m_current->temporary : QString();
}

std::unique_ptr<Capture::Piece> Capture::makePiece(const QString& temporary, QString& errorText)
{
    auto piece = std::make_unique<Piece>();
    piece->owner = this;
    piece->temporary = temporary;
    piece->encoder = make(encoderElement(m_preset.format));
    piece->sink = make("filesink");
    if (m_preset.format == EncoderPreset::Format::Ogg)
        piece->after = make("oggmux");
    // The MP3 encoder lowers the rate for low bitrates unless its output
    // rate is fixed: the file keeps the preset's rate.
    if (m_preset.format == EncoderPreset::Format::Mp3)
        piece->after = make("capsfilter");
    if (!piece->encoder || !piece->sink
        || (m_preset.format != EncoderPreset::Format::Wav && !piece->after)) {
        errorText = QString::fromUtf8(encoderElement(m_preset.format));
        return nullptr;
    }
    switch (m_preset.format) {
    case EncoderPreset::Format::Ogg:
        g_object_set(piece->encoder, "bitrate", m_preset.oggBitRate, nullptr);
        break;
    case EncoderPreset::Format::Mp3: {
        // target 1 = bitrate, constant.
        g_object_set(
            piece->encoder, "target", 1, "bitrate", m_preset.mp3BitRate, "cbr", TRUE, nullptr);
        GstCaps* mp3
            = gst_caps_new_simple("audio/mpeg", "rate", G_TYPE_INT, m_preset.rate, nullptr);
        g_object_set(piece->after, "caps", mp3, nullptr);
        gst_caps_unref(mp3);
        break;
    }
    case EncoderPreset::Format::Wav:
        break;
    }
    g_object_set(piece->sink, "location", PathBytes(temporary).c_str(), nullptr);
    // A piece that joins a running recording has nothing to wait for.
    if (m_split)
        g_object_set(piece->sink, "async", FALSE, nullptr);
    return piece;
}

bool Capture::addPiece(Piece& piece)
{
    gst_bin_add_many(GST_BIN(m_pipeline), piece.encoder, piece.sink, nullptr);
    if (piece.after)
        gst_bin_add(GST_BIN(m_pipeline), piece.after);
    piece.added = true;
    // Counts the audio that reaches the encoder: a piece that got none is
    // removed.
    if (GstPad* pad = gst_element_get_static_pad(piece.encoder, "sink")) {
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_BUFFER, CaptureProbes::countBuffer, &piece, nullptr);
        gst_object_unref(pad);
    }
    return piece.after ? gst_element_link_many(piece.encoder, piece.after, piece.sink, nullptr)
                       : gst_element_link(piece.encoder, piece.sink);
}

bool Capture::start(const QString& device, const EncoderPreset& preset, const QString& outputPath,
    QString& errorText, bool split)
{
    m_output = QFileInfo(outputPath).absoluteFilePath();
    m_preset = preset;
    m_split = split;

    m_pipeline = gst_pipeline_new("harddisk");
    GstElement* source = make("pulsesrc");
    GstElement* convert = make("audioconvert");
    GstElement* resample = make("audioresample");
    GstElement* caps = make("capsfilter");
    // Split: the audio waits here while one piece is swapped for the next.
    GstElement* queue = split ? make("queue") : nullptr;
    m_current = makePiece(temporaryPath(m_output), errorText);
    if (!source || !convert || !resample || !caps || (split && !queue) || !m_current) {
        for (GstElement* element : { source, convert, resample, caps, queue })
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        errorText = QString::fromUtf8(encoderElement(preset.format));
        m_current.reset();
        return false;
    }
    m_current->name = QFileInfo(m_output).completeBaseName();

    g_object_set(
        source, "device", device.toUtf8().constData(), "client-name", "HarddiskOgg", nullptr);
    GstCaps* wanted = gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, preset.rate,
        "channels", G_TYPE_INT, preset.channels, nullptr);
    if (preset.format == EncoderPreset::Format::Wav)
        gst_caps_set_simple(wanted, "format", G_TYPE_STRING, "S16LE", nullptr);
    g_object_set(caps, "caps", wanted, nullptr);
    gst_caps_unref(wanted);

    m_afterSource = convert;
    // Counts all the audio recorded: a recording that got none leaves no
    // file.
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
    gst_bin_add_many(GST_BIN(m_pipeline), source, convert, resample, caps, nullptr);
    bool linked = gst_element_link_many(source, convert, resample, caps, nullptr);
    GstElement* last = caps;
    if (queue) {
        g_object_set(queue, "max-size-time", kSplitHoldNs, "max-size-buffers", 0u, "max-size-bytes",
            0u, nullptr);
        gst_bin_add(GST_BIN(m_pipeline), queue);
        linked = linked && gst_element_link(caps, queue);
        last = queue;
        m_queue = queue;
    }
    linked = addPiece(*m_current) && linked && gst_element_link(last, m_current->encoder);
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
        QFile::remove(m_current->temporary);
        return false;
    }
    if (m_split)
        emit pieceStarted(m_current->temporary, m_current->name);
    return true;
}

void Capture::setPieceName(const QString& name)
{
    if (m_done || m_grace.isActive())
        return; // a recording that ends keeps the names it has
    if (m_splits.empty()) {
        if (m_current)
            m_current->name = name;
        return;
    }
    m_splits.back().second = name;
    if (m_splits.size() == 1 && m_incoming)
        m_incoming->name = name;
}

void Capture::split(const QString& endedName, const QString& nextName)
{
    if (!m_split || !m_pipeline || m_done || m_grace.isActive())
        return;
    m_splits.emplace_back(endedName, nextName);
    if (m_splits.size() == 1)
        beginSplit();
}

void Capture::beginSplit()
{
    const auto& [endedName, nextName] = m_splits.front();
    const QFileInfo output(m_output);
    const QString temporary = output.absolutePath() + QStringLiteral("/.") + output.fileName()
        + QStringLiteral(".%1.part").arg(++m_pieces);
    QString error;
    m_incoming = makePiece(temporary, error);
    if (!m_incoming) {
        // The encoder cannot be made again: the recording goes on in the
        // piece it is in.
        m_splits.clear();
        return;
    }
    m_current->name = endedName;
    m_incoming->name = nextName;
    m_swapped = false;
    GstPad* pad = gst_element_get_static_pad(m_queue, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, CaptureProbes::cut, this, nullptr);
    gst_object_unref(pad);
}

// The closed piece's last pages are in its file: it leaves the pipeline and
// takes its name; the next one is the current piece.
void Capture::pieceEnded(Piece* piece)
{
    if (m_done || piece != m_current.get())
        return;
    for (GstElement* element : { piece->sink, piece->after, piece->encoder })
        if (element)
            gst_element_set_state(element, GST_STATE_NULL);
    for (GstElement* element : { piece->sink, piece->after, piece->encoder })
        if (element)
            gst_bin_remove(GST_BIN(m_pipeline), element);
    savePiece(*piece, true);
    m_current = std::move(m_incoming);
    m_swapped = false;
    emit pieceStarted(m_current->temporary, m_current->name);
    m_splits.pop_front();
    if (!m_splits.empty())
        beginSplit();
    else if (m_stopAfterSplits)
        endBehindSource();
}

// The end of stream goes in behind the source, not to the source itself:
// a source whose sound server no longer answers holds its lock while it
// waits for audio, and would hold the caller with it. The encoder still
// gets its end and closes the file.
void Capture::endBehindSource()
{
    if (GstPad* pad = gst_element_get_static_pad(m_afterSource, "sink")) {
        gst_pad_send_event(pad, gst_event_new_eos());
        gst_object_unref(pad);
    }
}

void Capture::savePiece(Piece& piece, bool ended)
{
    if (piece.buffers.load() == 0) {
        QFile::remove(piece.temporary);
        return;
    }
    if (!ended && m_preset.format == EncoderPreset::Format::Wav)
        completeWavSizes(piece.temporary);
    QString kept;
    if (m_split) {
        const QFileInfo output(m_output);
        kept = PathText(FreeSongFile(PathBytes(output.absolutePath() + QLatin1Char('/')),
            PathBytes(piece.name), PathBytes(QLatin1Char('.') + output.suffix())));
    } else {
        kept = m_output;
        QFile::remove(kept);
    }
    if (!QFile::rename(piece.temporary, kept))
        kept = piece.temporary; // still there, under its hidden name
    m_output = kept;
    if (m_split)
        emit pieceSaved(kept);
}

void Capture::stop()
{
    if (!m_pipeline || m_done || m_grace.isActive())
        return;
    m_grace.start();
    // A cut under way ends first, so that its two pieces are closed and
    // named as asked.
    if (!m_splits.empty()) {
        m_stopAfterSplits = true;
        return;
    }
    endBehindSource();
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
    endBehindSource();
}

void Capture::finish(bool ended)
{
    if (m_done)
        return;
    m_done = true;
    m_grace.stop();
    // The files are closed and named before the source stops: the stop of a
    // source whose sound server hangs lasts as long as the server does.
    // A cut that did not end in time: the piece it opened is closed too.
    for (Piece* piece : { m_current.get(), m_incoming && m_swapped ? m_incoming.get() : nullptr })
        if (piece)
            for (GstElement* element : { piece->sink, piece->after, piece->encoder })
                if (element)
                    gst_element_set_state(element, GST_STATE_NULL);
    if (m_audioBuffers.load() == 0) {
        QFile::remove(m_current->temporary);
        if (m_incoming && m_swapped)
            QFile::remove(m_incoming->temporary);
        m_outcome = Outcome::NothingRecorded;
    } else {
        savePiece(*m_current, ended);
        if (m_incoming && m_swapped)
            savePiece(*m_incoming, ended);
        m_outcome = !m_error.isEmpty() ? Outcome::KeptAfterError
            : ended                    ? Outcome::Complete
                                       : Outcome::KeptUnfinished;
    }
    emit finished();
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
}
