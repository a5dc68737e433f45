// The station directory in the real player on a real X display, with the
// shipped catalogue, the local directory fixture and a headless sound
// server: a search typed at the keyboard, a result played into the null
// output and added to the list, found again in the drop-down and the
// search, and played from the drop-down after a restart.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include "commandids.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/pagename.h"
#include "common/textfile.h"
#include "support/monitorlevels.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::E2ePlatform;
using testsupport::MonitorLevels;
using testsupport::Process;

constexpr const char* kDirectoryTitle = "Annuaire des radios";
constexpr const char* kSearchTitle = "Rechercher une radio";
// The index's and the log's spelling of the added station (Windows-1252).
constexpr const char* kAdded = "Jazz \xE0 Paris";
constexpr const char* kAddedPage = "Jazz_\xE0_Paris.htm";

class PlayerDirectory : public testsupport::PlayerTest {
protected:
    PlayerDirectory()
        : PlayerTest("sonalto-directory")
    {
        variables = {
            { "XDG_CACHE_HOME", path() + "cache" },
            { "SONALTO_AUDIO_SINK", std::nullopt },
        };
    }

    void SetUp() override
    {
        if (E2ePlatform() != "xcb")
            GTEST_SKIP() << "needs an X display (PlayerDirectory.underXvfb)";
        gst_init(nullptr, nullptr); // its registry, before HOME moves
        m_sound = std::make_unique<testsupport::SoundServer>();
        ASSERT_TRUE(m_sound->ready()) << m_sound->error();
        std::filesystem::copy(
            SONALTO_INSTALL_TREE "html", html(), std::filesystem::copy_options::recursive);
        // The directory's streams play this tone.
        testsupport::MakeStreamTone(path() + "tone.mp3");
        ASSERT_TRUE(m_server.start(path()));
        ASSERT_TRUE(WriteTextFile(
            settingsPath(), "[Sonalto]\r\nServeurs annuaire=" + m_server.url("/_dir") + "\r\n"));
    }

    // Runs a menu command whose dialog is modal: the answer comes when the
    // dialog closes. Waits until the dialog's window shows.
    std::future<std::optional<std::int64_t>> openDialog(int command, const char* title)
    {
        auto answer = std::async(std::launch::async, [command] {
            return SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_COMMAND,
                static_cast<std::uint64_t>(command), 0);
        });
        EXPECT_TRUE(testsupport::WaitFor(
            [&] { return !testsupport::TopLevelWindowIds(title).empty(); }, 10s))
            << title;
        return answer;
    }

    // Types keys into the window, as closewindow --keys does.
    static void type(const char* title, const std::string& keys)
    {
        testsupport::RunCommand(
            std::string(SONALTO_CLOSEWINDOW_PATH) + " '" + title + "' --keys " + keys);
    }

    std::unique_ptr<testsupport::SoundServer> m_sound;
    testsupport::HttpServer m_server;
};

long long ms(Clock::duration d)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

TEST_F(PlayerDirectory, searchPlayAddThenPlayFromTheDropDownAfterARestart)
{
    const MonitorLevels monitor("test_sink.monitor");
    Process player;
    ASSERT_TRUE(startReady(player));
    const std::string view = "navigate view " + html() + "index.htm";
    ASSERT_TRUE(logHas(view));

    // "jazz" in the genre field, France being the first country; Return
    // searches.
    auto directory = openDialog(cmd::StationDirectory, kDirectoryTitle);
    const Clock::time_point typed = Clock::now();
    type(kDirectoryTitle, "Tab Tab Tab jazz Return");
    ASSERT_TRUE(logHas("directory results 8")) << log();
    const Clock::time_point shown = Clock::now();

    // The first result is selected: "Écouter", four tabs on, plays it.
    const Clock::time_point asked = Clock::now();
    type(kDirectoryTitle, "Tab Tab Tab Tab space");
    ASSERT_TRUE(logHas("first audio")) << log();
    EXPECT_TRUE(testsupport::WaitFor([&] { return monitor.soundAfter(asked).has_value(); }, 10s))
        << "no sound at the null output";

    // "Ajouter à ma liste", the next button: the page, its logo and the
    // index line, and the frame page loaded again with the new drop-down.
    type(kDirectoryTitle, "Tab space");
    ASSERT_TRUE(logHas("directory added Jazz à Paris")) << log();
    EXPECT_TRUE(testsupport::WaitFor([&] { return logCount(view) == 2; }, 10s));
    const std::string index = ReadTextFile(html() + "haut.htm");
    EXPECT_NE(
        index.find(std::string("<option value=\"") + kAddedPage + "\">" + kAdded + "</option>"),
        std::string::npos);
    const std::string page = html() + FileNameOnDisk(kAddedPage);
    const std::string logo = html() + "logo/Jazz_a_Paris.png";
    ASSERT_TRUE(FileExists(page));
    ASSERT_TRUE(FileExists(logo));
    EXPECT_NE(ReadTextFile(page).find("logo/Jazz_a_Paris.png"), std::string::npos);
    std::printf("[ FIGURES  ] typing to results %lld ms; the added station leaves a page of "
                "%lld bytes and a logo of %lld bytes\n",
        ms(shown - typed), static_cast<long long>(std::filesystem::file_size(page)),
        static_cast<long long>(std::filesystem::file_size(logo)));

    type(kDirectoryTitle, "Escape");
    EXPECT_EQ(directory.get(), std::optional<std::int64_t>(0));

    // The station search finds it by a word of its name.
    auto search = openDialog(cmd::SearchStations, kSearchTitle);
    type(kSearchTitle, "paris Return");
    EXPECT_TRUE(testsupport::WaitFor(
        [&] {
            for (const std::string& line : testsupport::ReadLines(logPath()))
                if (line.starts_with("station search")
                    && line.find("| Jazz à Paris") != std::string::npos)
                    return true;
            return false;
        },
        10s))
        << log();
    type(kSearchTitle, "Escape");
    EXPECT_EQ(search.get(), std::optional<std::int64_t>(0));
    EXPECT_TRUE(stop(player));

    // After a restart the listener picks it in the drop-down.
    std::string picking = ReadTextFile(html() + "haut.htm");
    ReplaceFirst(
        picking, "</BODY>", testsupport::PickStationScript("Jazz \\u00e0 Paris") + "</BODY>");
    ASSERT_TRUE(WriteTextFile(html() + "haut.htm", picking));
    const Clock::time_point restarted = Clock::now();
    Process again;
    ASSERT_TRUE(startReady(again));
    EXPECT_TRUE(logHas(std::string("station ") + kAdded)) << log();
    EXPECT_TRUE(testsupport::WaitFor([&] { return logCount("first audio") == 2; }, 30s));
    EXPECT_TRUE(
        testsupport::WaitFor([&] { return monitor.soundAfter(restarted).has_value(); }, 10s));
    EXPECT_TRUE(stop(again));
}

} // namespace
