// Feeds arbitrary answers to the station directory's readers. Every station
// read has a name and a web stream, and no name holds a line break.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/stationdirectory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const DirectoryAnswer answer = ReadDirectoryStations(text);
    for (const DirectoryStation& s : answer.stations) {
        if (s.name.empty() || s.name.find('\n') != std::string::npos
            || !(s.stream.starts_with("http://") || s.stream.starts_with("https://")))
            std::abort();
    }
    if (!answer.error.empty() && !answer.stations.empty())
        std::abort();
    FilterDirectory(answer.stations, text.substr(0, 8), size % 2 == 0);
    for (const auto& name : ReadDirectoryServers(text)) {
        if (name.empty() || name.find('/') != std::string::npos)
            std::abort();
    }
    return 0;
}
