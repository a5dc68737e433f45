#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/snidesktop.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::PlayerWindowShown;
using testsupport::Process;
using testsupport::SniDesktop;
using testsupport::SniItemView;
using testsupport::SniMenuEntry;
using testsupport::TempDir;

// The menu's labels as the desktop receives them: the protocol marks the
// mnemonic with "_" where the program writes "&".
QString Exported(const char* label)
{
    return QString::fromUtf8(label).replace(QLatin1Char('&'), QLatin1Char('_'));
}

// The labels of the entries the desktop shows, "-" for a separator.
QStringList Labels(const SniMenuEntry& menu)
{
    QStringList labels;
    for (const SniMenuEntry& entry : menu.children) {
        if (entry.visible)
            labels.append(
                entry.type == QLatin1String("separator") ? QStringLiteral("-") : entry.label);
    }
    return labels;
}

// A 24-bit bitmap of side x side pixels in one colour, as station logos come.
void WriteBitmap(
    const std::string& path, int side, unsigned char red, unsigned char green, unsigned char blue)
{
    const int row = (side * 3 + 3) / 4 * 4;
    const std::uint32_t pixels = static_cast<std::uint32_t>(row * side);
    std::string file;
    const auto put = [&file](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    file += "BM";
    put(54 + pixels, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(side), 4);
    put(static_cast<std::uint32_t>(side), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(pixels, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            file.push_back(static_cast<char>(blue));
            file.push_back(static_cast<char>(green));
            file.push_back(static_cast<char>(red));
        }
        file.append(static_cast<std::size_t>(row - side * 3), '\0');
    }
    std::ofstream(path, std::ios::binary) << file;
}

bool WaitForWindowShown(bool shown, std::chrono::milliseconds timeout = 15s)
{
    return testsupport::WaitFor([&] { return PlayerWindowShown() == shown; }, timeout);
}

// The real player on an X display whose desktop shows notification-area
// items over D-Bus: its own session bus with a StatusNotifierWatcher, a small
// catalogue whose station has a red logo, and one favourite.
class PlayerTraySni : public testsupport::PlayerTest {
protected:
    void SetUp() override
    {
        // The offscreen platform has no notification area at all.
        if (!testsupport::OnXDisplay())
            GTEST_SKIP() << "needs the X platform (run under Xvfb)";
        ASSERT_TRUE(m_server.start(path()));
        testsupport::WriteSmallCatalogue(html(), m_server.url("/_stream?title=Alpha+en+direct"),
            "\r\n<img src=\"logo/alpha.bmp\" border=0 width=66 height=50>", false);
        std::filesystem::create_directory(html() + "logo");
        WriteBitmap(html() + "logo/alpha.bmp", 32, 255, 0, 0);
        ASSERT_TRUE(
            writeSettings("[Favoris]\r\nFavorisName0=Radio Alpha\r\nFavorisHTML0=Alpha.htm\r\n"));
        // No sound server to be found, nor started on demand.
        variables["PULSE_SERVER"] = "unix:" + runtime() + "no-sound-server";
    }

    // Starts the player and waits until its frame page shows the page that
    // logs shown ("welcome", or the station picked at start): what the test
    // does next reaches the frames.
    ::testing::AssertionResult startPlayer(Process& player, const std::string& shown = "welcome")
    {
        variables["DBUS_SESSION_BUS_ADDRESS"] = m_desktop.address();
        ::testing::AssertionResult ready = startReady(player);
        if (ready && !logHas(shown))
            return ::testing::AssertionFailure() << "no \"" << shown << "\"\n" << output();
        return ready;
    }

    // A desktop with a notification-area watcher on the private bus, then
    // the player (see startPlayer); the item the player registered there, or
    // nullopt.
    std::optional<QString> startPlayerOnDesktop(
        Process& player, const std::string& shown = "welcome")
    {
        if (!m_desktop.start(m_busDir.path(), true)) {
            ADD_FAILURE() << "the private session bus did not come up";
            return std::nullopt;
        }
        const ::testing::AssertionResult started = startPlayer(player, shown);
        if (!started) {
            ADD_FAILURE() << started.message();
            return std::nullopt;
        }
        return m_desktop.waitForItem(30s);
    }

    // Hides the window into the notification area as the minimise box does.
    ::testing::AssertionResult hideWindow()
    {
        if (SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, SC_MINIMIZE, 0)
                == std::optional<std::int64_t>(0)
            && logHas("syscommand " + std::to_string(SC_MINIMIZE)))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the minimise was not answered\n" << log();
    }

    // Waits until the item's view satisfies done; the last view read.
    template <typename Done>
    std::optional<SniItemView> waitForView(
        const QString& item, Done done, std::chrono::milliseconds timeout = 30s)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        std::optional<SniItemView> view;
        do {
            view = m_desktop.readItem(item);
            if (view && done(*view))
                break;
            std::this_thread::sleep_for(100ms);
        } while (std::chrono::steady_clock::now() < end);
        return view;
    }

    TempDir m_busDir { "sonalto-bus" };
    testsupport::HttpServer m_server;
    SniDesktop m_desktop;
};

TEST_F(PlayerTraySni, registersItsItemWithTheProgramIconNameAndPopupMenu)
{
    Process player;
    const std::optional<QString> item = startPlayerOnDesktop(player);
    ASSERT_TRUE(item) << output();
    const std::optional<SniItemView> view = m_desktop.readItem(*item);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->status, QStringLiteral("Active"));
    EXPECT_EQ(view->toolTipTitle, QStringLiteral("Sonalto"));
    // The program's own icon, drawn on the pop-ups' blue.
    ASSERT_FALSE(view->pixmaps.empty());
    for (const testsupport::SniPixmap& pixmap : view->pixmaps) {
        EXPECT_EQ(pixmap.argb.size(), pixmap.width * pixmap.height * 4);
        EXPECT_GT(testsupport::ShareOfColour(pixmap, 96, 157, 207), 0.2) << pixmap.width;
    }

    // The pop-up as the desktop shows it, in its order, with its pictures.
    ASSERT_NE(view->menuPath, QStringLiteral("/NO_DBUSMENU"));
    ASSERT_TRUE(m_desktop.menuAboutToShow(*item, 0));
    const std::optional<SniMenuEntry> menu = m_desktop.menuLayout(*item);
    ASSERT_TRUE(menu);
    // No station yet: no "Informations".
    EXPECT_EQ(Labels(*menu),
        QStringList({ Exported("&Options"), Exported("&Personnaliser"), Exported("Favoris"),
            Exported("Journal des titres…"), Exported("J'aime ce titre"), Exported("&REC"),
            Exported("REC Planifié"), Exported("Arrêt programmé"), Exported("&Mute"),
            Exported("Agrandir"), Exported("&Aide"), Exported("A &propos..."),
            Exported("&Quitter") }));
    const SniMenuEntry* favourites = testsupport::FindMenuEntry(*menu, QStringLiteral("Favoris"));
    ASSERT_NE(favourites, nullptr);
    EXPECT_EQ(Labels(*favourites),
        QStringList({ Exported("&Au hasard ?"), QStringLiteral("-"), Exported("Organiser..."),
            Exported("&Rechercher"), Exported("Ajouter cette &radio"), QStringLiteral("-"),
            QStringLiteral("Radio Alpha") }));
    // Every entry but the "Favoris" sub-menu itself has its picture.
    for (const SniMenuEntry* list : { &*menu, favourites }) {
        for (const SniMenuEntry& entry : list->children) {
            if (entry.visible && &entry != favourites && entry.type != QLatin1String("separator")) {
                EXPECT_TRUE(entry.hasIcon) << entry.label.toStdString();
            }
        }
    }
    // The player finds no sound server: the mute item is greyed.
    const SniMenuEntry* mute = testsupport::FindMenuEntry(*menu, Exported("&Mute"));
    ASSERT_NE(mute, nullptr);
    EXPECT_FALSE(mute->enabled);

    // The icon goes when the player quits.
    EXPECT_TRUE(stop(player));
    EXPECT_TRUE(m_desktop.waitForNoItem(10s));
}

TEST_F(PlayerTraySni, stationLogoAndNameReachTheDesktop)
{
    WriteTextFile(html() + "haut.htm", testsupport::SmallIndexPage(true));
    Process player;
    const std::optional<QString> item = startPlayerOnDesktop(player, "station Radio Alpha");
    ASSERT_TRUE(item) << output();

    // The station's red logo replaces the program icon, and its name (then
    // the song the stream announces) the program's name.
    const std::optional<SniItemView> view = waitForView(*item, [](const SniItemView& v) {
        return !v.pixmaps.empty() && testsupport::ShareOfColour(v.pixmaps.front(), 255, 0, 0) > 0.9
            && v.toolTipTitle == QStringLiteral("Radio Alpha\nAlpha en direct");
    });
    ASSERT_TRUE(view);
    ASSERT_FALSE(view->pixmaps.empty());
    EXPECT_GT(testsupport::ShareOfColour(view->pixmaps.front(), 255, 0, 0), 0.9);
    EXPECT_EQ(view->toolTipTitle.toStdString(), "Radio Alpha\nAlpha en direct");
    // The desktop learns of the changes without asking.
    EXPECT_GE(m_desktop.signalCount(QStringLiteral("NewIcon")), 1);
    EXPECT_GE(m_desktop.signalCount(QStringLiteral("NewToolTip")), 1);

    // The station has no now-playing address, but its stream has titles:
    // the menu, refreshed as the desktop is about to show it, has
    // "Informations".
    ASSERT_TRUE(m_desktop.menuAboutToShow(*item, 0));
    const std::optional<SniMenuEntry> menu = m_desktop.menuLayout(*item);
    ASSERT_TRUE(menu);
    EXPECT_EQ(Labels(*menu),
        QStringList({ Exported("&Options"), Exported("&Personnaliser"), Exported("Favoris"),
            Exported("Informations"), Exported("Journal des titres…"), Exported("J'aime ce titre"),
            Exported("&REC"), Exported("REC Planifié"), Exported("Arrêt programmé"),
            Exported("&Mute"), Exported("Agrandir"), Exported("&Aide"), Exported("A &propos..."),
            Exported("&Quitter") }));
    EXPECT_TRUE(stop(player));
}

TEST_F(PlayerTraySni, activatingTheItemBringsTheHiddenWindowBack)
{
    Process player;
    const std::optional<QString> item = startPlayerOnDesktop(player);
    ASSERT_TRUE(item) << output();
    ASSERT_TRUE(WaitForWindowShown(true));

    ASSERT_TRUE(hideWindow());
    ASSERT_TRUE(WaitForWindowShown(false)) << "the window stays on the screen";
    // Hidden into the notification area, the icon stays.
    EXPECT_EQ(m_desktop.registeredItems(), QStringList({ *item }));

    ASSERT_TRUE(m_desktop.activate(*item));
    EXPECT_TRUE(WaitForWindowShown(true)) << "the window stays hidden";
    EXPECT_TRUE(stop(player));
}

TEST_F(PlayerTraySni, menuEntriesClickedOnTheDesktopRunTheirCommands)
{
    Process player;
    const std::optional<QString> item = startPlayerOnDesktop(player);
    ASSERT_TRUE(item) << output();
    ASSERT_TRUE(hideWindow());
    ASSERT_TRUE(WaitForWindowShown(false));

    ASSERT_TRUE(m_desktop.menuAboutToShow(*item, 0));
    std::optional<SniMenuEntry> menu = m_desktop.menuLayout(*item);
    ASSERT_TRUE(menu);
    // "REC Planifié" starts the scheduler, which this installation lacks.
    const SniMenuEntry* scheduler = testsupport::FindMenuEntry(*menu, Exported("REC Planifié"));
    ASSERT_NE(scheduler, nullptr);
    ASSERT_TRUE(m_desktop.clickMenuEntry(*item, scheduler->id));
    EXPECT_TRUE(logHas("command 32890"));
    EXPECT_TRUE(logHas("scheduler missing"));

    // "Agrandir" shows the window again.
    ASSERT_TRUE(m_desktop.menuAboutToShow(*item, 0));
    menu = m_desktop.menuLayout(*item);
    ASSERT_TRUE(menu);
    const SniMenuEntry* restore = testsupport::FindMenuEntry(*menu, Exported("Agrandir"));
    ASSERT_NE(restore, nullptr);
    ASSERT_TRUE(m_desktop.clickMenuEntry(*item, restore->id));
    EXPECT_TRUE(logHas("command 32812"));
    EXPECT_TRUE(WaitForWindowShown(true));

    // A favourite, from the "Favoris" sub-menu, plays its station.
    ASSERT_TRUE(m_desktop.menuAboutToShow(*item, 0));
    menu = m_desktop.menuLayout(*item);
    ASSERT_TRUE(menu);
    const SniMenuEntry* favourites = testsupport::FindMenuEntry(*menu, QStringLiteral("Favoris"));
    ASSERT_NE(favourites, nullptr);
    ASSERT_TRUE(m_desktop.menuAboutToShow(*item, favourites->id));
    const SniMenuEntry* alpha
        = testsupport::FindMenuEntry(*favourites, QStringLiteral("Radio Alpha"));
    ASSERT_NE(alpha, nullptr);
    ASSERT_TRUE(m_desktop.clickMenuEntry(*item, alpha->id));
    EXPECT_TRUE(logHas("command 32850"));
    EXPECT_TRUE(logHas("station Radio Alpha")) << log();
    EXPECT_TRUE(stop(player));
}

TEST_F(PlayerTraySni, withoutAWatcherThePlayerStartsAndItsWindowCanBeReached)
{
    ASSERT_TRUE(m_desktop.start(m_busDir.path(), false));
    Process player;
    ASSERT_TRUE(startPlayer(player));
    ASSERT_TRUE(WaitForWindowShown(true));
    // No item on the bus: the icon goes the older way, which this display
    // does not have.
    for (const QString& name : m_desktop.busNames())
        EXPECT_FALSE(name.startsWith(QStringLiteral("org.kde.StatusNotifierItem")))
            << name.toStdString();

    // Minimised instead of hidden, the window comes back with a second
    // start.
    ASSERT_TRUE(hideWindow());
    EXPECT_EQ(runSecond({}), 0);
    EXPECT_TRUE(logHas("received activate"));
    EXPECT_TRUE(WaitForWindowShown(true));
    EXPECT_TRUE(player.isRunning());
    EXPECT_TRUE(stop(player));
}

} // namespace
