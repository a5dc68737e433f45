#include "common/livefeed.h"

#include <algorithm>

#include "common/fetch.h"
#include "common/hosts.h"
#include "common/textfile.h"

namespace {

constexpr int kFeedLimitSeconds = 2;
constexpr int kForwardedLimitSeconds = 25;
constexpr std::string_view kQuote = "\"";

std::string field(std::string_view text, const std::string& start)
{
    return ExtractBetween(text, start, kQuote);
}

} // namespace

FeedForm ChooseFeedForm(std::string_view address)
{
    if (address.find(".js") != std::string_view::npos)
        return FeedForm::Script;
    if (address.find(".xml") != std::string_view::npos
        && address.find("nrj") != std::string_view::npos)
        return FeedForm::Xml;
    return FeedForm::Page;
}

void ParseScriptFeed(std::string_view text, SongList& songs)
{
    for (int i = 0; i < kSongCount; ++i) {
        const std::string entry = "radio_entry[" + std::to_string(i);
        SongRecord& song = songs[i];
        song.title = field(text, entry + "].titre = \"");
        song.artist = field(text, entry + "].interprete = \"");
        song.album = field(text, entry + "].album = \"");
        song.releaseDate = field(text, entry + "].dateSortie = \"");
        song.label = field(text, entry + "].label = \"");
        song.coverAddress = field(text, entry + "].urlPochette = \"");
        song.infoAddress.clear();
    }
}

void ParseXmlFeed(std::string_view text, SongList& songs)
{
    for (SongRecord& song : songs) {
        // Each round moves the text past the start of the next element; with
        // none left the cut falls at 3, as for an element found at -1.
        const std::size_t found = text.find("<passage ");
        const std::size_t cut = found == std::string_view::npos ? 3 : found + 4;
        text.remove_prefix(std::min(cut, text.size()));
        song.title = field(text, "TITREMUSICAL=\"");
        song.artist = field(text, "NOMINTERPRETE=\"");
        song.album.clear();
        song.releaseDate.clear();
        song.label.clear();
        song.coverAddress = field(text, "POCHETTE=\"");
        song.infoAddress.clear();
    }
}

std::string ForwardedFeedAddress(std::string_view pageAddress, std::string_view pageText)
{
    const std::string target = field(pageText, " url=");
    const std::size_t keep = pageAddress.size() > 11 ? pageAddress.size() - 11 : 0;
    return std::string(pageAddress.substr(0, keep)) + target;
}

void ParseForwardedFeed(std::string_view text, std::string_view coverHost, SongList& songs)
{
    for (int i = 1; i <= kSongCount; ++i) {
        const std::string index = std::to_string(i) + "] = \"";
        SongRecord& song = songs[i - 1];
        song.title = field(text, ".titresPochettes[" + index);
        song.artist = field(text, ".interpretesPochettes[" + index);
        song.album = field(text, ".albumsPochettes[" + index);
        song.releaseDate = field(text, ".sortiePochettes[" + index);
        song.label = field(text, ".labelPochettes[" + index);
        song.coverAddress = std::string(coverHost) + field(text, ".imagesPochettesSrc[" + index);
        song.infoAddress = field(text, ".urlsInfosPochettes[" + index);
    }
}

bool ParseLiveFeed(const std::string& liveAddress, SongList& songs, const FeedFetcher& fetch)
{
    const std::string address = liveAddress;
    std::string text;
    if (!fetch(address, kFeedLimitSeconds, text))
        return false;
    switch (ChooseFeedForm(address)) {
    case FeedForm::Script:
        ParseScriptFeed(text, songs);
        return true;
    case FeedForm::Xml:
        ParseXmlFeed(text, songs);
        return true;
    case FeedForm::Page:
        break;
    }
    const std::string forwarded = ForwardedFeedAddress(address, text);
    std::string script;
    if (!fetch(forwarded, kForwardedLimitSeconds, script))
        return false;
    ParseForwardedFeed(script, kCoverImageHost, songs);
    return true;
}

bool ParseLiveFeed(const std::string& liveAddress, SongList& songs)
{
    return ParseLiveFeed(
        liveAddress, songs, [](const std::string& address, int limit, std::string& text) {
            return FetchText(address, limit, text, FetchForm::Player);
        });
}
