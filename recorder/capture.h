#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <utility>

#include <QObject>
#include <QString>
#include <QTimer>

#include "common/recorderpreset.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

// One recording: sound-server source -> convert -> resample -> the preset's
// rate and channels -> encoder -> file. It writes to a hidden file beside
// the output while it runs. However it ends (asked to stop, an error in the
// middle, an end that does not come in time), what was recorded is kept
// under the output's name; only a recording with no audio at all is removed.
//
// A split recording is cut, without losing a sample, into pieces: each one
// is written to its own hidden file and closed by its encoder, then named.
class Capture : public QObject {
    Q_OBJECT

public:
    explicit Capture(QObject* parent = nullptr);
    ~Capture() override;

    // The GStreamer element the preset's format needs.
    static const char* encoderElement(EncoderPreset::Format format);

    // The hidden file beside outputPath that holds the recording until it ends.
    static QString temporaryPath(const QString& outputPath);

    // Starts recording device (a sound-server source name) into outputPath.
    // False with errorText set when the pipeline cannot be made or started.
    // split: the recording may be cut into pieces, see split().
    bool start(const QString& device, const EncoderPreset& preset, const QString& outputPath,
        QString& errorText, bool split = false);
    // Ends the stream: the encoder writes its last pages, the file is
    // closed and renamed, then finished(). When the end does not come within
    // the grace period the file is kept as it stands.
    void stop();

    // Split recordings. Piece names are file names without folder or
    // extension: a piece goes into the output's folder with the output's
    // extension, and a number is added when its name is taken. The first
    // piece is named after the output until told otherwise.
    // The name the piece being recorded gets when it closes.
    void setPieceName(const QString& name);
    // Closes the piece being recorded under endedName, and the recording
    // goes on into a new piece named nextName.
    void split(const QString& endedName, const QString& nextName);

    // The hidden file being written (split: the current piece's).
    QString temporaryFile() const;
    // The file kept (split: the last piece kept).
    QString outputFile() const { return m_output; }
    bool isDone() const { return m_done; }

    enum class Outcome {
        Complete, // ended as asked, the file closed by the encoder
        KeptAfterError, // an error stopped it; what came before is in the file
        KeptUnfinished, // the end did not come in time; the file as it stands
        NothingRecorded, // no audio reached the file, which is removed
    };
    // error: the error's text for KeptAfterError and an error with nothing
    // recorded, else empty.
    Outcome outcome() const { return m_outcome; }
    QString errorText() const { return m_error; }

signals:
    void finished();
    // Split recordings: a new piece is being written into temporaryFile.
    void pieceStarted(const QString& temporaryFile, const QString& name);
    // A piece was closed and kept under path.
    void pieceSaved(const QString& path);

private:
    // Encoder, muxer or caps, and file: where one piece is written.
    struct Piece {
        ~Piece();
        Capture* owner = nullptr;
        GstElement* encoder = nullptr;
        GstElement* after = nullptr; // the Ogg muxer or the MP3 rate; may be null
        GstElement* sink = nullptr;
        bool added = false; // in the pipeline, which then owns the elements
        QString temporary;
        QString name;
        std::atomic<quint64> buffers { 0 }; // raw audio handed to this encoder
    };

    std::unique_ptr<Piece> makePiece(const QString& temporary, QString& errorText);
    bool addPiece(Piece& piece);
    void savePiece(Piece& piece, bool ended);
    void beginSplit();
    void pieceEnded(Piece* piece);
    friend struct CaptureProbes; // the streaming threads' side of the cut
    void onMessage(GstMessage* message);
    void finish(bool ended);
    void endBehindSource();

    GstElement* m_pipeline = nullptr;
    GstElement* m_afterSource = nullptr; // where the end goes in when the source failed
    GstElement* m_queue = nullptr; // split: the pieces are swapped behind it
    EncoderPreset m_preset;
    bool m_split = false;
    int m_pieces = 0;
    std::unique_ptr<Piece> m_current;
    // The next piece, made ready while the audio is held back for the cut.
    std::unique_ptr<Piece> m_incoming;
    std::atomic<bool> m_swapped { false }; // the audio flows into m_incoming
    std::deque<std::pair<QString, QString>> m_splits; // asked for: ended and next names
    bool m_stopAfterSplits = false;
    QString m_output;
    QTimer m_grace;
    bool m_done = false;
    Outcome m_outcome = Outcome::Complete;
    QString m_error;
    std::atomic<quint64> m_audioBuffers { 0 }; // raw audio handed to the encoders
};
