#include "nowplaying/songwindowmodel.h"

#include <algorithm>
#include <cstdlib>

#include "common/cp1252.h"
#include "common/hosts.h"
#include "common/textfile.h"

namespace {

constexpr int kSnapDistance = 5;

bool near(int a, int b)
{
    return std::abs(a - b) < kSnapDistance;
}

} // namespace

SongWindowModel::SongWindowModel(int periodSeconds)
{
    setPeriod(periodSeconds);
}

bool SongWindowModel::previous()
{
    if (m_index >= kSongCount - 1)
        return false;
    ++m_index;
    return true;
}

bool SongWindowModel::next()
{
    if (m_index <= 0)
        return false;
    --m_index;
    return true;
}

bool SongWindowModel::setPeriod(int seconds)
{
    if (seconds < kMinPeriod || seconds > kMaxPeriod)
        return false;
    m_period = seconds;
    return true;
}

std::optional<int> SongWindowModel::parsePeriod(std::string_view text)
{
    // Blanks around the number are allowed, as the edit's own check does.
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > kMaxPeriod)
        return std::nullopt;
    return value;
}

int SongWindowModel::timerIntervalMs() const
{
    return std::max(m_period, 1) * 1000;
}

std::string SongWindowModel::clipboardText() const
{
    const SongRecord& song = selected();
    std::string text;
    for (const std::string* value :
        { &song.title, &song.artist, &song.album, &song.releaseDate, &song.label }) {
        text += *value;
        text += "\r\n";
    }
    return text;
}

std::string SongWindowModel::coverClickAddress() const
{
    const SongRecord& song = selected();
    const std::string& info = song.infoAddress;
    if (!info.empty() && info != kNotFound && IsDesktopWebAddress(info))
        return info;
    if (m_fromStream)
        return {};
    return m_shopSearch + song.title;
}

bool IsDesktopWebAddress(std::string_view address)
{
    const std::string lowered = cp1252::lower(address.substr(0, 8));
    return lowered.starts_with("http://") || lowered.starts_with("https://");
}

WindowRect PlaceSongWindow(const WindowRect& mainWindow, int width, int height, int screenWidth,
    int screenHeight, bool mainHidden)
{
    int x = 0;
    int y = 0;
    if (mainHidden) {
        x = (screenWidth - width) / 2;
        y = (screenHeight - height) / 2;
    } else {
        x = mainWindow.right;
        if (mainWindow.right + width > screenWidth)
            x = mainWindow.left - width;
        y = mainWindow.top;
    }
    return { x, y, x + width, y + height };
}

SnapResult SnapToMainWindow(WindowRect d, const WindowRect& m)
{
    bool attached = false;

    const bool overlapVertically
        = (d.top - m.bottom < kSnapDistance && d.top - m.top > -kSnapDistance)
        || (d.bottom - m.bottom < kSnapDistance && d.bottom - m.top > -kSnapDistance)
        || (d.top - m.top < kSnapDistance && d.bottom - m.bottom > -kSnapDistance);
    if (overlapVertically) {
        bool shifted = true;
        if (near(d.right, m.left))
            d.offset(m.left - d.right, 0);
        else if (near(d.left, m.right))
            d.offset(m.right - d.left, 0);
        else
            shifted = false;
        if (shifted) {
            if (near(d.top, m.top))
                d.offset(0, m.top - d.top);
            else if (near(d.bottom, m.bottom))
                d.offset(0, m.bottom - d.bottom);
            attached = true;
        }
    }

    const bool overlapHorizontally
        = (d.left - m.left > -kSnapDistance && d.left - m.right < kSnapDistance)
        || (d.right - m.left > -kSnapDistance && d.right - m.right < kSnapDistance)
        || (d.left - m.left < kSnapDistance && d.right - m.right > -kSnapDistance);
    if (overlapHorizontally) {
        bool shifted = true;
        if (near(d.bottom, m.top))
            d.offset(0, m.top - d.bottom);
        else if (near(d.top, m.bottom))
            d.offset(0, m.bottom - d.top);
        else
            shifted = false;
        if (shifted) {
            if (near(d.left, m.left))
                d.offset(m.left - d.left, 0);
            else if (near(d.right, m.right))
                d.offset(m.right - d.right, 0);
            attached = true;
        }
    }
    return { d, attached };
}
