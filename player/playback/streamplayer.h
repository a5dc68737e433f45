#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include "playback/audioengine.h"
#include "playback/playlistresolver.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstPad GstPad;
typedef struct _GstSample GstSample;

// Plays the current station's stream with GStreamer. The rest of the player
// sees only the AudioEngine; how the stream is fetched, decoded and sent to
// the speakers stays in here.
//
// One play() walks through the station's addresses: a playlist (.pls, .m3u,
// .asx, .xspf, also by Content-Type or content) is expanded and its entries
// are tried in order; HLS, HTTP(S) and local files are played as they are.
// Two pipelines: the connection (playbin, up to the decoded audio) and the
// output (a queue of that audio, the volume, the speakers and the private
// output). The connection runs ahead of the speakers by what the server
// sent ahead, and that audio waits in the output's queue. A drop (error, or
// end of a live stream) is seen at once, and the player reconnects while
// the queue plays on; the new connection's audio joins the queue after it.
// A drop shorter than the queue is not heard, and after a longer one the
// sound is back as soon as the new connection brings audio. Consecutive
// attempts that bring no lasting audio are retried with a growing, capped
// pause between rounds, until the retry budget has passed since the first
// of them, and then the player gives up (Failed). Audio that flows for a
// while clears the count. A file (local, or over HTTP with a length) plays
// once. Titles are shown when the audio they came with is heard.
//
// All signals are emitted on the thread that owns the object (the GUI
// thread), from its event loop.
class StreamPlayer : public AudioEngine {
    Q_OBJECT

public:
    struct RetryPolicy {
        std::chrono::milliseconds firstDelay { 250 }; // pause after the first failed round
        // The pause doubles up to this: small, so that a server coming back
        // is heard again within a second or so however long it was away.
        std::chrono::milliseconds maxDelay { 1000 };
        std::chrono::milliseconds budget { 180000 }; // then give up
        std::chrono::milliseconds playlistTimeout { 10000 };
        // Audio for this long renews the count and the budget; a drop
        // sooner is paced like a failed round.
        std::chrono::milliseconds steadyAudio { 10000 };
    };

    explicit StreamPlayer(QObject* parent = nullptr);
    ~StreamPlayer() override;

    void play(const QString& streamLink, const QString& htmlDir = {},
        const QString& stationName = {}) override;
    void replay() override;
    void stop() override;

    void setVolume(int percent) override;
    int volume() const override { return m_volume; }

    State state() const override { return m_state; }
    bool hasStation() const override { return !m_link.isEmpty(); }
    QString stationName() const override { return m_stationName; }
    QString title() const override { return m_title; }
    QString statusText() const override { return m_statusText; }
    QString currentUri() const { return m_currentUri; } // what is being played

    // From play() to the first audio buffer at the output, for the current
    // play(); negative until audio came.
    std::chrono::nanoseconds firstAudioLatency() const
    {
        return std::chrono::nanoseconds(m_firstAudioNs);
    }

    // The decoded audio handed to the output and not yet played: what a
    // drop can last without being heard.
    std::chrono::milliseconds queuedAudio() const;

    void setRetryPolicy(const RetryPolicy& policy);
    RetryPolicy retryPolicy() const { return m_policy; }

private:
    struct Candidate {
        QString address; // absolute address or path
        int depth = 0; // playlists followed to reach it
        bool fetched = false; // already read as a playlist
    };
    enum class FetchReason { ByAddress, AfterTypeError };

    bool buildPipeline();
    bool buildOutput();
    void installOutput(bool withPrivateOutput);
    bool startOutput();
    void stopOutput();
    void checkPrivateOutput();
    void closeSource();
    void next();
    void startAttempt(const Candidate& candidate);
    void attemptEnded(bool typeError, bool endOfStream);
    void attemptFailed();
    void roundFailed();
    void retryRound();
    void giveUp();
    void teardown();
    void onFetched(const PlaylistFetch& result);
    void onMessage(GstMessage* message, quint64 generation);
    void onOutputMessage(GstMessage* message, quint64 generation);
    void onFirstBuffer(quint64 generation);
    void onOutputAudio(quint64 generation);
    bool currentHasEnd() const;
    void setState(State state);
    void setTitle(const QString& title);
    void updateStatusText();
    void applyVolume();

    // On the connection's streaming thread: a decoded buffer, stamped to
    // follow what is queued, into the output's queue; a title, kept until
    // the audio after it reaches the speakers.
    void queueSample(GstSample* sample);
    void noteTitle(const QString& title);
    // On the output's streaming thread: the titles due at this buffer.
    void titlesDue(std::uint64_t pts);
    std::uint64_t outputRunningTime() const;

    // The GStreamer callbacks, run on streaming threads.
    friend class StreamPlayerCallbacks;

    GstElement* m_playbin = nullptr; // the connection
    GstElement* m_tap = nullptr; // its audio sink, owned by m_playbin
    GstElement* m_output = nullptr; // the output pipeline
    GstElement* m_queueSource = nullptr; // its source, owned by m_output
    GstElement* m_resample = nullptr; // in front of m_sink, owned by m_output
    GstElement* m_sink = nullptr;
    GstElement* m_volumeElement = nullptr; // in front of the speakers, owned by m_sink
    bool m_withPrivateOutput = false; // m_sink also feeds the private output
    bool m_outputRunning = false;
    bool m_ending = false; // the last file ended: the queue plays out, then stop
    GstPad* m_sinkPad = nullptr;
    unsigned long m_probeId = 0;

    // Written on the GUI thread between attempts, read by the streaming
    // threads: the attempt a message or a buffer belongs to, and the run of
    // the output.
    std::atomic<quint64> m_generation { 0 };
    std::atomic<bool> m_audioThisAttempt { false };
    std::atomic<quint64> m_outputGeneration { 0 };
    std::atomic<bool> m_outputAudio { false };

    // The connection may hand audio to the queue while this is set; a
    // streaming thread waiting for room in the queue is woken when it is
    // cleared.
    std::atomic<bool> m_tapOpen { false };
    std::mutex m_tapMutex;
    std::condition_variable m_tapWake;
    // The time stamp of the next buffer queued; only the connection's
    // streaming thread writes it while the connection runs.
    std::atomic<std::uint64_t> m_nextPts { 0 };
    struct PendingTitle {
        std::uint64_t pts;
        QString title;
    };
    std::mutex m_titleMutex;
    std::deque<PendingTitle> m_pendingTitles;

    PlaylistResolver m_resolver;
    FetchReason m_fetchReason = FetchReason::ByAddress;
    std::deque<Candidate> m_queue;
    Candidate m_current;
    QString m_currentUri;

    QString m_link; // normalized
    QString m_stationName;
    QString m_title;
    QString m_statusText;
    State m_state = State::Stopped;
    int m_volume = 100;

    RetryPolicy m_policy;
    QTimer m_retryTimer;
    QTimer m_trimTimer;
    QTimer m_steadyTimer; // runs from the first audio until it is steady
    QTimer m_privateCheck; // while the output also feeds the private output
    QElapsedTimer m_failingSince; // invalid while audio flows
    int m_failedRounds = 0;

    std::thread m_preload; // loads the usual plugins ahead of the first play

    QElapsedTimer m_sincePlay;
    qint64 m_firstAudioNs = -1;
};
