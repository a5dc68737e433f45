#include "shell/mainframe.h"

#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWebEnginePage>

#include "commandids.h"
#include "common/messages.h"
#include "common/profile.h"
#include "common/textfile.h"
#include "common/ui/trayicon.h"
#include "fakeengine.h"
#include "playback/controlstrip.h"
#include "shell/playertray.h"
#include "shell/sleepcontrol.h"
#include "support/eventwait.h"
#include "support/framepages.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"
#include "view/lumoview.h"

namespace {

using testsupport::TempDir;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
        ApplyDefaultSettings(m_settings, m_install.path(), ScreenSize { 1280, 1024 });
        // The shipped pages the window needs, in the default HTML directory.
        ASSERT_TRUE(testsupport::WriteFramePages(m_install.path() + "html/"));
    }

    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    // Lets zero-delay timers run, as the event loop would.
    static void settle() { QTest::qWait(20); }

    ScriptedPrompt m_prompt;
    FakeEngine m_engine; // outlives the windows of a test
    TempDir m_install { "sonalto-frame" };
    TempDir m_runtime { "sonalto-runtime" };
    Settings m_settings;
};

TEST_F(MainFrameTest, creationPlacesWindowAndSavesSettings)
{
    m_settings.positionX = 40;
    m_settings.positionY = 30;
    m_settings.width = 300;
    m_settings.height = 200;
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);

    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Sonalto"));
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(frame.pos(), QPoint(40, 30));
    EXPECT_EQ(frame.size(), QSize(298, 196));
    EXPECT_TRUE(frame.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // No frame page where the settings said: the HTML directory falls back
    // to "html/" of the installation, without asking.
    EXPECT_TRUE(m_prompt.shown.empty());
    EXPECT_EQ(m_settings.pathHtml, m_install.path() + "html/");

    Profile saved;
    ASSERT_TRUE(saved.load(m_install.path() + "Sonalto.ini"));
    EXPECT_EQ(saved.get("Sonalto", "Largeur"), "300");
    EXPECT_EQ(saved.get("Sonalto", "Path HTML"), m_install.path() + "html/");
}

TEST_F(MainFrameTest, quitStoresOnlyOnScreenEdgesOfThePosition)
{
    struct Case {
        QPoint at;
        int expectedX;
        int expectedY;
    };
    // Stored position before the quit: (7, 9).
    const Case cases[] = {
        { { 120, 80 }, 120, 80 },
        { { 0, 0 }, 0, 0 },
        { { -20, 50 }, 7, 50 },
        { { 30, -10 }, 30, 9 },
    };
    for (const Case& c : cases) {
        m_settings.positionX = 7;
        m_settings.positionY = 9;
        CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
        frame.move(c.at);
        frame.onCommand(cmd::Quit);
        EXPECT_EQ(m_settings.positionX, c.expectedX) << c.at.x();
        EXPECT_EQ(m_settings.positionY, c.expectedY) << c.at.y();
        // The window goes once the command has returned, not during it.
        EXPECT_TRUE(frame.isVisible());
        settle();
        EXPECT_FALSE(frame.isVisible());
    }
}

TEST_F(MainFrameTest, everyWayOfClosingGoesThroughTheQuitSteps)
{
    for (const auto& closeIt : std::vector<std::function<void(CMainFrame&)>> {
             [](CMainFrame& f) { f.close(); },
             [](CMainFrame& f) { f.onSysCommand(SC_CLOSE); },
             [](CMainFrame& f) { f.onCommand(cmd::Stop); },
         }) {
        CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
        frame.onSysCommand(cmd::RecordStart);
        ASSERT_TRUE(frame.isRecording());
        closeIt(frame);
        EXPECT_TRUE(frame.isQuitting());
        // The quit stops a running recording.
        EXPECT_FALSE(frame.isRecording());
        settle();
        EXPECT_FALSE(frame.isVisible());
    }
}

// "Arrêt programmé" from the menu bar and from the pop-up: the time left in
// the strip and the tooltip, and quitting turns it off.
TEST_F(MainFrameTest, sleepTimerIsChosenFromBothMenusAndEndsWithTheQuit)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    QAction* thirty = frame.menuAction(SleepControl::commandOf(30));
    ASSERT_NE(thirty, nullptr);
    EXPECT_EQ(thirty->text(), QStringLiteral("30 minutes"));
    thirty->trigger();
    EXPECT_EQ(frame.sleepControl()->minutes(), 30);
    EXPECT_TRUE(frame.controlStrip()->sleepLabel()->isVisibleTo(frame.controlStrip()));
    EXPECT_EQ(
        frame.controlStrip()->sleepLabel()->text(), QStringLiteral("Arrêt programmé dans 30:00"));
    EXPECT_TRUE(
        frame.tray()->icon()->toolTip().endsWith(QStringLiteral("\nArrêt programmé dans 30:00")))
        << frame.tray()->icon()->toolTip().toStdString();

    // The pop-up shows the choice and takes another.
    std::unique_ptr<QMenu> popup(frame.buildPopupMenu());
    QMenu* sleep = nullptr;
    for (QAction* action : popup->actions())
        if (action->menu() != nullptr && action->text() == QStringLiteral("Arrêt programmé"))
            sleep = action->menu();
    ASSERT_NE(sleep, nullptr);
    QAction* ninety = nullptr;
    for (QAction* action : sleep->actions()) {
        if (action->data().toInt() == SleepControl::commandOf(30)) {
            EXPECT_TRUE(action->isChecked());
        }
        if (action->data().toInt() == SleepControl::commandOf(90))
            ninety = action;
    }
    ASSERT_NE(ninety, nullptr);
    ninety->trigger();
    EXPECT_EQ(frame.sleepControl()->minutes(), 90);
    EXPECT_EQ(
        frame.controlStrip()->sleepLabel()->text(), QStringLiteral("Arrêt programmé dans 1:30:00"));

    frame.onCommand(cmd::Quit);
    EXPECT_EQ(frame.sleepControl()->minutes(), 0);
    EXPECT_FALSE(frame.controlStrip()->sleepLabel()->isVisibleTo(frame.controlStrip()));
    EXPECT_FALSE(frame.tray()->icon()->toolTip().contains(QStringLiteral("Arrêt")));
    settle();
}

TEST_F(MainFrameTest, recordStartAndStopOnlyChangeWhatNeedsChanging)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    const std::pair<int, bool> steps[] = {
        { cmd::RecordStop, false },
        { cmd::RecordStart, true },
        { cmd::RecordStart, true },
        { cmd::RecordStop, false },
        { cmd::RecordStop, false },
    };
    for (const auto& [id, recording] : steps) {
        frame.onSysCommand(id);
        EXPECT_EQ(frame.isRecording(), recording) << id;
    }
    frame.onCommand(cmd::ToggleRecording);
    EXPECT_TRUE(frame.isRecording());
    frame.onCommand(cmd::ToggleRecording);
    EXPECT_FALSE(frame.isRecording());
}

TEST_F(MainFrameTest, recordsReachTheSameHandlersAsTheMenus)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);

    // The page name ends at the first zero byte; dwData is not looked at.
    EXPECT_EQ(
        frame.handleRecord(MessengerRecord::makeCopyData(7, std::string("NRJ.htm\0xx", 10))), 0);
    EXPECT_EQ(frame.livePage(), m_settings.pathHtml + "NRJ.htm");
    EXPECT_EQ(frame.currentStationPage(), m_settings.pathHtml + "NRJ.htm");

    ASSERT_FALSE(m_settings.miniPlayer);
    frame.handleRecord(MessengerRecord::makeMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0));
    EXPECT_TRUE(m_settings.miniPlayer);
    frame.handleRecord(MessengerRecord::makeMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0));
    EXPECT_FALSE(m_settings.miniPlayer);

    frame.handleRecord(MessengerRecord::makeMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0));
    EXPECT_TRUE(frame.isHiddenAway());
    frame.handleRecord(MessengerRecord::makeMessage(WM_ACTIVATE, WA_ACTIVE, 0));
    EXPECT_FALSE(frame.isHiddenAway());
    EXPECT_TRUE(frame.isVisible());

    // The command id is the low word of wParam.
    frame.handleRecord(
        MessengerRecord::makeMessage(WM_COMMAND, 0x10000u | cmd::ToggleRecording, 0));
    EXPECT_TRUE(frame.isRecording());

    // Unknown ids and unknown messages change nothing.
    frame.handleRecord(MessengerRecord::makeMessage(WM_SYSCOMMAND, 532, 0));
    frame.handleRecord(MessengerRecord::makeMessage(WM_COMMAND, 0x7FFF, 0));
    frame.handleRecord(MessengerRecord::makeMessage(0x0400, 1, 2));
    EXPECT_FALSE(frame.isQuitting());
    EXPECT_TRUE(frame.isRecording());

    frame.handleRecord(MessengerRecord::makeMessage(WM_COMMAND, cmd::Stop, 0));
    EXPECT_TRUE(frame.isQuitting());
}

// A forwarded record travels over the real socket to the window, on the GUI
// thread, and the answer travels back.
TEST_F(MainFrameTest, messengerDeliversRecordsToTheWindow)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    ASSERT_TRUE(frame.registerMessenger());
    ASSERT_TRUE(FindWindow(kPlayerWindowClass, kPlayerWindowTitle));

    // A stranger's bytes are dropped without an answer and without effect.
    const int raw = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string path = MessengerSocketPath(kPlayerWindowClass, kPlayerWindowTitle);
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::connect(raw, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::write(raw, "GET / HTTP/1.0\r\n\r\n", 18), 18);

    auto reply = std::async(std::launch::async, [] {
        return SendCopyData(
            kPlayerWindowClass, kPlayerWindowTitle, 0x8048, std::string("Fip.htm\0", 8));
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    EXPECT_EQ(reply.get(), std::optional<std::int64_t>(0));
    EXPECT_EQ(frame.livePage(), m_settings.pathHtml + "Fip.htm");

    char byte = 0;
    EXPECT_EQ(::read(raw, &byte, 1), 0);
    ::close(raw);

    auto stop = std::async(std::launch::async, [] {
        return SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND, cmd::Stop, 0);
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return stop.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    EXPECT_EQ(stop.get(), std::optional<std::int64_t>(0));
    settle();
    EXPECT_FALSE(frame.isVisible());
}

} // namespace

namespace {

TEST_F(MainFrameTest, miniLayoutKeepsTheCornerAndTradesTheMenuBarForItsSize)
{
    m_settings.positionX = 40;
    m_settings.positionY = 30;
    m_settings.miniWidth = 260;
    m_settings.miniHeight = 34;
    WriteTextFile(m_install.path() + "html/haut.htm",
        "<select name=\"select\" size=\"1\">\r\n</select><BR>"
        "<input type=\"button\" onClick=\"parent.frames['live'].window.location="
        "document.loc.select.options[document.loc.select.selectedIndex].value;\" "
        "value=\"Ecouter !\">");
    m_settings.width = 300;
    m_settings.height = 200;
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    const QRect normal = frame.frameGeometry();

    frame.onSysCommand(SC_MAXIMIZE);
    EXPECT_TRUE(m_settings.miniPlayer);
    // Frameless: the corner is the content's.
    EXPECT_EQ(frame.geometry().topLeft(), normal.topLeft());
    EXPECT_EQ(frame.size(), QSize(260, 34));
    EXPECT_TRUE(frame.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(frame.menuBar()->isVisible());
    EXPECT_FALSE(frame.controlStrip()->isVisible());
    // The mini layout's index navigates on change, without the button.
    EXPECT_EQ(
        ReadTextFile(m_install.path() + "html/haut.htm").find("Ecouter !"), std::string::npos);

    frame.onSysCommand(SC_MAXIMIZE);
    EXPECT_FALSE(m_settings.miniPlayer);
    EXPECT_EQ(frame.frameGeometry().topLeft(), normal.topLeft());
    EXPECT_EQ(frame.size(), QSize(298, 196));
    EXPECT_TRUE(frame.menuBar()->isVisible());
    EXPECT_TRUE(frame.controlStrip()->isVisible());
}

} // namespace

namespace {

TEST_F(MainFrameTest, htmlDirectoryIsAskedForWhenTheDefaultHasNoFramePage)
{
    ::unlink((m_install.path() + "html/index.htm").c_str());
    TempDir chosen { "sonalto-chosen" };
    WriteTextFile(chosen.path() + "index.htm", "<html></html>");
    const std::string chosenDir = chosen.path().substr(0, chosen.path().size() - 1);

    struct Case {
        std::string answer;
        bool created;
    };
    for (const Case& c :
        { Case { chosenDir, true }, Case { "", false }, Case { m_install.path(), false } }) {
        ScriptedPrompt prompt;
        prompt.directory = c.answer;
        m_settings.pathHtml = "/nowhere/";
        CMainFrame frame(m_settings, m_install.path(), &prompt, &m_engine);
        EXPECT_EQ(frame.isCreated(), c.created) << c.answer;
        EXPECT_EQ(prompt.folderTitles,
            std::vector<std::string> {
                "Selectionnez le repertoire contenant vos fichiers radio .html" });
        if (c.created) {
            EXPECT_EQ(m_settings.pathHtml, chosen.path());
            EXPECT_TRUE(prompt.shown.empty());
        } else {
            ASSERT_EQ(prompt.shown.size(), 1u);
            EXPECT_EQ(prompt.shown[0].title, "Erreur");
            EXPECT_EQ(prompt.shown[0].text,
                "Fichiers HTML des radios introuvables.\nInstallez les dans /html/\n"
                "ou changez de r\xC3\xA9pertoire dans les options.");
            EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Exclamation);
            EXPECT_TRUE(prompt.shown[0].waited);
            RunEventsFor(20);
            EXPECT_FALSE(frame.isVisible());
        }
    }
}

TEST_F(MainFrameTest, selfUpdateWaitsForTheUpdaterDialogToClose)
{
    const std::string parked = m_install.path() + "html/fichier_tmp.tmp";
    const std::string updater = m_install.path() + "SntUpdate";
    WriteTextFile(parked, "new updater");
    WriteTextFile(updater, "old updater");

    // The updater's dialog is still open: nothing is replaced yet.
    MessengerListener dialog;
    ASSERT_TRUE(dialog.listen("#32770", "Mise \xC3\xA0 jour Sonalto"));
    {
        CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
        EXPECT_TRUE(frame.isSelfUpdatePending());
        EXPECT_EQ(ReadTextFile(updater), "old updater");
        EXPECT_TRUE(FileExists(parked));

        // Gone: the forwarded "-self_update" puts the new updater in place.
        dialog.close();
        frame.onCommand(cmd::SelfUpdateDone);
        EXPECT_EQ(ReadTextFile(updater), "new updater");
        EXPECT_FALSE(FileExists(parked));
        struct stat info { };
        ASSERT_EQ(::stat(updater.c_str(), &info), 0);
        EXPECT_TRUE(info.st_mode & S_IXUSR);
    }
    // At the next start with no updater running, it happens at creation.
    WriteTextFile(parked, "newer updater");
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    EXPECT_FALSE(frame.isSelfUpdatePending());
    EXPECT_EQ(ReadTextFile(updater), "newer updater");
}

TEST_F(MainFrameTest, menusCarryTheirTextsAndIdsAndRecRelabels)
{
    // The recorder is installed: the REC item stays.
    ::mkdir((m_install.path() + "HarddiskOgg").c_str(), 0700);
    WriteTextFile(m_install.path() + "HarddiskOgg/harddisk", "");
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    struct Item {
        int id;
        const char* text;
        bool enabled;
    };
    for (const Item& item : { Item { cmd::Options, "&Options", true },
             Item { cmd::Personalise, "&Personnaliser", true },
             Item { cmd::StationDirectory, "&Annuaire des radios…", true },
             Item { cmd::RandomStation, "&Au hasard ?", true },
             Item { cmd::AddCurrentStation, "Ajouter cette &radio", true },
             Item { cmd::ToggleRecording, "&REC", true }, Item { cmd::Help, "&Aide", true },
             Item { cmd::About, "A &propos...", true }, Item { cmd::Quit, "&Quitter", true } }) {
        QAction* action = frame.menuAction(item.id);
        ASSERT_NE(action, nullptr) << item.id;
        EXPECT_EQ(action->text().toStdString(), item.text);
        EXPECT_EQ(action->isEnabled(), item.enabled) << item.text;
    }
    frame.menuAction(cmd::ToggleRecording)->trigger();
    EXPECT_TRUE(frame.isRecording());
    EXPECT_EQ(frame.menuAction(cmd::ToggleRecording)->text(), QStringLiteral("&STOP"));
    frame.onSysCommand(cmd::RecordStop);
    EXPECT_EQ(frame.menuAction(cmd::ToggleRecording)->text(), QStringLiteral("&REC"));

    QStringList system;
    for (QAction* action : frame.systemMenu()->actions())
        system << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(system.join('|').toStdString(),
        "Mode mini|-|O&ptions|Personnaliser|-|Snt Planificateur|-|Aide|A& Propos...|-|Quitter "
        "\tAlt+F4");
}

// The normal window has a fixed size, for which window managers offer no
// maximise box: the layout toggle is in the system menu and on a key.
TEST_F(MainFrameTest, miniLayoutIsReachableFromTheSystemMenuAndTheKeyboard)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    QAction* item = nullptr;
    for (QAction* action : frame.systemMenu()->actions()) {
        if (action->text() == QStringLiteral("Mode mini"))
            item = action;
    }
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->data().toInt(), static_cast<int>(SC_MAXIMIZE));
    item->trigger();
    EXPECT_TRUE(m_settings.miniPlayer);
    EXPECT_FALSE(frame.menuBar()->isVisible());

    // The key works in both layouts, the mini one having no menu at all.
    QApplication::setActiveWindow(&frame);
    QTest::keyClick(&frame, Qt::Key_M, Qt::ControlModifier);
    EXPECT_FALSE(m_settings.miniPlayer);
    EXPECT_TRUE(frame.menuBar()->isVisible());
    // The new layout is a new window for the desktop, which gives it the
    // focus again.
    QApplication::setActiveWindow(&frame);
    QTest::keyClick(&frame, Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(m_settings.miniPlayer);
}

// At the default width every top-level menu shows: what the bar cannot hold
// wraps onto a second row, none hides behind the overflow button. Without a
// notification area (none here) the bar ends with the pop-up.
TEST_F(MainFrameTest, everyMenuOfTheBarShowsAtTheDefaultWidthWithThePopupLast)
{
    ::mkdir((m_install.path() + "HarddiskOgg").c_str(), 0700);
    WriteTextFile(m_install.path() + "HarddiskOgg/harddisk", "");
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    ASSERT_EQ(frame.width(), 249);
    QCoreApplication::processEvents();
    QStringList shown;
    QAction* popup = nullptr;
    QList<QMenuBar*> rows { frame.menuBar() };
    for (QMenuBar* bar : frame.findChildren<QMenuBar*>()) {
        if (bar != frame.menuBar())
            rows << bar;
    }
    for (QMenuBar* bar : rows) {
        if (bar->isHidden())
            continue;
        for (QAction* action : bar->actions()) {
            const QRect at = bar->actionGeometry(action);
            shown << action->text();
            popup = action;
            EXPECT_TRUE(bar->rect().contains(at))
                << action->text().toStdString() << " at " << at.x() << "+" << at.width();
        }
        for (QWidget* child : bar->findChildren<QWidget*>(QStringLiteral("qt_menubar_ext_button")))
            EXPECT_FALSE(child->isVisible()) << "the overflow button shows";
    }
    EXPECT_EQ(shown.join('|').toStdString(),
        "&Options|&Perso|&Favoris|&REC|&Aide|A &propos...|&Quitter|");

    // The pop-up's own commands, from the bar.
    ASSERT_NE(popup, nullptr);
    popup->trigger();
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction* action : menu->actions())
        items << action->text();
    EXPECT_TRUE(items.contains(QStringLiteral("&Mute"))) << items.join('|').toStdString();
    EXPECT_TRUE(items.contains(QStringLiteral("REC Planifié"))) << items.join('|').toStdString();
    menu->close();
}

TEST_F(MainFrameTest, recordingItemIsRemovedWithoutTheRecorder)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    EXPECT_EQ(frame.menuAction(cmd::ToggleRecording), nullptr);
    // The command itself still works.
    frame.onCommand(cmd::ToggleRecording);
    EXPECT_TRUE(frame.isRecording());
}

TEST_F(MainFrameTest, radioCopyDataAndPageCommandsReachTheView)
{
    WriteTextFile(m_install.path() + "html/haut.htm", "<html><body>index</body></html>");
    WriteTextFile(m_install.path() + "html/Fip.htm",
        "<html><font name=\"titre\">Fip</font><param name=\"filename\" value=\"fip.mp3\">"
        "<a id=\"rec\" href=\"app:rec()\">REC</a><script>window.addEventListener('message',"
        " function (e) { document.getElementById(e.data).click(); });</script></html>");
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    frame.showFramePage();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return frame.view()->currentStation().title.empty()
                && !frame.view()->page()->url().isEmpty();
        },
        10000));
    RunEventsFor(300);

    bool fipLoaded = false;
    QObject::connect(frame.view(), &CLumoView::frameLoaded, &frame,
        [&](const QString& name, const QString& address) {
            fipLoaded = fipLoaded || (name == "live" && address.endsWith("Fip.htm"));
        });
    frame.onCopyData(0x8048, std::string("Fip.htm\0", 8));
    ASSERT_TRUE(WaitUntil([&] { return fipLoaded; }, 10000));
    EXPECT_EQ(frame.view()->currentStation().title, "Fip");
    EXPECT_EQ(frame.currentStationPage(), m_settings.pathHtml + "Fip.htm");

    frame.view()->page()->runJavaScript("frames['live'].postMessage('rec', '*')");
    EXPECT_TRUE(WaitUntil([&] { return frame.isRecording(); }, 10000));
}

TEST_F(MainFrameTest, rebuildRewritesTheIndexAndSaysSo)
{
    WriteTextFile(m_install.path() + "html/Fip.htm", "<font name=\"titre\">Fip</font>");
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    frame.onSysCommand(cmd::Rebuild);
    EXPECT_NE(ReadTextFile(m_install.path() + "html/haut.htm").find("Fip.htm"), std::string::npos);
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.shown[0].title, "Termin\xC3\xA9");
    EXPECT_EQ(m_prompt.shown[0].text,
        "La reconstruction de l'index des radios est termin\xC3\xA9"
        "e.");
    EXPECT_EQ(m_prompt.shown[0].icon, PromptIcon::Information);
    // The player goes on while the message is up.
    EXPECT_FALSE(m_prompt.shown[0].waited);
}

TEST_F(MainFrameTest, miniLayoutAnswersTheMouseAnywhereInIt)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    frame.onSysCommand(SC_MAXIMIZE);
    ASSERT_TRUE(m_settings.miniPlayer);
    QWidget* inside = frame.view();

    // A right click opens the notification area's pop-up where it is.
    QTest::mouseClick(inside, Qt::RightButton, {}, QPoint(10, 10));
    ASSERT_TRUE(WaitUntil([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->defaultAction()->data().toInt(), cmd::Options);
    popup->close();

    // A double click brings the normal layout back.
    QTest::mouseDClick(inside, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(WaitUntil([&] { return !m_settings.miniPlayer; }, 2000));
    EXPECT_TRUE(frame.menuBar()->isVisible());
}

} // namespace
