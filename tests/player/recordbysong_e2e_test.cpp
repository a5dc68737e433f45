// "Enregistrer titre par titre" in the real player with the real recorder:
// a station whose title changes every 5 s, recorded over two changes, gives
// one playable file per title, the first and the last marked as cut.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "commandids.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/textfile.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;

TEST(PlayerRecordBySong, makesOneFilePerTitleNamedAfterIt)
{
    testsupport::SoundServer sound;
    ASSERT_TRUE(sound.ready()) << sound.error();
    testsupport::PlayerInstallation install("sonalto-bysong");
    ::mkdir((install.path() + "HarddiskOgg").c_str(), 0755);
    testsupport::CopyProgram(SONALTO_RECORDER_PATH, install.path() + "HarddiskOgg");
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(install.path()));
    const std::vector<std::string> titles = { "Alpha - Un", "Beta - Deux", "Gamma - Trois" };
    testsupport::WriteSmallCatalogue(install.html(),
        server.url("/_stream?metaint=16000&every=5&title=Alpha+-+Un&title=Beta+-+Deux"
                   "&title=Gamma+-+Trois"),
        "", true);
    ASSERT_TRUE(install.writeSettings("Path HTML=" + install.html()
        + "\r\n[Enregistreur HarddiskOgg]\r\nTitre par Titre=True\r\n"));
    install.variables = { { "SONALTO_AUDIO_SINK", std::nullopt } }; // real sound
    Process sonalto;
    ASSERT_TRUE(install.start(sonalto));
    // The titles the player announced, in order.
    const auto heard = [&] {
        std::vector<std::string> lines;
        for (const std::string& line : install.logLines())
            if (line.rfind("stream title ", 0) == 0 && line.size() > 13)
                lines.push_back(line.substr(13));
        return lines;
    };
    const auto waitForTitles = [&](std::size_t count) {
        return testsupport::WaitFor([&] { return heard().size() >= count; }, 40s);
    };

    // REC 1 s into a song, STOP 2 s into the second song after it.
    ASSERT_TRUE(waitForTitles(2)) << install.output();
    testsupport::WaitFor([] { return false; }, 1s);
    EXPECT_EQ(
        SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, cmd::RecordStart, 0),
        std::optional<std::int64_t>(0));
    ASSERT_TRUE(waitForTitles(4));
    testsupport::WaitFor([] { return false; }, 2s);
    EXPECT_EQ(
        SendMessage(kPlayerWindowClass, kPlayerWindowTitle, WM_SYSCOMMAND, cmd::RecordStop, 0),
        std::optional<std::int64_t>(0));

    const std::vector<std::string> songs = heard();
    std::vector<std::string> expected
        = { songs[1] + " (partiel).ogg", songs[2] + ".ogg", songs[3] + " (partiel).ogg" };
    std::sort(expected.begin(), expected.end());
    const std::string folder = install.path() + "Record/";
    // Listed once the recorder has closed and named the last one.
    std::vector<std::string> files;
    EXPECT_TRUE(testsupport::WaitFor(
        [&] {
            files.clear();
            for (const auto& entry : std::filesystem::directory_iterator(folder))
                files.push_back(entry.path().filename().string());
            std::sort(files.begin(), files.end());
            return files == expected;
        },
        20s));
    EXPECT_EQ(files, expected) << install.log() << install.output();
    for (const std::string& file : expected) {
        const std::string report
            = testsupport::RunCommand("gst-discoverer-1.0 \"" + folder + file + "\" 2>&1");
        EXPECT_NE(report.find("Ogg"), std::string::npos) << report;
        EXPECT_NE(report.find("Duration: 0:00:0"), std::string::npos) << report;
    }
    EXPECT_NE(std::find(titles.begin(), titles.end(), songs[2]), titles.end());

    EXPECT_TRUE(install.stop(sonalto));
}

} // namespace
