// SIGKILL at random moments while the player's files are being rewritten:
// the index during a rebuild, the index during an edit, the settings. After
// every kill each file must be whole: exactly its old or its new content.

#include <csignal>
#include <cstdio>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/rebuild.h"
#include "common/settings.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "crashwrites.h"
#include "support/testsupport.h"

namespace {

constexpr int kKills = 200;

std::string Padded(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04d", n);
    return text;
}

// Temporary files an interrupted write left behind.
int Leftovers(const std::string& dir)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        count += entry.path().filename().string().rfind(".sonalto-write-", 0) == 0;
    return count;
}

class KillWrites : public ::testing::Test {
protected:
    // A catalogue large enough that each write takes a while: 600 station
    // pages and their index.
    void SetUp() override
    {
        for (int i = 0; i < 600; ++i)
            ASSERT_TRUE(WriteTextFile(m_dir.path() + "Station_" + Padded(i) + ".htm",
                crashwrites::Page("Radio num\xE9ro " + Padded(i))));
        ASSERT_TRUE(WriteTextFile(IndexPath(m_dir.path()), EmptyIndexText()));
        ASSERT_TRUE(RebuildIndex(m_dir.path()));
    }

    // Runs the crash writer in mode, kills it after a random delay, and
    // checks after each kill that every watched file has one of its allowed
    // contents. Prints how the kills fell.
    void killRepeatedly(const std::string& mode,
        const std::vector<std::pair<std::string, std::set<std::string>>>& watched)
    {
        std::mt19937 random(std::random_device {}());
        std::uniform_int_distribution<int> delayUs(0, 40000);
        int leftovers = 0;
        std::map<std::string, int> seen;
        for (int kill = 0; kill < kKills; ++kill) {
            int ready[2];
            ASSERT_EQ(::pipe(ready), 0);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::dup2(ready[1], STDOUT_FILENO);
                ::close(ready[0]);
                ::close(ready[1]);
                ::execl(SONALTO_CRASHWRITER_PATH, SONALTO_CRASHWRITER_PATH, mode.c_str(),
                    m_dir.path().c_str(), static_cast<char*>(nullptr));
                ::_exit(127);
            }
            ::close(ready[1]);
            // The delay counts from the writer's first round.
            char byte = 0;
            const bool started = ::read(ready[0], &byte, 1) == 1;
            ::close(ready[0]);
            ASSERT_TRUE(started) << mode << ": the writer did not start";
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
            ::kill(child, SIGKILL);
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status))
                << mode << ": the writer stopped by itself, status " << status;
            for (const auto& [file, allowed] : watched) {
                const std::string text = ReadTextFile(m_dir.path() + file);
                ASSERT_TRUE(allowed.count(text)) << mode << ", kill " << kill << ": " << file
                                                 << " is partial (" << text.size() << " bytes)";
                ++seen[file + (text == *allowed.begin() ? " first" : " second")];
            }
            const int left = Leftovers(m_dir.path());
            leftovers += left > 0;
            // What the next start of a program does: the dead writer's
            // temporary file goes, the running one's stays.
            EXPECT_EQ(SweepAbandonedWrites(m_dir.path()), left);
            EXPECT_EQ(Leftovers(m_dir.path()), 0);
        }
        std::printf("%s: %d kills, %d during a write (temporary file left)", mode.c_str(), kKills,
            leftovers);
        for (const auto& [what, count] : seen)
            std::printf(", %s: %d", what.c_str(), count);
        std::printf("\n");
        // The kills must have landed inside writes, or nothing was shown.
        EXPECT_GT(leftovers, 0);
    }

    testsupport::TempDir m_dir { "sonalto-kill" };
};

TEST_F(KillWrites, rebuildLeavesTheIndexOldOrNew)
{
    std::set<std::string> pages, indexes;
    for (const char* title : { crashwrites::kTitleA, crashwrites::kTitleB }) {
        pages.insert(crashwrites::Page(title));
        ASSERT_TRUE(
            WriteTextFile(m_dir.path() + crashwrites::kRenamedPage, crashwrites::Page(title)));
        ASSERT_TRUE(RebuildIndex(m_dir.path()));
        indexes.insert(ReadTextFile(IndexPath(m_dir.path())));
    }
    ASSERT_EQ(indexes.size(), 2u);
    killRepeatedly("rebuild", { { "haut.htm", indexes }, { crashwrites::kRenamedPage, pages } });
}

TEST_F(KillWrites, indexEditLeavesTheIndexOldOrNew)
{
    const std::string index = IndexPath(m_dir.path());
    const std::string without = ReadTextFile(index);
    const std::string page = crashwrites::Page(crashwrites::kAddedStation);
    ASSERT_TRUE(WriteTextFile(m_dir.path() + crashwrites::kAddedPage, page));
    ASSERT_TRUE(InsertStation(index, crashwrites::kAddedStation));
    const std::string with = ReadTextFile(index);
    ASSERT_TRUE(RemoveStation(index, crashwrites::kAddedStation));
    ASSERT_NE(with, without);
    // The page is there or not; never cut.
    killRepeatedly(
        "index", { { "haut.htm", { without, with } }, { crashwrites::kAddedPage, { "", page } } });
}

TEST_F(KillWrites, settingsSaveLeavesTheFileOldOrNew)
{
    std::set<std::string> files;
    for (int x : { crashwrites::kPositionA, crashwrites::kPositionB }) {
        Settings settings;
        ApplyDefaultSettings(settings, m_dir.path(), ScreenSize { 1920, 1080 });
        settings.positionX = x;
        ASSERT_TRUE(SaveSettings(settings, m_dir.path(), kSettingsFileName, ""));
        files.insert(ReadTextFile(m_dir.path() + kSettingsFileName));
    }
    ASSERT_EQ(files.size(), 2u);
    killRepeatedly("settings", { { kSettingsFileName, files } });
}

} // namespace
