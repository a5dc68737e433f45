#include "view/appcommands.h"

namespace {

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

struct CommandRow {
    std::string_view text;
    NavigationAction action;
};

// In the order in which they are tried.
constexpr CommandRow kCommands[] = {
    { "about:blank", NavigationAction::None },
    { "app:rec()", NavigationAction::ToggleRecording },
    { "app:scheduler()", NavigationAction::StartScheduler },
    // A recordings link written with a backslash; the browser may have
    // turned it into its escaped form.
    { "\\Record", NavigationAction::OpenRecordings },
    { "%5CRecord", NavigationAction::OpenRecordings },
    { "app:live('", NavigationAction::OpenSongWindow },
};

} // namespace

NavigationDecision DecideNavigation(
    std::string_view address, std::string_view targetFrame, bool miniMode)
{
    for (const CommandRow& row : kCommands) {
        if (contains(address, row.text))
            return { true, row.action };
    }
    if (address.substr(0, 4) == "app:")
        return { true, NavigationAction::None };

    if (targetFrame != kLiveFrame)
        return {};
    // The browser's own error page (a missing page file) is not a station
    // page: it must never become the current station, nor be remembered as
    // the last one.
    if (address.substr(0, 13) == "chrome-error:")
        return {};

    if (miniMode) {
        if (contains(address, kWelcomePage))
            return { true, NavigationAction::None };
        if (contains(address, kIndexPage) || contains(address, kBlackPage))
            return {};
        return { true, NavigationAction::ShowMiniStation };
    }
    if (contains(address, kWelcomePage))
        return { false, NavigationAction::ClearStation };
    return { false, NavigationAction::ReadStation };
}

bool IsFramePageAddress(std::string_view address)
{
    // "indexmini.htm" does not contain "index.htm", so both are named.
    return contains(address, kFramePage) || contains(address, kMiniFramePage);
}

bool CompletionShowsStartPage(std::string_view address, std::string_view startPage)
{
    return IsFramePageAddress(address) && !startPage.empty() && contains(startPage, ".htm");
}
