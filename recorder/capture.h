#pragma once

#include <atomic>

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
    bool start(const QString& device, const EncoderPreset& preset, const QString& outputPath,
        QString& errorText);
    // Ends the stream: the encoder writes its last pages, the file is
    // closed and renamed, then finished(). When the end does not come within
    // the grace period the file is kept as it stands.
    void stop();

    QString temporaryFile() const { return m_temporary; }
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

private:
    void onMessage(GstMessage* message);
    void finish(bool ended);

    GstElement* m_pipeline = nullptr;
    GstElement* m_afterSource = nullptr; // where the end goes in when the source failed
    bool m_wav = false;
    QString m_temporary;
    QString m_output;
    QTimer m_grace;
    bool m_done = false;
    Outcome m_outcome = Outcome::Complete;
    QString m_error;
    std::atomic<quint64> m_audioBuffers { 0 }; // raw audio handed to the encoder
};
