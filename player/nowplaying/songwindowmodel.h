#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/livefeed.h"
#include "common/settings.h"

// A window rectangle in screen pixels; right and bottom lie just outside it.
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    void offset(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    bool operator==(const WindowRect&) const = default;
};

// The rules of the song window: the song list, the selected song, the
// refresh period, and what the clipboard and a click on the cover get. The
// window copies values in and out and forwards clicks.
class SongWindowModel {
public:
    static constexpr int kMinPeriod = 0;
    static constexpr int kMaxPeriod = 180;

    explicit SongWindowModel(int periodSeconds);

    const SongList& songs() const { return m_songs; }
    // Takes the list of a refresh; the selected index stays.
    void setSongs(const SongList& songs) { m_songs = songs; }
    // Takes the list of another station, or of another source: the song on
    // air is selected.
    void resetSongs(const SongList& songs)
    {
        m_songs = songs;
        m_index = 0;
    }
    // Whether the list comes from the stream's titles rather than a feed.
    bool fromStream() const { return m_fromStream; }
    void setFromStream(bool fromStream) { m_fromStream = fromStream; }
    // The shop search address the title is put after.
    void setShopSearch(std::string address) { m_shopSearch = std::move(address); }

    // 0 is the song on air, 4 the oldest.
    int index() const { return m_index; }
    const SongRecord& selected() const { return m_songs[m_index]; }
    // "< Précédente": one song further back; false at the oldest.
    bool previous();
    // "Suivante >": one song nearer the one on air; false at the one on air.
    bool next();

    int period() const { return m_period; }
    // False, with the period unchanged, outside 0 to 180.
    bool setPeriod(int seconds);
    // A whole number from 0 to 180 written in the period edit.
    static std::optional<int> parsePeriod(std::string_view text);
    // The refresh timer's interval. A period of 0 refreshes once a second,
    // so that a feed is never asked again before its last answer is shown.
    int timerIntervalMs() const;

    // Title, artist, album, release date and label, each followed by CR LF.
    std::string clipboardText() const;

    // What a click on the cover opens: the song's information page when the
    // feed or a lookup gave a web address; otherwise, for a feed's song, the
    // shop search followed by the title as it stands, and for a stream's
    // song nothing (empty).
    std::string coverClickAddress() const;

private:
    SongList m_songs;
    int m_index = 0;
    int m_period = 10;
    bool m_fromStream = false;
    std::string m_shopSearch = kDefaultShopSearch;
};

// True for an address starting with "http://" or "https://" (scheme in any
// letter case): the only addresses from a feed handed to the desktop.
bool IsDesktopWebAddress(std::string_view address);

// Where the song window opens: beside the main window on its right, on its
// left when the screen is too narrow for that, centred on the screen when
// the main window is hidden away. Size unchanged.
WindowRect PlaceSongWindow(const WindowRect& mainWindow, int width, int height, int screenWidth,
    int screenHeight, bool mainHidden);

struct SnapResult {
    WindowRect rect;
    bool attached = false;
};

// Snaps the proposed rectangle of the song window being dragged to the main
// window's sides when it comes within 5 pixels of them, and tells whether it
// is now attached to it.
SnapResult SnapToMainWindow(WindowRect proposed, const WindowRect& mainWindow);
