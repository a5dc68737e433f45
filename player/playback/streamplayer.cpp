#include "playback/streamplayer.h"

#include <algorithm>
#include <memory>
#include <utility>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/audio/audio.h>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <QByteArray>
#include <QLoggingCategory>
#include <QUrl>

#include "common/playlist.h"
#include "common/sound/privateoutput.h"
#include "playback/playbacktexts.h"

// Quiet unless QT_LOGGING_RULES="sonalto.playback.debug=true".
Q_LOGGING_CATEGORY(lcPlayback, "sonalto.playback", QtInfoMsg)

namespace {

// Playlists inside playlists are followed this deep, no further: a list
// that names itself must not loop.
constexpr int kMaxPlaylistDepth = 3;

// playbin's "flags": audio only, no video or subtitles for streams that
// carry them.
constexpr guint kPlayFlagVideo = 1 << 0;
constexpr guint kPlayFlagText = 1 << 2;

// How far the connection may run ahead of the speakers: the most audio the
// output's queue holds. A server that sends seconds ahead fills it; a file
// is read this far ahead. After a few drops, each new connection's burst
// adds to what was left, up to this.
constexpr GstClockTime kQueueAhead = 10 * GST_SECOND;
// Once the queue is full, the connection waits until this much of it has
// been played before it reads on, so that a full queue costs one wake-up a
// second instead of one per piece of audio.
constexpr GstClockTime kQueueRefill = 1 * GST_SECOND;
// Audio that comes after the queue ran dry starts this far ahead of the
// output's clock, so that none of its start is too late to be played.
constexpr GstClockTime kRejoinLead = 50 * GST_MSECOND;

bool gstreamerReady()
{
    static const bool ready = [] {
        GError* error = nullptr;
        if (gst_init_check(nullptr, nullptr, &error))
            return true;
        qCWarning(lcPlayback) << "GStreamer unavailable:" << (error ? error->message : "");
        g_clear_error(&error);
        return false;
    }();
    return ready;
}

// The output: the slider's own volume element in front of the speakers'
// sink and, when the recorder's private output exists, a tee that also feeds
// a sound-server sink on that output, each branch behind its own queue. The
// volume sits on the speakers' branch only, so the slider changes what the
// listener hears and never what is recorded. It comes after the queue, so a
// change is heard at once. Returns the bin and its volume element, or nulls
// when a piece is missing.
struct Output {
    GstElement* bin = nullptr;
    GstElement* volume = nullptr;
};

Output makeOutput(GstElement* speakers, bool privateOutput)
{
    GstElement* bin = gst_bin_new("sonalto-output");
    GstElement* volume = gst_element_factory_make("volume", "sonalto-volume");
    GstElement* tee = privateOutput ? gst_element_factory_make("tee", nullptr) : nullptr;
    GstElement* toSpeakers = privateOutput ? gst_element_factory_make("queue", nullptr) : nullptr;
    GstElement* toRecorder = privateOutput ? gst_element_factory_make("queue", nullptr) : nullptr;
    GstElement* recorderSink
        = privateOutput ? gst_element_factory_make("pulsesink", "sonalto-record-sink") : nullptr;
    if (!volume || (privateOutput && (!tee || !toSpeakers || !toRecorder || !recorderSink))) {
        for (GstElement* element :
            { bin, volume, tee, toSpeakers, toRecorder, recorderSink, speakers })
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        return {};
    }
    gst_bin_add_many(GST_BIN(bin), volume, speakers, nullptr);
    GstElement* first = volume;
    bool linked = gst_element_link(volume, speakers);
    if (privateOutput) {
        g_object_set(recorderSink, "device", kPrivateOutputName, "provide-clock", FALSE, nullptr);
        // The tee hands each buffer to both branches in turn, so a branch
        // whose queue is full holds the other one back. The recorder's sink
        // starts later and runs on the speakers' clock: behind a blocking
        // queue it made the speakers run dry for a moment now and then. Its
        // queue drops its oldest audio instead, and only when it is two
        // seconds behind.
        // Not synchronised to the clock: paced by the speakers' branch, it
        // has no drift of its own to correct, which made it skip at start.
        g_object_set(recorderSink, "sync", FALSE, nullptr);
        g_object_set(toRecorder, "leaky", 2 /* downstream */, "max-size-time",
            guint64(2 * GST_SECOND), "max-size-buffers", 0u, "max-size-bytes", 0u, nullptr);
        gst_bin_add_many(GST_BIN(bin), tee, toSpeakers, toRecorder, recorderSink, nullptr);
        linked = linked && gst_element_link_many(tee, toSpeakers, volume, nullptr)
            && gst_element_link_many(tee, toRecorder, recorderSink, nullptr);
        first = tee;
    }
    if (!linked) {
        gst_object_unref(gst_object_ref_sink(bin)); // takes the speakers' sink with it
        qCWarning(lcPlayback) << "output not linked";
        return {};
    }
    GstPad* firstSink = gst_element_get_static_pad(first, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", firstSink));
    gst_object_unref(firstSink);
    return { bin, volume };
}

// Loading a plugin (its library and its types) the first time a stream
// needs it costs most of the first play's start; these are loaded ahead,
// while the window comes up, for the streams stations commonly send.
template <std::size_t N, typename Action>
void forEachElementFeature(const char* const (&names)[N], Action action)
{
    GstRegistry* registry = gst_registry_get();
    for (const char* name : names) {
        if (GstPluginFeature* feature
            = gst_registry_find_feature(registry, name, GST_TYPE_ELEMENT_FACTORY)) {
            action(feature);
            gst_object_unref(feature);
        }
    }
}

void preloadStreamPlugins()
{
    static constexpr const char* kFeatures[] = { "souphttpsrc", "icydemux", "typefind",
        "uridecodebin", "decodebin", "queue2", "multiqueue", "id3demux", "mpegaudioparse",
        "mpg123audiodec", "aacparse", "faad", "oggdemux", "vorbisdec", "opusdec", "audioconvert",
        "audioresample", "volume", "autoaudiosink", "pulsesink", "appsink", "appsrc" };
    forEachElementFeature(kFeatures, [](GstPluginFeature* feature) {
        if (GstPluginFeature* loaded = gst_plugin_feature_load(feature))
            gst_object_unref(loaded);
    });
}

// Streams are decoded by each format's own decoder (mpg123 for MP3, the
// AAC library's for AAC, ...) ahead of the general-purpose codec
// collection, which ranks as high or higher and stays the last resort for
// any other format. Loading that collection maps some 170 libraries (video
// codecs, filters, speech synthesis) into a player that stays open all day:
// about 20 MiB for one audio decoder.
void rankOwnDecodersFirst()
{
    static constexpr const char* kOwnDecoders[]
        = { "mpg123audiodec", "faad", "vorbisdec", "opusdec", "flacdec" };
    forEachElementFeature(kOwnDecoders, [](GstPluginFeature* feature) {
        if (gst_plugin_feature_get_rank(feature) <= GST_RANK_PRIMARY)
            gst_plugin_feature_set_rank(feature, GST_RANK_PRIMARY + 1);
    });
}

bool isLocal(const QString& address)
{
    return address.startsWith('/') || address.startsWith("file:", Qt::CaseInsensitive);
}

QString toUri(const QString& address)
{
    if (address.startsWith('/'))
        return QUrl::fromLocalFile(address).toString(QUrl::FullyEncoded);
    return address;
}

// Errors that say "this is not audio we can decode": the address may be a
// playlist that neither its name nor its Content-Type announced.
bool isTypeError(const GError* error)
{
    if (error->domain == GST_STREAM_ERROR)
        return error->code == GST_STREAM_ERROR_TYPE_NOT_FOUND
            || error->code == GST_STREAM_ERROR_WRONG_TYPE
            || error->code == GST_STREAM_ERROR_CODEC_NOT_FOUND
            || error->code == GST_STREAM_ERROR_DEMUX || error->code == GST_STREAM_ERROR_DECODE
            || error->code == GST_STREAM_ERROR_FORMAT;
    return error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN;
}

// Writes a bus error to the playback log and frees it; true when it says
// the stream's type cannot be handled.
bool takeBusError(GstMessage* message, const QString& where)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    qCDebug(lcPlayback) << where << error->message << debug;
    const bool typeError = isTypeError(error);
    g_clear_error(&error);
    g_free(debug);
    return typeError;
}

} // namespace

class StreamPlayerCallbacks {
public:
    // The messages the player acts on go to the GUI thread tagged with the
    // attempt (or the run of the output) they were posted in, so that a late
    // message of an earlier one is ignored. A handler that drops a message
    // owns it: each one is released here or, once handled, on the GUI thread.
    static GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data)
    {
        std::shared_ptr<GstMessage> held(message, gst_message_unref);
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_EOS:
            break;
        default:
            return GST_BUS_DROP;
        }
        auto* player = static_cast<StreamPlayer*>(data);
        const quint64 generation = player->m_generation.load();
        QMetaObject::invokeMethod(
            player, [player, held, generation] { player->onMessage(held.get(), generation); },
            Qt::QueuedConnection);
        return GST_BUS_DROP;
    }

    static GstBusSyncReply onOutputBusMessage(GstBus*, GstMessage* message, gpointer data)
    {
        std::shared_ptr<GstMessage> held(message, gst_message_unref);
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_EOS:
        case GST_MESSAGE_CLOCK_LOST:
            break;
        default:
            return GST_BUS_DROP;
        }
        auto* player = static_cast<StreamPlayer*>(data);
        const quint64 generation = player->m_outputGeneration.load();
        QMetaObject::invokeMethod(
            player, [player, held, generation] { player->onOutputMessage(held.get(), generation); },
            Qt::QueuedConnection);
        return GST_BUS_DROP;
    }

    // A decoded buffer of the connection.
    static GstFlowReturn onTapSample(GstAppSink* tap, gpointer data)
    {
        auto* player = static_cast<StreamPlayer*>(data);
        GstSample* sample = gst_app_sink_pull_sample(tap);
        if (!sample)
            return GST_FLOW_OK;
        if (player->m_tapOpen.load() && !player->m_audioThisAttempt.exchange(true)) {
            const quint64 generation = player->m_generation.load();
            QMetaObject::invokeMethod(
                player, [player, generation] { player->onFirstBuffer(generation); },
                Qt::QueuedConnection);
        }
        player->queueSample(sample);
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }

    // The stream's titles, in order with its audio.
    static GstPadProbeReturn onTapEvent(GstPad*, GstPadProbeInfo* info, gpointer data)
    {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) != GST_EVENT_TAG)
            return GST_PAD_PROBE_OK;
        GstTagList* tags = nullptr;
        gst_event_parse_tag(event, &tags);
        gchar* title = nullptr;
        if (tags && gst_tag_list_get_string(tags, GST_TAG_TITLE, &title)) {
            static_cast<StreamPlayer*>(data)->noteTitle(QString::fromUtf8(title).trimmed());
            g_free(title);
        }
        return GST_PAD_PROBE_OK;
    }

    // A buffer at a sink of the output bin, past its queues: the titles that
    // come with it are due.
    static GstPadProbeReturn onSpeakersBuffer(GstPad*, GstPadProbeInfo* info, gpointer data)
    {
        GstBuffer* buffer = nullptr;
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)
            buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        else if (GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info))
            buffer = gst_buffer_list_length(list) > 0 ? gst_buffer_list_get(list, 0) : nullptr;
        if (buffer && GST_BUFFER_PTS_IS_VALID(buffer))
            static_cast<StreamPlayer*>(data)->titlesDue(GST_BUFFER_PTS(buffer));
        return GST_PAD_PROBE_OK;
    }

    // A buffer on its way to the speakers.
    static GstPadProbeReturn onOutputBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer data)
    {
        auto* player = static_cast<StreamPlayer*>(data);
        // Without the output bin's volume element, titles are due here.
        if (!player->m_volumeElement)
            onSpeakersBuffer(pad, info, data);
        if (!player->m_outputAudio.exchange(true)) {
            const quint64 generation = player->m_outputGeneration.load();
            QMetaObject::invokeMethod(
                player, [player, generation] { player->onOutputAudio(generation); },
                Qt::QueuedConnection);
        }
        return GST_PAD_PROBE_OK;
    }

    // Keeps the HTTP source from waiting long on a silent server.
    static void onSourceSetup(GstElement*, GstElement* source, gpointer)
    {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "timeout"))
            g_object_set(source, "timeout", 10u, nullptr);
    }
};

StreamPlayer::StreamPlayer(QObject* parent)
    : AudioEngine(parent)
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &StreamPlayer::retryRound);
    // Audio that has flowed this long is a connection that works: a later
    // drop starts a fresh count. A server that drops after a short burst
    // keeps its pause growing and its budget running.
    m_steadyTimer.setSingleShot(true);
    connect(&m_steadyTimer, &QTimer::timeout, this, [this] {
        m_failedRounds = 0;
        m_failingSince.invalidate();
    });
    // Each attempt's streaming threads take their memory from allocator
    // pools of their own; what the last pipeline freed stays with the
    // process unless handed back. Once the new attempt has settled, give
    // it back: without this the player grew by a few megabytes an hour of
    // station changes and reconnections.
    m_trimTimer.setSingleShot(true);
    m_trimTimer.setInterval(5000);
#if defined(__GLIBC__)
    connect(&m_trimTimer, &QTimer::timeout, this, [] { ::malloc_trim(0); });
#endif
    m_privateCheck.setInterval(3000);
    connect(&m_privateCheck, &QTimer::timeout, this, &StreamPlayer::checkPrivateOutput);
    connect(&m_resolver, &PlaylistResolver::finished, this, &StreamPlayer::onFetched);
    m_resolver.setTimeout(m_policy.playlistTimeout);
    m_statusText = playbacktexts::kStopped;
    if (gstreamerReady())
        rankOwnDecodersFirst();
    if (buildPipeline())
        m_preload = std::thread(preloadStreamPlugins);
}

StreamPlayer::~StreamPlayer()
{
    if (m_preload.joinable())
        m_preload.join();
    m_resolver.cancel();
    if (m_playbin) {
        closeSource();
        GstBus* bus = gst_element_get_bus(m_playbin);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(m_playbin);
    }
    if (m_output) {
        stopOutput();
        if (m_sinkPad) {
            gst_pad_remove_probe(m_sinkPad, m_probeId);
            gst_object_unref(m_sinkPad);
        }
        GstBus* bus = gst_element_get_bus(m_output);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(m_output);
    }
    // The private output leaves the desktop's sound settings with the
    // player, unless a recording still takes it.
    if (m_withPrivateOutput)
        RemovePrivateOutput();
}

bool StreamPlayer::buildPipeline()
{
    if (!gstreamerReady())
        return false;
    m_playbin = gst_element_factory_make("playbin", "sonalto-playbin");
    m_tap = gst_element_factory_make("appsink", "sonalto-tap");
    if (!m_playbin || !m_tap) {
        qCWarning(lcPlayback) << "playbin or appsink is missing";
        for (GstElement* element : { m_playbin, m_tap })
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        m_playbin = m_tap = nullptr;
        return false;
    }
    gst_object_ref_sink(m_playbin);
    if (!buildOutput()) {
        gst_object_unref(gst_object_ref_sink(m_tap));
        gst_object_unref(m_playbin);
        m_playbin = m_tap = nullptr;
        return false;
    }

    // The connection decodes as fast as the audio comes, into the output's
    // queue; queueSample holds it back when the queue is full.
    GstCaps* raw = gst_caps_new_empty_simple("audio/x-raw");
    g_object_set(m_tap, "sync", FALSE, "enable-last-sample", FALSE, "caps", raw, nullptr);
    gst_caps_unref(raw);
    GstAppSinkCallbacks callbacks {};
    callbacks.new_sample = &StreamPlayerCallbacks::onTapSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(m_tap), &callbacks, this, nullptr);
    if (GstPad* pad = gst_element_get_static_pad(m_tap, "sink")) {
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
            &StreamPlayerCallbacks::onTapEvent, this, nullptr);
        gst_object_unref(pad);
    }
    g_object_set(m_playbin, "audio-sink", m_tap, nullptr);

    guint flags = 0;
    g_object_get(m_playbin, "flags", &flags, nullptr);
    g_object_set(m_playbin, "flags", flags & ~(kPlayFlagVideo | kPlayFlagText), nullptr);
    g_signal_connect(
        m_playbin, "source-setup", G_CALLBACK(&StreamPlayerCallbacks::onSourceSetup), this);

    GstBus* bus = gst_element_get_bus(m_playbin);
    gst_bus_set_sync_handler(bus, &StreamPlayerCallbacks::onBusMessage, this, nullptr);
    gst_object_unref(bus);
    return true;
}

// The output pipeline: the queue (an appsrc the connection feeds), format
// and rate conversion, then the output bin.
bool StreamPlayer::buildOutput()
{
    m_output = gst_pipeline_new("sonalto-speakers");
    m_queueSource = gst_element_factory_make("appsrc", "sonalto-queue");
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    m_resample = gst_element_factory_make("audioresample", nullptr);
    if (!m_output || !m_queueSource || !convert || !m_resample) {
        qCWarning(lcPlayback) << "the output cannot be built";
        for (GstElement* element : { m_output, m_queueSource, convert, m_resample })
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        m_output = m_queueSource = m_resample = nullptr;
        return false;
    }
    gst_object_ref_sink(m_output);
    // Unbounded here: queueSample keeps it to kQueueAhead, and never blocks
    // inside the appsrc, where a connection being stopped could not wake it.
    g_object_set(m_queueSource, "format", GST_FORMAT_TIME, "is-live", FALSE, "max-bytes",
        guint64(0), "max-buffers", guint64(0), "max-time", guint64(0), "block", FALSE, nullptr);
    gst_bin_add_many(GST_BIN(m_output), m_queueSource, convert, m_resample, nullptr);
    gst_element_link_many(m_queueSource, convert, m_resample, nullptr);
    installOutput(EnsurePrivateOutput(std::chrono::milliseconds(1500)));

    GstBus* bus = gst_element_get_bus(m_output);
    gst_bus_set_sync_handler(bus, &StreamPlayerCallbacks::onOutputBusMessage, this, nullptr);
    gst_object_unref(bus);
    return true;
}

// Gives the output pipeline a new output bin, with or without the branch to
// the private output. The output pipeline must be stopped (NULL).
void StreamPlayer::installOutput(bool withPrivateOutput)
{
    if (m_sinkPad) {
        gst_pad_remove_probe(m_sinkPad, m_probeId);
        gst_object_unref(m_sinkPad);
        m_sinkPad = nullptr;
    }
    if (m_sink) {
        gst_element_unlink(m_resample, m_sink);
        gst_bin_remove(GST_BIN(m_output), m_sink); // and lets it go
        m_sink = nullptr;
    }
    m_volumeElement = nullptr;
    m_withPrivateOutput = false;

    // SONALTO_AUDIO_SINK is a gst-launch description of the output ("fakesink
    // sync=true" in tests); otherwise the desktop's default output.
    GstElement* speakers = nullptr;
    const QByteArray description = qgetenv("SONALTO_AUDIO_SINK").trimmed();
    if (!description.isEmpty()) {
        GError* error = nullptr;
        speakers = gst_parse_bin_from_description(description.constData(), TRUE, &error);
        if (!speakers) {
            qCWarning(lcPlayback) << "SONALTO_AUDIO_SINK not usable:" << description
                                  << (error ? error->message : "");
            g_clear_error(&error);
        }
    }
    if (!speakers)
        speakers = gst_element_factory_make("autoaudiosink", nullptr);
    GstElement* sink = nullptr;
    if (speakers) {
        const Output output = makeOutput(speakers, withPrivateOutput);
        sink = output.bin;
        m_volumeElement = output.volume;
        m_withPrivateOutput = sink && withPrivateOutput;
    }
    if (!sink)
        sink = gst_element_factory_make("autoaudiosink", nullptr);
    if (!sink)
        return;
    gst_bin_add(GST_BIN(m_output), sink);
    if (!gst_element_link(m_resample, sink)) {
        qCWarning(lcPlayback) << "output not linked";
        gst_bin_remove(GST_BIN(m_output), sink);
        m_volumeElement = nullptr;
        m_withPrivateOutput = false;
        return;
    }
    m_sink = sink;
    // The volume element sits right in front of the speakers' sink: a title
    // is due once the audio after it gets there. The probe goes with the
    // element when the bin is replaced.
    const std::pair<GstElement*, const char*> probed[] = { { m_volumeElement, "src" } };
    for (const auto& [element, name] : probed)
        if (GstPad* pad = element ? gst_element_get_static_pad(element, name) : nullptr) {
            gst_pad_add_probe(pad,
                static_cast<GstPadProbeType>(
                    GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                &StreamPlayerCallbacks::onSpeakersBuffer, this, nullptr);
            gst_object_unref(pad);
        }
    m_sinkPad = gst_element_get_static_pad(sink, "sink");
    if (m_sinkPad)
        m_probeId = gst_pad_add_probe(m_sinkPad,
            static_cast<GstPadProbeType>(
                GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
            &StreamPlayerCallbacks::onOutputBuffer, this, nullptr);
    applyVolume();
}

// Starts the output when it is not running: an empty queue, a clock from
// zero, no titles waiting.
bool StreamPlayer::startOutput()
{
    if (m_outputRunning)
        return true;
    if (!m_output || !m_sink)
        return false;
    m_nextPts = 0;
    {
        std::lock_guard<std::mutex> lock(m_titleMutex);
        m_pendingTitles.clear();
    }
    ++m_outputGeneration;
    m_outputAudio = false;
    m_ending = false;
    if (gst_element_set_state(m_output, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        qCDebug(lcPlayback) << "the output does not start";
        gst_element_set_state(m_output, GST_STATE_NULL);
        ++m_outputGeneration;
        return false;
    }
    m_outputRunning = true;
    if (m_withPrivateOutput)
        m_privateCheck.start();
    return true;
}

// Stops the output and throws its queue away.
void StreamPlayer::stopOutput()
{
    if (m_output)
        gst_element_set_state(m_output, GST_STATE_NULL);
    ++m_outputGeneration;
    m_outputRunning = false;
    m_ending = false;
    m_privateCheck.stop();
}

// The private output can go while the output runs (its module unloaded):
// the sound server then moves the recorder's stream onto the speakers,
// where it doubles the sound at full level whatever the slider says. It is
// made again and the stream sent back to it, or, when that cannot be done,
// the stream is muted.
void StreamPlayer::checkPrivateOutput()
{
    if (!m_withPrivateOutput || !m_sink
        || SoundOutputExists(kPrivateOutputName, std::chrono::milliseconds(300)))
        return;
    GstElement* recorderSink = gst_bin_get_by_name(GST_BIN(m_sink), "sonalto-record-sink");
    if (!recorderSink)
        return;
    const bool back = EnsurePrivateOutput(std::chrono::milliseconds(500));
    qCDebug(lcPlayback) << "private output gone;" << (back ? "made again" : "recorder muted");
    if (back)
        g_object_set(recorderSink, "device", kPrivateOutputName, nullptr);
    g_object_set(recorderSink, "mute", !back, nullptr);
    gst_object_unref(recorderSink);
}

// Stops the connection; what it had handed to the output's queue stays
// there. No streaming thread of it runs once this returns.
void StreamPlayer::closeSource()
{
    {
        std::lock_guard<std::mutex> lock(m_tapMutex);
        m_tapOpen = false;
    }
    m_tapWake.notify_all();
    if (m_playbin)
        gst_element_set_state(m_playbin, GST_STATE_NULL);
    ++m_generation;
    m_audioThisAttempt = false;
}

std::uint64_t StreamPlayer::outputRunningTime() const
{
    GstClockTime running = GST_CLOCK_TIME_NONE;
    GST_OBJECT_LOCK(m_output);
    const bool playing = GST_STATE(m_output) == GST_STATE_PLAYING;
    GstClock* clock = playing && GST_ELEMENT_CLOCK(m_output)
        ? GST_CLOCK(gst_object_ref(GST_ELEMENT_CLOCK(m_output)))
        : nullptr;
    const GstClockTime base = GST_ELEMENT_CAST(m_output)->base_time;
    GST_OBJECT_UNLOCK(m_output);
    if (clock) {
        const GstClockTime now = gst_clock_get_time(clock);
        if (GST_CLOCK_TIME_IS_VALID(now) && now > base)
            running = now - base;
        gst_object_unref(clock);
    }
    return running;
}

void StreamPlayer::queueSample(GstSample* sample)
{
    GstAppSrc* queue = GST_APP_SRC(m_queueSource);
    {
        // Room for it: the connection waits while the queue is full, and
        // gives up waiting when it is stopped.
        std::unique_lock<std::mutex> lock(m_tapMutex);
        GstClockTime level = gst_app_src_get_current_level_time(queue);
        if (level > kQueueAhead) {
            const GstClockTime target = kQueueAhead - kQueueRefill;
            while (m_tapOpen.load() && level > target) {
                // The queue drains at the speakers' pace: sleep about as
                // long as it takes to reach the target, never past 1 s, so
                // that a paused output is looked at again.
                const auto wait = std::chrono::nanoseconds(std::min<GstClockTime>(
                    std::max<GstClockTime>(level - target, 20 * GST_MSECOND), GST_SECOND));
                m_tapWake.wait_for(lock, wait);
                level = gst_app_src_get_current_level_time(queue);
            }
        }
        if (!m_tapOpen.load())
            return;
    }
    GstBuffer* in = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    GstAudioInfo info;
    if (!in || !caps || !gst_audio_info_from_caps(&info, caps) || GST_AUDIO_INFO_BPF(&info) <= 0
        || GST_AUDIO_INFO_RATE(&info) <= 0)
        return;
    const guint64 frames = gst_buffer_get_size(in) / GST_AUDIO_INFO_BPF(&info);
    const GstClockTime duration
        = gst_util_uint64_scale(frames, GST_SECOND, GST_AUDIO_INFO_RATE(&info));
    // Each connection's audio follows the queued audio without a seam, on
    // one time line that only goes forward. When the queue ran dry (an
    // outage longer than it), the audio starts again a moment from now,
    // marked as a discontinuity so that the speakers take it at its time.
    GstClockTime pts = m_nextPts.load();
    bool discont = false;
    const GstClockTime running = outputRunningTime();
    if (GST_CLOCK_TIME_IS_VALID(running) && pts < running) {
        pts = running + kRejoinLead;
        discont = true;
    }
    m_nextPts = pts + duration;
    GstBuffer* out = gst_buffer_copy(in); // shares the audio, copies the stamps
    GST_BUFFER_PTS(out) = pts;
    GST_BUFFER_DTS(out) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(out) = duration;
    GST_BUFFER_OFFSET(out) = GST_BUFFER_OFFSET_NONE;
    GST_BUFFER_OFFSET_END(out) = GST_BUFFER_OFFSET_NONE;
    if (discont)
        GST_BUFFER_FLAG_SET(out, GST_BUFFER_FLAG_DISCONT);
    else
        GST_BUFFER_FLAG_UNSET(out, GST_BUFFER_FLAG_DISCONT);
    GstSample* stamped = gst_sample_new(out, caps, nullptr, nullptr);
    gst_buffer_unref(out);
    gst_app_src_push_sample(queue, stamped);
    gst_sample_unref(stamped);
}

void StreamPlayer::noteTitle(const QString& title)
{
    if (!m_tapOpen.load() || title.isEmpty())
        return;
    std::lock_guard<std::mutex> lock(m_titleMutex);
    // The same title comes two or three times: setTitle skips repeats.
    m_pendingTitles.push_back({ m_nextPts.load(), title });
}

void StreamPlayer::titlesDue(std::uint64_t pts)
{
    std::vector<QString> due;
    {
        std::lock_guard<std::mutex> lock(m_titleMutex);
        while (!m_pendingTitles.empty() && m_pendingTitles.front().pts <= pts) {
            due.push_back(m_pendingTitles.front().title);
            m_pendingTitles.pop_front();
        }
    }
    if (due.empty())
        return;
    // The sink plays this buffer when the output's clock reaches its time.
    const GstClockTime running = outputRunningTime();
    const int wait = GST_CLOCK_TIME_IS_VALID(running) && pts > running
        ? static_cast<int>((pts - running) / GST_MSECOND)
        : 0;
    const quint64 generation = m_outputGeneration.load();
    QMetaObject::invokeMethod(
        this,
        [this, due, generation, wait] {
            QTimer::singleShot(wait, this, [this, due, generation] {
                if (generation != m_outputGeneration.load())
                    return;
                for (const QString& title : due)
                    setTitle(title);
            });
        },
        Qt::QueuedConnection);
}

std::chrono::milliseconds StreamPlayer::queuedAudio() const
{
    if (!m_queueSource || !m_outputRunning)
        return std::chrono::milliseconds(0);
    // Before the clock runs, all of it is in the appsrc.
    const GstClockTime running = outputRunningTime();
    const GstClockTime queued = GST_CLOCK_TIME_IS_VALID(running)
        ? (m_nextPts.load() > running ? m_nextPts.load() - running : 0)
        : gst_app_src_get_current_level_time(GST_APP_SRC(m_queueSource));
    return std::chrono::milliseconds(queued / GST_MSECOND);
}

void StreamPlayer::setRetryPolicy(const RetryPolicy& policy)
{
    m_policy = policy;
    m_resolver.setTimeout(policy.playlistTimeout);
}

void StreamPlayer::play(
    const QString& streamLink, const QString& htmlDir, const QString& stationName)
{
    teardown();
    m_link = QString::fromStdString(
        NormalizeStreamLink(streamLink.toStdString(), htmlDir.toStdString()));
    m_stationName = stationName;
    replay();
}

void StreamPlayer::replay()
{
    if (m_link.isEmpty())
        return;
    teardown();
    m_sincePlay.start();
    m_firstAudioNs = -1;
    m_failedRounds = 0;
    m_failingSince.invalidate();
    setTitle({});
    m_queue = { Candidate { m_link } };
    setState(State::Connecting);
    next();
}

void StreamPlayer::stop()
{
    teardown();
    setTitle({});
    setState(State::Stopped);
}

void StreamPlayer::setVolume(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_volume)
        return;
    m_volume = percent;
    applyVolume();
    emit volumeChanged(percent);
}

void StreamPlayer::applyVolume()
{
    // The slider's scale is perceptual: its cube is the linear gain.
    const double linear = gst_stream_volume_convert_volume(
        GST_STREAM_VOLUME_FORMAT_CUBIC, GST_STREAM_VOLUME_FORMAT_LINEAR, m_volume / 100.0);
    if (m_volumeElement)
        g_object_set(m_volumeElement, "volume", linear, nullptr);
    else if (m_playbin)
        gst_stream_volume_set_volume(
            GST_STREAM_VOLUME(m_playbin), GST_STREAM_VOLUME_FORMAT_LINEAR, linear);
}

// Stops whatever is in flight: the connection, the queued audio, a playlist
// read, a pending retry. Messages and buffers of the stopped attempt are
// ignored from here on.
void StreamPlayer::teardown()
{
    m_retryTimer.stop();
    m_steadyTimer.stop();
    m_resolver.cancel();
    m_queue.clear();
    closeSource();
    stopOutput();
    m_currentUri.clear();
}

void StreamPlayer::next()
{
    if (m_queue.empty()) {
        roundFailed();
        return;
    }
    Candidate candidate = m_queue.front();
    m_queue.pop_front();
    // Playlist entries may be mms:// addresses too.
    candidate.address
        = QString::fromStdString(NormalizeStreamLink(candidate.address.toStdString(), {}));
    if (!candidate.fetched && candidate.depth < kMaxPlaylistDepth
        && PlaylistFormatFromAddress(candidate.address.toStdString()) != PlaylistFormat::None) {
        candidate.fetched = true;
        m_current = candidate;
        m_fetchReason = FetchReason::ByAddress;
        m_resolver.fetch(candidate.address);
        return;
    }
    startAttempt(candidate);
}

void StreamPlayer::startAttempt(const Candidate& candidate)
{
    m_current = candidate;
    if (!m_playbin) {
        attemptFailed();
        return;
    }
    closeSource();
    // The private output goes with the sound server when it restarts, or
    // when its module is unloaded: made again here when it can be, and
    // otherwise the speakers play alone, since a sink on a missing output
    // would fail every attempt.
    const bool privateOutput = EnsurePrivateOutput(std::chrono::milliseconds(500));
    if (privateOutput != m_withPrivateOutput) {
        stopOutput();
        installOutput(privateOutput);
    }
    // A running output keeps its queue: the new connection's audio goes
    // after it.
    if (!startOutput()) {
        attemptFailed();
        return;
    }
    m_currentUri = toUri(candidate.address);
    qCDebug(lcPlayback) << "trying" << m_currentUri;
    g_object_set(m_playbin, "uri", m_currentUri.toUtf8().constData(), nullptr);
    m_tapOpen = true;
    // Straight to PLAYING, and BUFFERING never pauses a live stream: sound
    // starts as soon as the first data is decoded.
    if (gst_element_set_state(m_playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        closeSource();
        attemptFailed();
    }
}

void StreamPlayer::onFetched(const PlaylistFetch& result)
{
    switch (result.outcome) {
    case PlaylistFetch::Outcome::Entries:
        for (auto entry = result.entries.crbegin(); entry != result.entries.crend(); ++entry)
            m_queue.push_front(Candidate { *entry, m_current.depth + 1 });
        next();
        break;
    case PlaylistFetch::Outcome::Stream:
        if (m_fetchReason == FetchReason::ByAddress)
            startAttempt(m_current);
        else
            attemptFailed(); // neither playable nor a playlist
        break;
    case PlaylistFetch::Outcome::Failed:
        attemptFailed();
        break;
    }
}

void StreamPlayer::onMessage(GstMessage* message, quint64 generation)
{
    if (generation != m_generation.load())
        return;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        attemptEnded(takeBusError(message, "error on " + m_currentUri + " :"), false);
        break;
    case GST_MESSAGE_EOS:
        qCDebug(lcPlayback) << "end of stream on" << m_currentUri;
        attemptEnded(false, true);
        break;
    default:
        break;
    }
}

void StreamPlayer::onOutputMessage(GstMessage* message, quint64 generation)
{
    if (generation != m_outputGeneration.load())
        return;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        takeBusError(message, QStringLiteral("output error:"));
        // The sound server went away, or the output failed: its queue is
        // lost. A running connection ends as a drop does, and the next
        // attempt builds the output again.
        const bool connected = m_tapOpen.load();
        const bool hadAudio = m_audioThisAttempt.load();
        closeSource();
        m_audioThisAttempt = hadAudio;
        stopOutput();
        if (connected)
            attemptEnded(false, false);
        break;
    }
    case GST_MESSAGE_EOS:
        // The last file has been heard to its end.
        if (m_ending)
            stop();
        break;
    case GST_MESSAGE_CLOCK_LOST:
        gst_element_set_state(m_output, GST_STATE_PAUSED);
        gst_element_set_state(m_output, GST_STATE_PLAYING);
        break;
    default:
        break;
    }
}

void StreamPlayer::onFirstBuffer(quint64 generation)
{
    if (generation != m_generation.load())
        return;
    m_steadyTimer.start(m_policy.steadyAudio);
    setState(State::Playing);
    m_trimTimer.start();
}

void StreamPlayer::onOutputAudio(quint64 generation)
{
    if (generation != m_outputGeneration.load() || m_firstAudioNs >= 0)
        return;
    m_firstAudioNs = m_sincePlay.nsecsElapsed();
    emit firstAudio();
}

// A local file, or an HTTP file whose length the server gave: it has an
// end, and playing it through is not a drop. Live streams come without a
// length.
bool StreamPlayer::currentHasEnd() const
{
    if (isLocal(m_current.address))
        return true;
    GstElement* source = nullptr;
    g_object_get(m_playbin, "source", &source, nullptr);
    if (!source)
        return false;
    gint64 bytes = -1;
    const bool known = gst_element_query_duration(source, GST_FORMAT_BYTES, &bytes);
    gst_object_unref(source);
    return known && bytes > 0;
}

void StreamPlayer::attemptEnded(bool typeError, bool endOfStream)
{
    const bool hadAudio = m_audioThisAttempt.load();
    // The connection's end reaches the bus as soon as its audio is in the
    // queue, which plays on while the player reconnects.
    const bool hasEnd = hadAudio && endOfStream && currentHasEnd();
    const bool steady = hadAudio && !m_steadyTimer.isActive();
    m_steadyTimer.stop();
    closeSource();

    if (hasEnd) {
        // A file has an end: go on with the list, or stop once it is heard.
        if (!m_queue.empty()) {
            next();
        } else if (m_outputRunning) {
            m_ending = true;
            gst_app_src_end_of_stream(GST_APP_SRC(m_queueSource));
        } else {
            stop();
        }
        return;
    }
    if (steady) {
        // A drop after a while of audio: the same address again, at once.
        setState(State::Reconnecting);
        m_queue.push_front(m_current);
        next();
        return;
    }
    if (hadAudio) {
        // Audio for a moment only: paced as a failed round.
        m_queue.clear();
        roundFailed();
        return;
    }
    if (typeError && !m_current.fetched && m_current.depth < kMaxPlaylistDepth) {
        // Maybe a playlist under a name and a type that did not say so.
        m_current.fetched = true;
        m_fetchReason = FetchReason::AfterTypeError;
        m_resolver.fetch(m_current.address);
        return;
    }
    attemptFailed();
}

void StreamPlayer::attemptFailed()
{
    m_currentUri.clear();
    if (!m_failingSince.isValid())
        m_failingSince.start();
    if (std::chrono::milliseconds(m_failingSince.elapsed()) >= m_policy.budget) {
        giveUp();
        return;
    }
    next();
}

// Every address of the station failed: pause, then start again from the
// station's link (its playlist may have changed).
void StreamPlayer::roundFailed()
{
    if (!m_failingSince.isValid())
        m_failingSince.start();
    const int doublings = std::min(m_failedRounds, 16);
    const std::chrono::milliseconds delay = std::min<std::chrono::milliseconds>(
        m_policy.firstDelay * (1 << doublings), m_policy.maxDelay);
    ++m_failedRounds;
    if (std::chrono::milliseconds(m_failingSince.elapsed()) + delay > m_policy.budget) {
        giveUp();
        return;
    }
    setState(State::Reconnecting);
    m_retryTimer.start(delay);
}

void StreamPlayer::retryRound()
{
    m_queue = { Candidate { m_link } };
    next();
}

void StreamPlayer::giveUp()
{
    qCDebug(lcPlayback) << "giving up on" << m_link;
    teardown();
    setTitle({});
    setState(State::Failed);
}

void StreamPlayer::setState(State state)
{
    if (state != m_state) {
        m_state = state;
        emit stateChanged(state);
    }
    updateStatusText();
}

void StreamPlayer::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
    updateStatusText();
}

void StreamPlayer::updateStatusText()
{
    QString text;
    switch (m_state) {
    case State::Stopped:
        text = playbacktexts::kStopped;
        break;
    case State::Connecting:
        text = playbacktexts::kConnecting;
        break;
    case State::Playing:
        text = playbacktexts::kPlaying;
        if (!m_title.isEmpty())
            text += playbacktexts::kPlayingTitleSeparator + m_title;
        break;
    case State::Reconnecting:
        text = playbacktexts::kReconnecting;
        break;
    case State::Failed:
        text = playbacktexts::kNotFound;
        break;
    }
    if (text != m_statusText) {
        m_statusText = text;
        emit statusTextChanged(text);
    }
}
