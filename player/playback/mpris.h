#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

class AudioEngine;

// The desktop's media controls (media keys, the panel's player widget):
// the player published on the session bus as
// org.mpris.MediaPlayer2.sonalto, with Play, Pause, Stop, PlayPause, the
// playback status and the metadata (the stream's title or the station's
// name, and the station's logo). Without a session bus nothing is
// published and nothing fails.
class Mpris : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.sonalto";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    explicit Mpris(AudioEngine* player, QObject* parent = nullptr);
    Mpris(AudioEngine* player, const QDBusConnection& connection, QObject* parent = nullptr);
    ~Mpris() override;

    bool isPublished() const { return m_published; }
    QString serviceName() const { return m_serviceName; }

    // The current station's logo: a local file path, or empty.
    void setLogo(const QString& logoPath);

    AudioEngine* player() const { return m_player; }
    QString playbackStatus() const;
    QVariantMap metadata() const;

signals:
    // The desktop asked to show the player's window.
    void raiseRequested();

private:
    void publish();
    void notifyPlayerProperties(const QStringList& names);

    AudioEngine* m_player;
    QDBusConnection m_connection;
    QString m_logoPath;
    QString m_serviceName;
    bool m_published = false;
};
