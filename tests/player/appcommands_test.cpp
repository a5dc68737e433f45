#include "view/appcommands.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using Action = NavigationAction;

TEST(AppCommands, inPageCommandsAreRefusedAndMappedInEveryFrameAndLayout)
{
    struct Row {
        const char* address;
        Action action;
    };
    const Row rows[] = {
        { "about:blank", Action::None },
        { "app:rec()", Action::ToggleRecording },
        { "app:scheduler()", Action::StartScheduler },
        { "app:live('http://feed.example/onair.js')", Action::OpenSongWindow },
        { "file:///radio/C:\\Record", Action::OpenRecordings },
        { "app:unknown()", Action::None },
        // The text counts anywhere in the address.
        { "http://example.org/?go=app:rec()", Action::ToggleRecording },
        // First row wins: the recording command comes before the song window.
        { "app:live('app:rec()')", Action::ToggleRecording },
    };
    for (const char* frame : { "live", "haut", "main", "", "Live" }) {
        for (const bool mini : { false, true }) {
            for (const Row& row : rows) {
                EXPECT_EQ(DecideNavigation(row.address, frame, mini),
                    (NavigationDecision { true, row.action }))
                    << row.address << " in '" << frame << "' mini " << mini;
            }
        }
    }
}

TEST(AppCommands, lettersCaseOfCommandsCounts)
{
    // Not a command: in "live" it is read as a station page; elsewhere it
    // passes. (The "app" scheme itself is always refused.)
    EXPECT_EQ(DecideNavigation("file:///x/APP:REC().htm", "haut", false), NavigationDecision {});
    EXPECT_EQ(DecideNavigation("APP:rec()", "haut", false), NavigationDecision {});
    EXPECT_EQ(DecideNavigation("file:///x/app:Rec().htm", "live", false),
        (NavigationDecision { false, Action::ReadStation }));
}

TEST(AppCommands, theLiveFrameFollowsTheLayout)
{
    struct Row {
        const char* address;
        const char* frame;
        bool mini;
        NavigationDecision expected;
    };
    const Row rows[] = {
        // Normal layout.
        { "file:///h/bienvenue.htm", "live", false, { false, Action::ClearStation } },
        { "file:///h/Fip.htm", "live", false, { false, Action::ReadStation } },
        { "file:///h/haut.htm", "live", false, { false, Action::ReadStation } },
        { "http://radio.example/", "live", false, { false, Action::ReadStation } },
        // The browser's own pages are nobody's station.
        { "chrome-error://chromewebdata/", "live", false, {} },
        { "chrome-error://chromewebdata/", "live", true, {} },
        // Mini layout.
        { "file:///h/bienvenue.htm", "live", true, { true, Action::None } },
        { "file:///h/haut.htm", "live", true, {} },
        { "file:///h/black.htm", "live", true, {} },
        { "file:///h/Fip.htm", "live", true, { true, Action::ShowMiniStation } },
        // Other frames pass untouched, whatever the page.
        { "file:///h/Fip.htm", "haut", false, {} },
        { "file:///h/Fip.htm", "main", true, {} },
        { "file:///h/bienvenue.htm", "main", false, {} },
        { "file:///h/Fip.htm", "", false, {} },
        { "file:///h/Fip.htm", "Live", false, {} },
        { "file:///h/Fip.htm", "LIVE", true, {} },
        { "file:///h/bienvenue.htm", "Live", false, {} },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DecideNavigation(row.address, row.frame, row.mini), row.expected)
            << row.address << " in '" << row.frame << "' mini " << row.mini;
    }
}

TEST(AppCommands, onlyAFramePageConsumesAStartPageThatNamesAPage)
{
    struct Row {
        const char* address;
        const char* startPage;
        bool shows;
    };
    const Row rows[] = {
        { "file:///h/index.htm", "/h/Fip.htm", true },
        { "file:///h/indexmini.htm", "/h/Fip.htm", true },
        { "file:///h/index.htm", "", false },
        { "file:///h/index.htm", "/h/Fip", false },
        { "file:///h/haut.htm", "/h/Fip.htm", false },
        { "file:///h/Fip.htm", "/h/Fip.htm", false },
        { "file:///h/playermini.html", "/h/Fip.htm", false },
    };
    for (const Row& row : rows)
        EXPECT_EQ(CompletionShowsStartPage(row.address, row.startPage), row.shows) << row.address;
}

} // namespace

// The frames that a frame page gives their pages when no web view loads it.
TEST(AppCommands, framePageFramesAreReadFromTheTags)
{
    EXPECT_EQ(FramePageFrames("<FRAMESET ROWS=\"44,*\">\r\n<FRAME NAME=\"haut\" SRC=\"haut.htm\" "
                              "NORESIZE>\r\n<frame src='bienvenue.htm' name=live></FRAMESET>"),
        (std::vector<DeclaredFrame> { { "haut", "haut.htm" }, { "live", "bienvenue.htm" } }));
    // Names keep their case; a frame without a source is still listed.
    EXPECT_EQ(FramePageFrames("<frameset><frame name=\"Live\"><noframes>x</noframes>"),
        (std::vector<DeclaredFrame> { { "Live", "" } }));
    EXPECT_TRUE(FramePageFrames("<html><body>Bienvenue</body></html>").empty());
}
