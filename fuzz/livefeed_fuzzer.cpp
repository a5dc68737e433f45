// Feeds arbitrary fetched text to the on-air feed parser in each of its
// three forms. The first byte picks the address, and for a forwarding page
// splits the input into the page and the script it leads to.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/livefeed.h"

namespace {

// Every value ends at the first double quote after its marker, so none can
// hold one, and each is a piece of the text it came from or "Introuvable".
void checkValues(const SongList& songs, std::string_view text)
{
    for (const SongRecord& song : songs) {
        for (const std::string* value : { &song.title, &song.artist, &song.album, &song.releaseDate,
                 &song.label, &song.coverAddress, &song.infoAddress }) {
            if (value->find('"') != std::string::npos)
                std::abort();
            if (*value != "Introuvable" && text.find(*value) == std::string_view::npos)
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const char* const kAddresses[] = {
        "http://radio.example/titres.js",
        "http://nrj.example/historique.xml",
        "http://radio.example/live/direct.html",
        "dir/a.htm",
    };
    const std::uint8_t selector = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string address = kAddresses[selector % 4];
    const std::size_t split = input.empty() ? 0 : (selector / 4) * input.size() / 64;
    const std::string first(input.substr(0, split == 0 ? input.size() : split));
    const std::string second(input.substr(split == 0 ? 0 : split));

    int call = 0;
    const FeedFetcher fetch = [&](const std::string&, int, std::string& text) {
        text = call++ == 0 ? first : second;
        return true;
    };
    SongList songs;
    ParseLiveFeed(address, songs, fetch);

    // The forms straight on the whole input, whatever the address says.
    ParseScriptFeed(input, songs);
    checkValues(songs, input);
    ParseXmlFeed(input, songs);
    checkValues(songs, input);
    ParseForwardedFeed(input, "", songs);
    checkValues(songs, input);
    const std::string forwarded = ForwardedFeedAddress(address, input);
    // The target is a piece of the page, or "Introuvable".
    if (forwarded.size() > address.size() + std::max<std::size_t>(input.size(), 11))
        std::abort();
    return 0;
}
