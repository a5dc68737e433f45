#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include "support/testsupport.h"

// The desktop's side of notification-area icons over D-Bus, as the desktops
// that show StatusNotifierItems have it: a private session bus, a
// StatusNotifierWatcher on it that the programs register their items with,
// and the reads and calls the desktop makes on an item (its icon, tooltip
// and exported menu; clicks). Needs a QCoreApplication, made on first use.
namespace testsupport {

// One picture of an item's icon: ARGB32, network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};

// What the desktop reads of an item to draw it.
struct SniItemView {
    QString id;
    QString title;
    QString status;
    QString iconName;
    std::vector<SniPixmap> pixmaps;
    QString toolTipTitle;
    QString toolTipText;
    // The object path of the exported menu ("/NO_DBUSMENU" when none).
    QString menuPath;
};

// One entry of an exported menu (com.canonical.dbusmenu) with its children.
struct SniMenuEntry {
    int id = 0;
    QString label; // "_" marks the mnemonic, as the protocol has it
    QString type; // "separator" or empty
    bool enabled = true;
    bool visible = true;
    bool hasIcon = false;
    std::vector<SniMenuEntry> children;
};

class SniDesktop {
public:
    SniDesktop();
    ~SniDesktop();
    SniDesktop(const SniDesktop&) = delete;
    SniDesktop& operator=(const SniDesktop&) = delete;

    // Starts a bus of its own (dbus-daemon, no service activation) with its
    // socket in dir and connects to it; with a watcher, registers
    // org.kde.StatusNotifierWatcher with a host. False when the bus does not
    // come up.
    bool start(const std::string& dir, bool withWatcher);
    // The address for DBUS_SESSION_BUS_ADDRESS.
    const std::string& address() const { return m_address; }

    // The watcher's items, "service/path" each, in registration order.
    QStringList registeredItems() const;
    // Waits until the watcher holds count items; the last one, or nullopt.
    std::optional<QString> waitForItem(std::chrono::milliseconds timeout, int count = 1) const;
    // Waits until the watcher has no item left (their owners left the bus).
    bool waitForNoItem(std::chrono::milliseconds timeout) const;
    // How many times items sent the signal (NewIcon, NewToolTip,
    // LayoutUpdated, ...) since the start.
    int signalCount(const QString& member) const;
    // The names on the bus.
    QStringList busNames() const;

    // The item's properties, as the desktop reads them to draw it.
    std::optional<SniItemView> readItem(const QString& item) const;
    // The item's exported menu, whole (GetLayout of the root).
    std::optional<SniMenuEntry> menuLayout(const QString& item) const;
    // The desktop's calls: before showing a menu (id 0: the whole menu), a
    // click on a menu entry, the item's activation (a click on the icon).
    bool menuAboutToShow(const QString& item, int id) const;
    bool clickMenuEntry(const QString& item, int id) const;
    bool activate(const QString& item) const;

private:
    // Calls method of the item's exported menu; nullopt when the item
    // cannot be read.
    std::optional<QDBusMessage> callMenu(
        const QString& item, const QString& method, const QVariantList& arguments) const;

    struct Private;
    std::unique_ptr<Private> d;
    Process m_bus;
    std::string m_address;
};

// The first shown entry whose label is label, searched depth first; nullptr
// when none.
const SniMenuEntry* FindMenuEntry(const SniMenuEntry& root, const QString& label);

// The share of a pixmap's pixels that are opaque and close to the colour.
double ShareOfColour(const SniPixmap& pixmap, int red, int green, int blue);

} // namespace testsupport
