// The station page reader and ExtractBetween on arbitrary bytes: no crash, no
// read out of bounds, and results that agree with a plain search over the
// lower-cased text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/cp1252.h"
#include "common/pagemarkers.h"
#include "common/stationpage.h"
#include "common/textfile.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// ExtractBetween as described: both markers found ignoring case, the end one
// after the start one, the source's own bytes returned.
std::string referenceExtract(std::string_view source, std::string_view start, std::string_view end)
{
    const std::string lowered = cp1252::lower(source);
    const std::size_t s = lowered.find(cp1252::lower(start));
    if (s == std::string::npos)
        return kNotFound;
    const std::size_t from = s + start.size();
    const std::size_t e = lowered.find(cp1252::lower(end), from);
    if (e == std::string::npos)
        return {};
    return std::string(source.substr(from, e - from));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    StationPageInfo info;
    info.windowsMedia = false;
    ReadStationPageText(input, info);
    if (input.empty()) {
        check(info.title == kNotFound && info.streamLink == kNotFound && !info.windowsMedia);
    } else {
        check(info.title == referenceExtract(input, kPageTitleStart, kPageTitleEnd));
        check(info.liveId == referenceExtract(input, kPageLiveStart, kPageLiveEnd));
        check(info.description
            == referenceExtract(input, kPageDescriptionStart, kPageDescriptionEnd));
        const std::string windowsLink
            = referenceExtract(input, kPageWindowsMediaLinkStart, kPageStreamLinkEnd);
        if (windowsLink != kNotFound)
            check(info.windowsMedia && info.streamLink == windowsLink);
        else if (info.streamLink == kNotFound)
            check(info.windowsMedia);
        else
            check(!info.windowsMedia);
    }

    // Markers taken from the input: the first two bytes give their lengths.
    if (size >= 2) {
        const std::string_view rest = input.substr(2);
        const std::size_t startLength = std::min<std::size_t>(data[0] % 8, rest.size());
        const std::size_t endLength = std::min<std::size_t>(data[1] % 8, rest.size() - startLength);
        const std::string_view start = rest.substr(0, startLength);
        const std::string_view end = rest.substr(startLength, endLength);
        const std::string_view source = rest.substr(startLength + endLength);
        const std::string found = ExtractBetween(source, start, end);
        check(found == referenceExtract(source, start, end));
        check(found == kNotFound || found.size() <= source.size());
    }
    return 0;
}
