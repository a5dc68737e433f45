#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

// One song of a station's on-air feed. Texts are Windows-1252, taken exactly
// as they stand in the feed. A field the feed lacks holds "" or "Introuvable".
struct SongRecord {
    std::string title;
    std::string artist;
    std::string album;
    std::string releaseDate;
    std::string label;
    std::string coverAddress;
    std::string infoAddress;

    bool operator==(const SongRecord&) const = default;
};

// Index 0 is the song on air, index 4 the oldest of the four before it.
inline constexpr int kSongCount = 5;
using SongList = std::array<SongRecord, kSongCount>;

// The three shapes a feed comes in, told apart by its address alone.
enum class FeedForm {
    Script, // "radio_entry[i].titre = \"…\"" assignments
    Xml, // "<passage TITREMUSICAL=\"…\" …>" elements
    Page, // a page forwarding with " url=" to a script of "…Pochettes[i]" arrays
};

// ".js" in the address: script; else ".xml" together with "nrj": XML; else a
// forwarding page. Exact letter case.
FeedForm ChooseFeedForm(std::string_view address);

// Fills all five records from the text of a script feed.
void ParseScriptFeed(std::string_view text, SongList& songs);

// Fills all five records from the first five passage elements of an XML feed.
void ParseXmlFeed(std::string_view text, SongList& songs);

// The address a forwarding page leads to: the page's address without its
// last 11 characters, followed by the text after " url=" up to the next
// double quote.
std::string ForwardedFeedAddress(std::string_view pageAddress, std::string_view pageText);

// Fills all five records from the script a forwarding page leads to; relative
// cover paths get coverHost in front.
void ParseForwardedFeed(std::string_view text, std::string_view coverHost, SongList& songs);

// Reads an address as text within a limit in seconds; false when the time
// ran out.
using FeedFetcher
    = std::function<bool(const std::string& address, int limitSeconds, std::string& text)>;

// Fetches the live address (limit 2 s, and 25 s for the script a forwarding
// page leads to) and refills the song list. False when a fetch ran out of
// time: the list is then left exactly as it was.
bool ParseLiveFeed(const std::string& liveAddress, SongList& songs, const FeedFetcher& fetch);

// The same with the player's own fetch.
bool ParseLiveFeed(const std::string& liveAddress, SongList& songs);
