#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the view does before a navigation happens, decided from the address,
// the name of the frame it targets and the window's layout alone, so that
// the rules can be checked without a browser.

// The frame in which station pages play, and the frame of the mini layout
// that shows the mini player page. Frame names are compared exactly.
inline constexpr const char* kLiveFrame = "live";
inline constexpr const char* kMiniFrame = "main";

inline constexpr const char* kFramePage = "index.htm";
inline constexpr const char* kMiniFramePage = "indexmini.htm";
inline constexpr const char* kWelcomePage = "bienvenue.htm";
inline constexpr const char* kIndexPage = "haut.htm";
inline constexpr const char* kBlackPage = "black.htm";
inline constexpr const char* kMiniPlayerPage = "playermini.html";

enum class NavigationAction {
    None,
    ToggleRecording, // "app:rec()": command 32838 to the main window
    StartScheduler, // "app:scheduler()": command 32890
    OpenRecordings, // "\Record": the recordings directory on the desktop
    OpenSongWindow, // "app:live('": the song-information window, docked
    ClearStation, // the welcome page in "live": no current station
    ReadStation, // a station page in "live": it becomes the current station
    ShowMiniStation, // the same in the mini layout: read it, show the mini page
};

struct NavigationDecision {
    bool cancel = false;
    NavigationAction action = NavigationAction::None;

    bool operator==(const NavigationDecision&) const = default;
};

// The in-page commands first, in their fixed order, for every frame (the
// first text found anywhere in the address wins, letter case counting); any
// other "app:" address is refused too, because the desktop would be asked
// to open it. Then, for the frame named exactly "live", the rules of the
// normal or the mini layout; every other navigation proceeds untouched.
NavigationDecision DecideNavigation(
    std::string_view address, std::string_view targetFrame, bool miniMode);

// Whether an address is one of the two frame pages.
bool IsFramePageAddress(std::string_view address);

// The start page is consumed after a frame page has loaded, when it names a
// page.
bool CompletionShowsStartPage(std::string_view address, std::string_view startPage);

// The frames a frame page declares: each <frame> tag's NAME and SRC, in the
// page's order (tag and attribute names in any case, values quoted or not).
struct DeclaredFrame {
    std::string name;
    std::string source;

    bool operator==(const DeclaredFrame&) const = default;
};
std::vector<DeclaredFrame> FramePageFrames(std::string_view html);
