#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "common/recorderpreset.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

// One recording: sound-server source -> convert -> resample -> the preset's
// rate and channels -> encoder -> file. It writes to a temporary file beside
// the output and gives it the output's name only once the encoder has
// closed the stream cleanly, so that an interrupted recording never passes
// for a good one.
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
    // Ends the stream: the encoder writes its last pages and the file is
    // closed and renamed; then finished(true). finished(false) when the end
    // does not come within the grace period.
    void stop();

    QString temporaryFile() const { return m_temporary; }

signals:
    void finished(bool clean);
    void failed(const QString& message);

private:
    void onMessage(GstMessage* message);
    void finish(bool clean);

    GstElement* m_pipeline = nullptr;
    QString m_temporary;
    QString m_output;
    QTimer m_grace;
    bool m_done = false;
};
