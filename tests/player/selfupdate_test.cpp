#include "shell/selfupdate.h"

#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

// A program's bytes, zeros included.
const std::string kNewUpdater("\x7f"
                              "ELF\0\0\x01new updater\0\xff",
    19);

TEST(SelfUpdate, newUpdaterReplacesTheOldOneRunnableAndLeavesNothingBehind)
{
    TempDir install("sonalto-selfupdate");
    const std::string html = install.path() + "html/";
    ::mkdir(html.c_str(), 0700);
    WriteTextFile(html + kParkedUpdater, kNewUpdater);
    const std::string updater = install.path() + "SntUpdate";
    WriteTextFile(updater, "old updater");
    ::chmod(updater.c_str(), 0400);

    EXPECT_EQ(CompleteSelfUpdate(html, install.path(), false), SelfUpdateStep::Done);
    EXPECT_EQ(ReadTextFile(updater), kNewUpdater);
    struct stat info { };
    ASSERT_EQ(::stat(updater.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    EXPECT_FALSE(FileExists(html + kParkedUpdater));
    EXPECT_EQ(ListRegularFiles(install.path()), std::vector<std::string> { "SntUpdate" });
}

TEST(SelfUpdate, oldUpdaterStaysWholeUntilTheNewOneCanBePutInPlace)
{
    struct Case {
        const char* what;
        bool updaterRunning;
        bool parked; // a parked updater, else none
        bool parkedIsFolder;
        bool targetIsFolder; // something the rename cannot replace
        SelfUpdateStep step;
    };
    const Case cases[] = {
        { "updater still running", true, true, false, false, SelfUpdateStep::Waiting },
        { "nothing parked", false, false, false, false, SelfUpdateStep::Nothing },
        { "parked is a folder", false, true, true, false, SelfUpdateStep::Failed },
        { "target cannot be replaced", false, true, false, true, SelfUpdateStep::Failed },
    };
    for (const Case& c : cases) {
        TempDir install("sonalto-selfupdate");
        const std::string html = install.path() + "html/";
        ::mkdir(html.c_str(), 0700);
        const std::string parked = html + kParkedUpdater;
        if (c.parkedIsFolder)
            ::mkdir(parked.c_str(), 0700);
        else if (c.parked)
            WriteTextFile(parked, kNewUpdater);
        const std::string updater = install.path() + "SntUpdate";
        if (c.targetIsFolder) {
            ::mkdir(updater.c_str(), 0700);
            WriteTextFile(updater + "/kept", "x");
        } else {
            WriteTextFile(updater, "old updater");
        }

        EXPECT_EQ(CompleteSelfUpdate(html, install.path(), c.updaterRunning), c.step) << c.what;
        if (!c.targetIsFolder) {
            EXPECT_EQ(ReadTextFile(updater), "old updater") << c.what;
        }
        if (c.parked && !c.parkedIsFolder) {
            EXPECT_EQ(ReadTextFile(parked), kNewUpdater) << c.what;
        }
        // No temporary file is left beside the updater.
        const std::vector<std::string> left = ListRegularFiles(install.path());
        EXPECT_EQ(left.size(), c.targetIsFolder ? 0u : 1u) << c.what;
    }
}

} // namespace
