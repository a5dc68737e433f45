#include "support/snidesktop.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QThread>

#include "common/textfile.h"

namespace testsupport {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
constexpr int kCallTimeoutMs = 5000;

void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "sni-desktop";
    static char* argv[] = { name, nullptr };
    // Kept for the rest of the run: the bus connections outlive the tests.
    new QCoreApplication(argc, argv);
}

// "service/path" into its two parts; a bare service gets the usual path.
std::pair<QString, QString> SplitItem(const QString& item)
{
    const qsizetype slash = item.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return { item, kItemPath };
    return { item.left(slash), item.mid(slash) };
}

std::vector<SniPixmap> ReadPixmaps(const QDBusArgument& argument)
{
    std::vector<SniPixmap> pixmaps;
    argument.beginArray();
    while (!argument.atEnd()) {
        SniPixmap pixmap;
        argument.beginStructure();
        argument >> pixmap.width >> pixmap.height >> pixmap.argb;
        argument.endStructure();
        pixmaps.push_back(pixmap);
    }
    argument.endArray();
    return pixmaps;
}

SniMenuEntry ReadMenuEntry(const QDBusArgument& argument)
{
    SniMenuEntry entry;
    QVariantMap properties;
    argument.beginStructure();
    argument >> entry.id >> properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        entry.children.push_back(ReadMenuEntry(qvariant_cast<QDBusArgument>(child.variant())));
    }
    argument.endArray();
    argument.endStructure();
    entry.label = properties.value(QStringLiteral("label")).toString();
    entry.type = properties.value(QStringLiteral("type")).toString();
    entry.enabled = properties.value(QStringLiteral("enabled"), true).toBool();
    entry.visible = properties.value(QStringLiteral("visible"), true).toBool();
    entry.hasIcon = !properties.value(QStringLiteral("icon-data")).toByteArray().isEmpty()
        || !properties.value(QStringLiteral("icon-name")).toString().isEmpty();
    return entry;
}

// The watcher the desktop runs: items register with it, and it forgets an
// item whose owner leaves the bus.
class Watcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit Watcher(const QDBusConnection& connection)
        : m_owners(new QDBusServiceWatcher(this))
    {
        m_owners->setConnection(connection);
        m_owners->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
        connect(m_owners, &QDBusServiceWatcher::serviceUnregistered, this, &Watcher::ownerLeft);
    }

    QStringList registeredItems() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_items;
    }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& serviceOrPath)
    {
        // Items give their bus name, or only their object path (then the
        // caller's name is the service).
        const QString service
            = serviceOrPath.startsWith(QLatin1Char('/')) ? message().service() : serviceOrPath;
        const QString path = serviceOrPath.startsWith(QLatin1Char('/')) ? serviceOrPath : kItemPath;
        const QString item = service + path;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_items.contains(item))
                return;
            m_items.append(item);
        }
        m_owners->addWatchedService(service);
        emit StatusNotifierItemRegistered(item);
    }

    void RegisterStatusNotifierHost(const QString& /*service*/)
    {
        emit StatusNotifierHostRegistered();
    }

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    void ownerLeft(const QString& service)
    {
        QStringList gone;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const QString& item : m_items) {
                if (SplitItem(item).first == service)
                    gone.append(item);
            }
            for (const QString& item : gone)
                m_items.removeAll(item);
        }
        m_owners->removeWatchedService(service);
        for (const QString& item : gone)
            emit StatusNotifierItemUnregistered(item);
    }

    QDBusServiceWatcher* m_owners;
    mutable std::mutex m_mutex;
    QStringList m_items;
};

// Counts the signals that items and their menus send.
class SignalLog : public QObject {
    Q_OBJECT

public:
    int count(const QString& member) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_counts.find(member);
        return found == m_counts.end() ? 0 : found->second;
    }

public slots:
    void record(const QDBusMessage& message)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_counts[message.member()];
    }

private:
    mutable std::mutex m_mutex;
    std::map<QString, int> m_counts;
};

std::atomic<int> g_connections { 0 };

} // namespace

struct SniDesktop::Private {
    QString connectionName;
    std::optional<QDBusConnection> connection;
    QThread thread;
    Watcher* watcher = nullptr;
    SignalLog* signalLog = nullptr;

    QDBusMessage call(QDBusMessage message) const
    {
        return connection->call(message, QDBus::Block, kCallTimeoutMs);
    }
};

SniDesktop::SniDesktop()
    : d(new Private)
{
    EnsureApplication();
}

SniDesktop::~SniDesktop()
{
    // The watcher leaves the bus and goes from its own thread, where the bus
    // relays its signals.
    if (d->watcher != nullptr && d->thread.isRunning()) {
        QMetaObject::invokeMethod(
            d->signalLog,
            [this] {
                d->connection->unregisterService(kWatcherService);
                d->connection->unregisterObject(kWatcherPath);
                delete d->watcher;
            },
            Qt::BlockingQueuedConnection);
    }
    d->thread.quit();
    d->thread.wait();
    delete d->signalLog;
    d->connection.reset();
    if (!d->connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(d->connectionName);
    m_bus.terminate();
    m_bus.waitForExit(std::chrono::seconds(5));
}

bool SniDesktop::start(const std::string& dir, bool withWatcher)
{
    // A bus of the session kind with nothing to start on demand: only what
    // the test puts on it is there.
    const std::string socket = dir + "bus";
    const std::string config = dir + "bus.conf";
    WriteTextFile(config,
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n"
        "  <type>session</type>\n"
        "  <listen>unix:path="
            + socket
            + "</listen>\n"
              "  <auth>EXTERNAL</auth>\n"
              "  <policy context=\"default\">\n"
              "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
              "    <allow eavesdrop=\"true\"/>\n"
              "    <allow own=\"*\"/>\n"
              "  </policy>\n"
              "</busconfig>\n");
    const std::string printed = dir + "bus.address";
    if (!m_bus.start("dbus-daemon",
            { "--config-file=" + config, "--nofork", "--nopidfile", "--print-address=1" }, {}, {},
            printed))
        return false;
    // The daemon prints its address once it listens.
    for (int i = 0; i < 500 && ReadLines(printed).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::vector<std::string> lines = ReadLines(printed);
    if (lines.empty() || lines.front().rfind("unix:", 0) != 0)
        return false;
    m_address = lines.front();

    d->connectionName = QStringLiteral("sni-desktop-%1").arg(++g_connections);
    d->connection
        = QDBusConnection::connectToBus(QString::fromStdString(m_address), d->connectionName);
    if (!d->connection->isConnected())
        return false;

    // The desktop answers from a thread of its own, so that a test may wait
    // in plain loops while the programs call the watcher.
    d->signalLog = new SignalLog;
    d->signalLog->moveToThread(&d->thread);
    d->thread.start();
    QMetaObject::invokeMethod(
        d->signalLog,
        [this] {
            const QString any;
            for (const char* member : { "NewIcon", "NewToolTip", "NewTitle", "NewStatus" })
                d->connection->connect(any, any, kItemInterface, QString::fromLatin1(member),
                    d->signalLog, SLOT(record(QDBusMessage)));
            for (const char* member : { "LayoutUpdated", "ItemsPropertiesUpdated" })
                d->connection->connect(any, any, kMenuInterface, QString::fromLatin1(member),
                    d->signalLog, SLOT(record(QDBusMessage)));
        },
        Qt::BlockingQueuedConnection);
    if (!withWatcher)
        return true;
    // Registered from the watcher's own thread: the bus keeps helpers beside
    // the objects it exports, and they must live where the object lives.
    d->watcher = new Watcher(*d->connection);
    d->watcher->moveToThread(&d->thread);
    bool registered = false;
    QMetaObject::invokeMethod(
        d->watcher,
        [this, &registered] {
            registered = d->connection->registerObject(kWatcherPath, d->watcher,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                 | QDBusConnection::ExportAllProperties)
                && d->connection->registerService(kWatcherService);
        },
        Qt::BlockingQueuedConnection);
    return registered;
}

QStringList SniDesktop::registeredItems() const
{
    return d->watcher != nullptr ? d->watcher->registeredItems() : QStringList();
}

std::optional<QString> SniDesktop::waitForItem(std::chrono::milliseconds timeout, int count) const
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        const QStringList items = registeredItems();
        if (items.size() >= count)
            return items.last();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return std::nullopt;
}

bool SniDesktop::waitForNoItem(std::chrono::milliseconds timeout) const
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        if (registeredItems().isEmpty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

int SniDesktop::signalCount(const QString& member) const
{
    return d->signalLog != nullptr ? d->signalLog->count(member) : 0;
}

QStringList SniDesktop::busNames() const
{
    const QDBusReply<QStringList> names = d->connection->interface()->registeredServiceNames();
    return names.isValid() ? names.value() : QStringList();
}

std::optional<SniItemView> SniDesktop::readItem(const QString& item) const
{
    const auto [service, path] = SplitItem(item);
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    get << kItemInterface;
    const QDBusMessage reply = d->call(get);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().first());
    SniItemView view;
    view.id = properties.value(QStringLiteral("Id")).toString();
    view.title = properties.value(QStringLiteral("Title")).toString();
    view.status = properties.value(QStringLiteral("Status")).toString();
    view.iconName = properties.value(QStringLiteral("IconName")).toString();
    view.menuPath = properties.value(QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    const QVariant pixmaps = properties.value(QStringLiteral("IconPixmap"));
    if (pixmaps.canConvert<QDBusArgument>())
        view.pixmaps = ReadPixmaps(qvariant_cast<QDBusArgument>(pixmaps));
    const QVariant tip = properties.value(QStringLiteral("ToolTip"));
    if (tip.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = qvariant_cast<QDBusArgument>(tip);
        QString iconName;
        argument.beginStructure();
        argument >> iconName;
        ReadPixmaps(argument);
        argument >> view.toolTipTitle >> view.toolTipText;
        argument.endStructure();
    }
    return view;
}

std::optional<SniMenuEntry> SniDesktop::menuLayout(const QString& item) const
{
    const std::optional<QDBusMessage> reply
        = callMenu(item, QStringLiteral("GetLayout"), { 0, -1, QStringList() });
    if (!reply || reply->type() != QDBusMessage::ReplyMessage || reply->arguments().size() != 2)
        return std::nullopt;
    return ReadMenuEntry(qvariant_cast<QDBusArgument>(reply->arguments().at(1)));
}

std::optional<QDBusMessage> SniDesktop::callMenu(
    const QString& item, const QString& method, const QVariantList& arguments) const
{
    const std::optional<SniItemView> view = readItem(item);
    if (!view)
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(
        SplitItem(item).first, view->menuPath, kMenuInterface, method);
    call.setArguments(arguments);
    return d->call(call);
}

bool SniDesktop::menuAboutToShow(const QString& item, int id) const
{
    const std::optional<QDBusMessage> reply = callMenu(item, QStringLiteral("AboutToShow"), { id });
    return reply && reply->type() == QDBusMessage::ReplyMessage;
}

bool SniDesktop::clickMenuEntry(const QString& item, int id) const
{
    const std::optional<QDBusMessage> reply = callMenu(item, QStringLiteral("Event"),
        { id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(QVariant(0))),
            static_cast<uint>(0) });
    return reply && reply->type() == QDBusMessage::ReplyMessage;
}

bool SniDesktop::activate(const QString& item) const
{
    const auto [service, path] = SplitItem(item);
    QDBusMessage call
        = QDBusMessage::createMethodCall(service, path, kItemInterface, QStringLiteral("Activate"));
    call << 10 << 10;
    return d->call(call).type() == QDBusMessage::ReplyMessage;
}

const SniMenuEntry* FindMenuEntry(const SniMenuEntry& root, const QString& label)
{
    for (const SniMenuEntry& child : root.children) {
        if (!child.visible)
            continue;
        if (child.label == label)
            return &child;
        if (const SniMenuEntry* found = FindMenuEntry(child, label))
            return found;
    }
    return nullptr;
}

double ShareOfColour(const SniPixmap& pixmap, int red, int green, int blue)
{
    const qsizetype pixels = static_cast<qsizetype>(pixmap.width) * pixmap.height;
    if (pixels == 0 || pixmap.argb.size() != pixels * 4)
        return 0;
    qsizetype close = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(pixmap.argb.constData());
    for (qsizetype i = 0; i < pixels; ++i) {
        const unsigned char* p = bytes + i * 4;
        if (p[0] > 200 && std::abs(p[1] - red) < 40 && std::abs(p[2] - green) < 40
            && std::abs(p[3] - blue) < 40)
            ++close;
    }
    return static_cast<double>(close) / static_cast<double>(pixels);
}

} // namespace testsupport

#include "snidesktop.moc"
