#include "common/updateindex.h"

#include <string_view>

#include "common/indexmarkers.h"
#include "common/prompt.h"
#include "common/rebuild.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/updatetexts.h"

namespace {

// Marks inactive every active line of the index whose page is not named by
// a line of the previous index. A page is named by the exact value of an
// option, so that a page whose file name is part of a longer one is still
// new.
std::string keepNewStationsOut(std::string_view text, std::string_view old)
{
    // The header, placeholder line included, stays as it is.
    const std::string header = IndexHeader();
    std::size_t pos = text.substr(0, header.size()) == header ? header.size() : 0;
    std::string result(text.substr(0, pos));
    result.reserve(text.size() + 256);
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = text.substr(pos, end - pos);
        pos = end;
        const std::size_t close = line.find(kValueCloser);
        const bool active = line.substr(0, kValueOpener.size()) == kValueOpener
            && close != std::string_view::npos;
        if (!active) {
            result += line;
            continue;
        }
        const std::string_view file = line.substr(kValueOpener.size(), close - kValueOpener.size());
        const std::string named
            = std::string(kValueOpener) + std::string(file) + std::string(kValueCloser);
        if (file.empty() || old.find(named) != std::string_view::npos) {
            result += line;
            continue;
        }
        // The station line ends with "</option>" before its line end.
        const std::size_t optionEnd = line.find(kOptionCloser);
        if (optionEnd == std::string_view::npos) {
            result += line;
            continue;
        }
        const std::size_t after = optionEnd + kOptionCloser.size();
        result += kCommentOpener;
        result += line.substr(0, after);
        result += kCommentCloser;
        result += line.substr(after);
    }
    return result;
}

} // namespace

bool RegenerateIndex(const std::string& htmlDir, Prompt& prompt)
{
    const std::string indexPath = IndexPath(htmlDir);
    const std::string old = ReadTextFile(indexPath);
    bool addNewToPersonal = true;
    if (old.find(kInactiveOpener) != std::string::npos) {
        addNewToPersonal
            = prompt.question(updatetexts::kErrorTitle, updatetexts::kNewStationsQuestion)
            == PromptAnswer::Yes;
    }
    if (!RebuildIndex(htmlDir))
        return false;
    if (addNewToPersonal)
        return true;
    const std::string rebuilt = ReadTextFile(indexPath);
    const std::string text = keepNewStationsOut(rebuilt, old);
    return text == rebuilt || WriteTextFile(indexPath, text);
}
