#include "view/appcommands.h"

#include <algorithm>

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

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

} // namespace

std::vector<DeclaredFrame> FramePageFrames(std::string_view html)
{
    std::vector<DeclaredFrame> frames;
    std::string lower(html.size(), '\0');
    std::transform(html.begin(), html.end(), lower.begin(), Lower);
    for (std::size_t at = lower.find("<frame"); at != std::string::npos;
         at = lower.find("<frame", at + 1)) {
        std::size_t pos = at + 6;
        // "<frameset" is not a frame.
        if (pos < lower.size() && !IsSpace(lower[pos]) && lower[pos] != '>' && lower[pos] != '/')
            continue;
        DeclaredFrame frame;
        while (pos < lower.size() && lower[pos] != '>') {
            while (pos < lower.size() && (IsSpace(lower[pos]) || lower[pos] == '/'))
                ++pos;
            const std::size_t nameStart = pos;
            while (pos < lower.size() && !IsSpace(lower[pos]) && lower[pos] != '='
                && lower[pos] != '>')
                ++pos;
            const std::string attribute = lower.substr(nameStart, pos - nameStart);
            while (pos < lower.size() && IsSpace(lower[pos]))
                ++pos;
            if (pos >= lower.size() || lower[pos] != '=')
                continue;
            ++pos;
            while (pos < lower.size() && IsSpace(lower[pos]))
                ++pos;
            std::size_t valueStart = pos;
            std::size_t valueEnd = pos;
            if (pos < lower.size() && (lower[pos] == '"' || lower[pos] == '\'')) {
                const char quote = lower[pos];
                valueStart = pos + 1;
                valueEnd = lower.find(quote, valueStart);
                if (valueEnd == std::string::npos)
                    valueEnd = lower.size();
                pos = std::min(valueEnd + 1, lower.size());
            } else {
                while (pos < lower.size() && !IsSpace(lower[pos]) && lower[pos] != '>')
                    ++pos;
                valueEnd = pos;
            }
            // Values keep their own case: frame names are compared exactly.
            const std::string value(html.substr(valueStart, valueEnd - valueStart));
            if (attribute == "name")
                frame.name = value;
            else if (attribute == "src")
                frame.source = value;
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}
