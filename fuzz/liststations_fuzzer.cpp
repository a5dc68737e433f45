// Index readers on arbitrary bytes: no crash, no read out of bounds, results
// that keep their shape, and the one-pass personal-list edits equal to the
// edits applied name by name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/stationindex.h"
#include "common/textfile.h"
#include "support/referenceindex.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte cuts a probe name from the front; the rest is the index.
    const std::size_t nameLength = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::string probe(reinterpret_cast<const char*>(data) + 1, nameLength);
    const std::string_view text(
        reinterpret_cast<const char*>(data) + 1 + nameLength, size - 1 - nameLength);

    const auto stations = ListStations(text);
    std::vector<std::string> names;
    for (const auto& station : stations) {
        check(station.pageFile.find('"') == std::string::npos);
        check(station.name.find("</option>") == std::string::npos);
        check(text.find(station.name) != std::string_view::npos);
        names.push_back(station.name);
    }

    for (const auto& name : { probe, names.empty() ? probe : names.back() }) {
        const StationLine line = FindStationLine(text, name);
        if (line.found) {
            check(line.start < line.end && line.end <= text.size());
            const std::string_view found = text.substr(line.start, line.end - line.start);
            check(found.substr(0, 14) == "<option value=");
            check(found.substr(found.size() - 9) == "</option>");
        }
        const std::string file = FindPageFileByPrefix(text, name);
        check(file == kNotFound || file.find('"') == std::string::npos);
    }

    names.push_back(probe);
    const unsigned seed = data[0];
    const auto isPersonal = [seed](const std::string& name) {
        return ((std::hash<std::string> {}(name) >> (seed % 8)) & 1) != 0;
    };
    check(ApplyPersonalListText(text, names, isPersonal)
        == testsupport::ReferenceApplyPersonalList(std::string(text), names, isPersonal));
    return 0;
}
