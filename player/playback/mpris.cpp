#include "playback/mpris.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QUrl>

#include "playback/audioengine.h"

namespace {

constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

// org.mpris.MediaPlayer2: who we are.
class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    explicit RootAdaptor(Mpris* mpris)
        : QDBusAbstractAdaptor(mpris)
        , m_mpris(mpris)
    {
    }

    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Sonalto"); }
    QStringList supportedUriSchemes() const { return { "http", "https", "mms", "file" }; }
    QStringList supportedMimeTypes() const
    {
        return { "audio/mpeg", "audio/aac", "audio/ogg", "audio/x-scpls", "audio/x-mpegurl",
            "application/vnd.apple.mpegurl", "video/x-ms-asx", "application/xspf+xml" };
    }

public slots:
    void Raise() { emit m_mpris->raiseRequested(); }
    void Quit() { }

private:
    Mpris* m_mpris;
};

// org.mpris.MediaPlayer2.Player: a live stream, so "pause" stops it and
// Play starts the station again.
class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ no)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPlay)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)

public:
    explicit PlayerAdaptor(Mpris* mpris)
        : QDBusAbstractAdaptor(mpris)
        , m_mpris(mpris)
        , m_player(mpris->player())
    {
    }

    QString playbackStatus() const { return m_mpris->playbackStatus(); }
    QVariantMap metadata() const { return m_mpris->metadata(); }
    double volume() const { return m_player->volume() / 100.0; }
    void setVolume(double volume)
    {
        m_player->setVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
    }
    qlonglong position() const { return 0; }
    double rate() const { return 1.0; }
    bool no() const { return false; }
    bool yes() const { return true; }
    bool canPlay() const { return m_player->hasStation(); }

public slots:
    void Play()
    {
        if (!m_player->isActive())
            m_player->replay();
    }
    void Pause() { m_player->stop(); }
    void Stop() { m_player->stop(); }
    void PlayPause()
    {
        if (m_player->isActive())
            m_player->stop();
        else
            m_player->replay();
    }
    void Next() { }
    void Previous() { }
    void Seek(qlonglong) { }
    void SetPosition(const QDBusObjectPath&, qlonglong) { }
    void OpenUri(const QString& uri) { m_player->play(uri); }

private:
    Mpris* m_mpris;
    AudioEngine* m_player;
};

} // namespace

Mpris::Mpris(AudioEngine* player, QObject* parent)
    : Mpris(player, QDBusConnection::sessionBus(), parent)
{
}

Mpris::Mpris(AudioEngine* player, const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
    , m_player(player)
    , m_connection(connection)
{
    new RootAdaptor(this);
    new PlayerAdaptor(this);
    connect(player, &AudioEngine::stateChanged, this, [this] {
        notifyPlayerProperties({ "PlaybackStatus", "CanPlay", "CanPause", "Metadata" });
    });
    connect(player, &AudioEngine::titleChanged, this,
        [this] { notifyPlayerProperties({ "Metadata" }); });
    connect(player, &AudioEngine::volumeChanged, this,
        [this] { notifyPlayerProperties({ "Volume" }); });
    publish();
}

Mpris::~Mpris()
{
    if (m_published) {
        m_connection.unregisterObject(kObjectPath);
        m_connection.unregisterService(m_serviceName);
    }
}

void Mpris::publish()
{
    if (!m_connection.isConnected())
        return;
    if (!m_connection.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
        return;
    // A second copy of the player (another user session on the same bus is
    // not possible, but a test run may be) takes the instance form of the name.
    m_serviceName = kServiceName;
    if (!m_connection.registerService(m_serviceName)) {
        m_serviceName = QString("%1.instance%2").arg(kServiceName).arg(::getpid());
        if (!m_connection.registerService(m_serviceName)) {
            m_connection.unregisterObject(kObjectPath);
            m_serviceName.clear();
            return;
        }
    }
    m_published = true;
}

void Mpris::setLogo(const QString& logoPath)
{
    if (logoPath == m_logoPath)
        return;
    m_logoPath = logoPath;
    notifyPlayerProperties({ "Metadata" });
}

QString Mpris::playbackStatus() const
{
    return m_player->isActive() ? QStringLiteral("Playing") : QStringLiteral("Stopped");
}

QVariantMap Mpris::metadata() const
{
    QVariantMap map;
    if (!m_player->hasStation())
        return map;
    map.insert("mpris:trackid", QVariant::fromValue(QDBusObjectPath("/fr/sonalto/station")));
    const QString title = m_player->title().isEmpty() ? m_player->stationName() : m_player->title();
    if (!title.isEmpty())
        map.insert("xesam:title", title);
    if (!m_logoPath.isEmpty())
        map.insert("mpris:artUrl",
            m_logoPath.contains("://") ? m_logoPath : QUrl::fromLocalFile(m_logoPath).toString());
    return map;
}

void Mpris::notifyPlayerProperties(const QStringList& names)
{
    if (!m_published)
        return;
    QVariantMap changed;
    for (const QString& name : names) {
        if (name == "PlaybackStatus")
            changed.insert(name, playbackStatus());
        else if (name == "Metadata")
            changed.insert(name, metadata());
        else if (name == "Volume")
            changed.insert(name, m_player->volume() / 100.0);
        else if (name == "CanPlay" || name == "CanPause")
            changed.insert(name, m_player->hasStation());
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        kObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
    signal << QString(kPlayerInterface) << changed << QStringList();
    m_connection.send(signal);
}

#include "mpris.moc"
