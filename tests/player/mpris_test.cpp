#include "playback/mpris.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

#include "fakeengine.h"

namespace {

using State = AudioEngine::State;

// Collects the PlaybackStatus values announced by PropertiesChanged.
class PropertiesWatcher : public QObject {
    Q_OBJECT

public:
    QStringList statuses;

public slots:
    void onChanged(const QString&, const QVariantMap& changed, const QStringList&)
    {
        if (changed.contains("PlaybackStatus"))
            statuses << changed.value("PlaybackStatus").toString();
    }
};

// A private message bus for the media-controls test.
class PrivateBus {
public:
    PrivateBus()
    {
        m_daemon.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
        if (m_daemon.waitForReadyRead(5000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus("mpris-service");
        QDBusConnection::disconnectFromBus("mpris-client");
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    const QString& address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

TEST(Mpris, publishesStatusMetadataAndControlsOnTheBus)
{
    FakeEngine player;
    {
        Mpris absent(&player, QDBusConnection::connectToBus("unix:path=/nonexistent", "none"));
        EXPECT_FALSE(absent.isPublished());
        QDBusConnection::disconnectFromBus("none");
    }

    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon could not start";
    QDBusConnection service = QDBusConnection::connectToBus(bus.address(), "mpris-service");
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "mpris-client");
    ASSERT_TRUE(service.isConnected() && client.isConnected());
    Mpris mpris(&player, service);
    ASSERT_TRUE(mpris.isPublished());
    EXPECT_EQ(mpris.serviceName(), QString("org.mpris.MediaPlayer2.sonalto"));

    // Calls go out asynchronously: the answering side runs in this thread.
    auto call = [&](const QString& interface, const QString& method, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            Mpris::kServiceName, Mpris::kObjectPath, interface, method);
        message.setArguments(args);
        QDBusPendingCall pending = client.asyncCall(message);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 5000));
        EXPECT_FALSE(pending.isError()) << pending.error().message().toStdString();
        return pending.reply().arguments().value(0).value<QDBusVariant>().variant();
    };
    auto property = [&](const char* name) {
        return call("org.freedesktop.DBus.Properties", "Get",
            { "org.mpris.MediaPlayer2.Player", QString(name) });
    };
    PropertiesWatcher watcher;
    ASSERT_TRUE(
        client.connect(Mpris::kServiceName, Mpris::kObjectPath, "org.freedesktop.DBus.Properties",
            "PropertiesChanged", &watcher, SLOT(onChanged(QString, QVariantMap, QStringList))));

    EXPECT_EQ(call("org.freedesktop.DBus.Properties", "Get",
                  { "org.mpris.MediaPlayer2", QString("Identity") })
                  .toString(),
        QString("Sonalto"));
    EXPECT_EQ(property("PlaybackStatus").toString(), QString("Stopped"));

    player.play("http://radio.example/bus", {}, "Radio Bus");
    mpris.setLogo("/opt/logos/bus.png");
    const auto metadata
        = [&] { return qdbus_cast<QVariantMap>(property("Metadata").value<QDBusArgument>()); };
    EXPECT_EQ(metadata().value("xesam:title").toString(), QString("Radio Bus"));
    player.announceTitle("Sur le bus");
    EXPECT_EQ(metadata().value("xesam:title").toString(), QString("Sur le bus"));
    EXPECT_EQ(metadata().value("mpris:artUrl").toString(), QString("file:///opt/logos/bus.png"));
    EXPECT_EQ(property("PlaybackStatus").toString(), QString("Playing"));

    call("org.mpris.MediaPlayer2.Player", "Pause", {});
    EXPECT_EQ(player.state(), State::Stopped);
    call("org.mpris.MediaPlayer2.Player", "PlayPause", {});
    EXPECT_TRUE(player.isActive());
    call("org.mpris.MediaPlayer2.Player", "Stop", {});
    EXPECT_EQ(player.state(), State::Stopped);
    // Widgets learn of changes from the bus, without asking.
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.statuses.endsWith("Stopped"); }, 5000));
    EXPECT_TRUE(watcher.statuses.contains("Playing")) << watcher.statuses.join(',').toStdString();
    call("org.freedesktop.DBus.Properties", "Set",
        { "org.mpris.MediaPlayer2.Player", QString("Volume"),
            QVariant::fromValue(QDBusVariant(0.25)) });
    EXPECT_EQ(player.volume(), 25);
}

} // namespace

#include "mpris_test.moc"
