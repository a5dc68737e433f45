#include "common/stationindex.h"

#include <algorithm>
#include <unordered_map>

#include "common/cp1252.h"
#include "common/indexmarkers.h"
#include "common/pagemarkers.h"
#include "common/pagename.h"
#include "common/textfile.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Removal looks the RealPlayer link up with the parameter's name in front,
// after the Windows Media link was not found.
constexpr std::string_view kRemovalRealPlayerLinkStart = "name=\"src\" value=\"";

bool startsAt(std::string_view text, std::size_t pos, std::string_view what)
{
    return pos <= text.size() && text.substr(pos, what.size()) == what;
}

// A line is inactive when the four characters before its option opener are
// the comment opener.
bool commentedAt(std::string_view text, std::size_t lineStart)
{
    return lineStart >= kCommentOpener.size()
        && startsAt(text, lineStart - kCommentOpener.size(), kCommentOpener);
}

// Forward search for one needle from positions that never decrease. The last
// answer is kept while it still lies ahead, so a walk over a malformed text
// (a marker missing for many lines) stays a single pass per needle.
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view needle)
        : m_text(text)
        , m_needle(needle)
    {
    }

    std::size_t from(std::size_t pos)
    {
        if (!m_searched || pos < m_from || (m_hit != npos && m_hit < pos)) {
            m_hit = m_text.find(m_needle, pos);
            m_searched = true;
        }
        m_from = pos;
        return m_hit;
    }

private:
    std::string_view m_text;
    std::string_view m_needle;
    std::size_t m_from = 0;
    std::size_t m_hit = npos;
    bool m_searched = false;
};

struct LineView {
    std::size_t optionStart;
    std::string_view name;
    std::string_view pageFile;
    bool active;
};

// Walks the station lines as the listing reads them: the first option opener
// (the placeholder) is skipped, then each following opener starts a line
// whose name runs from the value closer to the option closer and whose file
// is the first quoted text after the opener. visit returns false to stop.
template <typename Visit> void walkStationLines(std::string_view text, Visit visit)
{
    std::size_t cursor = text.find(kOptionOpener);
    if (cursor == npos)
        return;
    cursor += kOptionOpener.size();
    ForwardFinder valueCloser(text, kValueCloser);
    ForwardFinder optionCloser(text, kOptionCloser);
    ForwardFinder fileStart(text, "\"");
    ForwardFinder fileEnd(text, "\"");
    for (;;) {
        const std::size_t p = text.find(kOptionOpener, cursor);
        if (p == npos)
            return;
        const std::size_t q = valueCloser.from(p);
        if (q == npos)
            return;
        const std::size_t r = optionCloser.from(q + 1);
        if (r == npos)
            return;
        // The opener holds no quote, so the value closer's own quote bounds
        // this search.
        const std::size_t a = fileStart.from(p + kOptionOpener.size());
        const std::size_t b = fileEnd.from(a + 1);
        const LineView line { p, text.substr(q + 2, r - q - 2),
            b == npos ? std::string_view() : text.substr(a + 1, b - a - 1), !commentedAt(text, p) };
        if (!visit(line))
            return;
        cursor = p + kOptionOpener.size();
    }
}

std::string htmlDirOf(const std::string& indexPath)
{
    const std::size_t slash = indexPath.find_last_of('/');
    return slash == std::string::npos ? std::string() : indexPath.substr(0, slash + 1);
}

// Applies the edits one name at a time on the text itself. Used when a name
// spans line markers (only a malformed index yields such names), where an
// edit of one line can change which later text matches.
void applyNameByName(std::string& text, const std::vector<std::string>& names,
    const std::function<bool(const std::string&)>& isPersonal)
{
    for (const std::string& name : names) {
        const std::string pattern = std::string(kValueCloser) + name + std::string(kOptionCloser);
        const std::size_t pos = text.find(pattern);
        if (pos == npos)
            continue;
        const std::size_t start = text.rfind(kOptionOpener, pos);
        if (start == npos)
            continue;
        const std::size_t closerEnd = pos + pattern.size();
        const bool commented = commentedAt(text, start);
        const bool personal = isPersonal(name);
        if (!commented && !personal) {
            text.insert(closerEnd, kCommentCloser);
            text.insert(start, kCommentOpener);
        } else if (commented && personal) {
            if (startsAt(text, closerEnd, kCommentCloser))
                text.erase(closerEnd, kCommentCloser.size());
            text.erase(start - kCommentOpener.size(), kCommentOpener.size());
        }
    }
}

// State of the comment opener before one line start, as the edits leave it:
// `stacked` openers stood right before it in the file, the nearest `removed`
// of them are gone, and `inserted` tells whether a new one stands there.
struct OpenerState {
    std::size_t stacked = 0;
    std::size_t removed = 0;
    bool inserted = false;
    bool commented() const { return inserted || stacked > removed; }
};

// State of the comment closers right after one option closer: `inserted`
// new ones come first, then the `stacked` ones of the file minus the first
// `removed`.
struct CloserState {
    std::size_t stacked = 0;
    std::size_t removed = 0;
    std::size_t inserted = 0;
};

} // namespace

std::string IndexPath(const std::string& htmlDir)
{
    return htmlDir + "haut.htm";
}

std::string IndexHeader()
{
    return "<HTML>\r\n"
           "<HEAD>\r\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\">\r\n"
           "<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"haut.css\">\r\n"
           "</HEAD>\r\n"
           "\r\n"
           "<BODY oncontextmenu=\"return false\" onselectstart=\"return false\">\r\n"
           "<TABLE WIDTH=\"100%\" HEIGHT=\"100%\">\r\n"
           "<TR><TD ALIGN='center' VALIGN='middle'>\r\n"
           "<form name=\"loc\">\r\n"
           "<select name=\"select\" size=\"1\" "
           "onChange=\"parent.frames['live'].window.location="
           "this.options[this.selectedIndex].value\">\r\n"
           "<option value=\"bienvenue.htm\">--S\xE9"
           "lectionnez une radio--</option>\r\n";
}

std::string IndexFooter()
{
    return "</select><BR>\r\n"
           "</form>\r\n"
           "\r\n"
           "</TD></TR>\r\n"
           "</TABLE>\r\n"
           "\r\n"
           "</BODY>\r\n"
           "</HTML>\r\n";
}

std::string EmptyIndexText()
{
    return IndexHeader() + IndexFooter();
}

std::vector<StationEntry> ListStations(std::string_view text)
{
    std::vector<StationEntry> stations;
    walkStationLines(text, [&](const LineView& line) {
        stations.push_back({ std::string(line.name), std::string(line.pageFile), line.active });
        return true;
    });
    return stations;
}

std::string FindPageFileByPrefix(std::string_view text, std::string_view name)
{
    const std::string pattern = std::string(kValueCloser) + std::string(name);
    const std::size_t pos = text.find(pattern);
    if (pos == npos)
        return kNotFound;
    const std::size_t quote = pos == 0 ? npos : text.rfind('"', pos - 1);
    const std::size_t start = quote == npos ? 0 : quote + 1;
    return std::string(text.substr(start, pos - start));
}

StationLine FindStationLine(std::string_view text, std::string_view name)
{
    StationLine line;
    std::string pattern(1, '>');
    pattern.append(name).push_back('<');
    const std::size_t pos = text.find(pattern);
    if (pos == npos)
        return line;
    const std::size_t start = text.rfind('<', pos);
    // Only a real station line counts: a degenerate name matching inside the
    // header must not make a caller cut the header away.
    if (start == npos || !startsAt(text, start, kOptionOpener))
        return line;
    const std::size_t closer = text.find(kOptionCloser, pos);
    if (closer == npos)
        return line;
    line.start = start;
    line.end = closer + kOptionCloser.size();
    line.pageFile
        = ExtractBetween(text.substr(start, line.end - start), kValueOpener, kValueCloser);
    line.found = true;
    return line;
}

int CompareStationNames(std::string_view a, std::string_view b)
{
    return cp1252::compareNoCase(a, b);
}

bool InsertStation(const std::string& indexPath, const std::string& name)
{
    std::string base = name;
    std::replace(base.begin(), base.end(), ' ', '_');
    return InsertStation(indexPath, name, base + ".htm");
}

bool InsertStation(
    const std::string& indexPath, const std::string& name, const std::string& pageFile)
{
    std::string text = ReadTextFile(indexPath);
    if (text.empty())
        return false;

    // Equal names do not stop the walk: a new name goes after them.
    std::size_t at = npos;
    walkStationLines(text, [&](const LineView& line) {
        if (CompareStationNames(line.name, name) <= 0)
            return true;
        at = line.active ? line.optionStart : line.optionStart - kCommentOpener.size();
        return false;
    });
    if (at == npos)
        at = text.find(kListCloser);
    if (at == npos)
        return false; // no list to add to: leave the file as it is

    text.insert(at,
        std::string(kValueOpener) + pageFile + std::string(kValueCloser) + name
            + std::string(kOptionCloser) + "\r\n");
    return WriteTextFile(indexPath, text);
}

RemovalResult RemoveStation(const std::string& indexPath, const std::string& name)
{
    RemovalResult result;
    std::string text = ReadTextFile(indexPath);
    if (text.empty())
        return result;
    const StationLine line = FindStationLine(text, name);
    // The placeholder is never a station, whatever its name.
    if (!line.found || line.start == text.find(kOptionOpener))
        return result;

    // The whole line goes, with its comment marks and its line end. It is cut
    // where it was found, so an identical earlier text stays.
    std::size_t start = line.start;
    std::size_t end = line.end;
    if (commentedAt(text, start)) {
        start -= kCommentOpener.size();
        if (startsAt(text, end, kCommentCloser))
            end += kCommentCloser.size();
    }
    if (startsAt(text, end, "\r\n"))
        end += 2;
    else if (startsAt(text, end, "\n"))
        end += 1;
    text.erase(start, end - start);
    if (!WriteTextFile(indexPath, text))
        return result;
    result.lineRemoved = true;

    // A page named outside the HTML directory is neither read nor deleted.
    const std::string htmlDir = htmlDirOf(indexPath);
    if (line.pageFile == kNotFound || !IsSafeRelativePath(line.pageFile))
        return result;
    const std::string pageFile = FileNameOnDisk(line.pageFile);
    const std::string pagePath = htmlDir + pageFile;
    const std::string page = ReadTextFile(pagePath);
    if (page.empty())
        return result;

    const std::string logo = ExtractBetween(page, kPageLogoStart, kPageLogoEnd);
    std::string link = ExtractBetween(page, kPageWindowsMediaLinkStart, kPageStreamLinkEnd);
    if (link == kNotFound)
        link = ExtractBetween(page, kRemovalRealPlayerLinkStart, kPageStreamLinkEnd);

    DeleteFile(pagePath);
    result.removed = true;

    // The files it named may be another station's too: every other page of
    // the folder is asked whether it shows that picture or plays that file.
    std::vector<std::pair<std::string, std::string>> others; // disk name, text
    const auto otherPages = [&]() -> const std::vector<std::pair<std::string, std::string>>& {
        if (others.empty()) {
            for (std::string& file : ListRegularFiles(htmlDir)) {
                if (file != pageFile && file != "haut.htm")
                    others.emplace_back(file, ReadTextFile(htmlDir + file));
            }
        }
        return others;
    };
    const auto namedElsewhere = [&](const std::string& value, auto extract) -> std::string {
        for (const auto& [file, other] : otherPages()) {
            if (extract(other) == value)
                return file;
        }
        return {};
    };

    if (logo != kNotFound && !logo.empty()) {
        const std::string logoFile = "logo/" + FileNameOnDisk(logo);
        std::string other;
        if (logo == kDefaultLogoFile) {
            result.kept.push_back({ logoFile, RemovalResult::Reason::DefaultLogo, {} });
        } else if (!(other = namedElsewhere(logo, [](const std::string& t) {
                       return ExtractBetween(t, kPageLogoStart, kPageLogoEnd);
                   })).empty()) {
            result.kept.push_back({ logoFile, RemovalResult::Reason::NamedByAnotherPage, other });
        } else if (IsSafeRelativePath(logoFile)) {
            DeleteFile(htmlDir + logoFile);
        }
    }
    // A playlist file beside the pages goes with the station; an address
    // names no file here.
    if (link != kNotFound && IsSafeRelativePath(link)) {
        const std::string linkFile = FileNameOnDisk(link);
        if (FileExists(htmlDir + linkFile)) {
            const std::string other = namedElsewhere(link, [](const std::string& t) {
                const std::string own
                    = ExtractBetween(t, kPageWindowsMediaLinkStart, kPageStreamLinkEnd);
                return own != kNotFound
                    ? own
                    : ExtractBetween(t, kRemovalRealPlayerLinkStart, kPageStreamLinkEnd);
            });
            if (other.empty())
                DeleteFile(htmlDir + linkFile);
            else
                result.kept.push_back(
                    { linkFile, RemovalResult::Reason::NamedByAnotherPage, other });
        }
    }
    return result;
}

std::string ApplyPersonalListText(std::string_view text,
    const std::vector<std::string>& completeNames,
    const std::function<bool(const std::string&)>& isPersonal)
{
    // A line's name is the text between a value closer and the next option
    // closer. As long as no name holds an option opener or closer, commenting
    // lines in and out never changes which value closer is the first one
    // followed by a given name, nor which opener starts its line, so every
    // position can be taken from the original text in one pass.
    const bool spansLines
        = std::any_of(completeNames.begin(), completeNames.end(), [](const std::string& name) {
              return name.find(kOptionOpener) != npos || name.find(kOptionCloser) != npos;
          });
    if (spansLines) {
        std::string edited(text);
        applyNameByName(edited, completeNames, isPersonal);
        return edited;
    }

    std::unordered_map<std::string_view, std::size_t> firstAt;
    firstAt.reserve(completeNames.size());
    std::size_t longest = 0;
    for (const std::string& name : completeNames) {
        firstAt.emplace(name, npos);
        longest = std::max(longest, name.size());
    }

    std::vector<std::size_t> openers;
    for (std::size_t p = text.find(kOptionOpener); p != npos;
         p = text.find(kOptionOpener, p + kOptionOpener.size()))
        openers.push_back(p);
    std::vector<std::size_t> closers;
    for (std::size_t p = text.find(kOptionCloser); p != npos;
         p = text.find(kOptionCloser, p + kOptionCloser.size()))
        closers.push_back(p);

    // The first value closer followed by each name and an option closer.
    auto nextCloser = closers.begin();
    for (std::size_t q = text.find(kValueCloser); q != npos; q = text.find(kValueCloser, q + 2)) {
        while (nextCloser != closers.end() && *nextCloser < q + 2)
            ++nextCloser;
        if (nextCloser == closers.end())
            break;
        if (*nextCloser - (q + 2) > longest)
            continue;
        const auto it = firstAt.find(text.substr(q + 2, *nextCloser - q - 2));
        if (it != firstAt.end() && it->second == npos)
            it->second = q;
    }

    // Edit states of the lines touched, by index in openers and closers.
    std::vector<OpenerState> openerStates(openers.size());
    std::vector<CloserState> closerStates(closers.size());
    std::vector<bool> openerTouched(openers.size());
    std::vector<bool> closerTouched(closers.size());
    for (const std::string& name : completeNames) {
        const std::size_t q = firstAt.find(name)->second;
        if (q == npos)
            continue;
        const auto after = std::upper_bound(openers.begin(), openers.end(), q);
        if (after == openers.begin())
            continue;
        const std::size_t lineIndex = static_cast<std::size_t>(after - openers.begin()) - 1;
        const std::size_t start = openers[lineIndex];
        const std::size_t closerStart = q + kValueCloser.size() + name.size();
        const std::size_t closerIndex = static_cast<std::size_t>(
            std::lower_bound(closers.begin(), closers.end(), closerStart) - closers.begin());
        const std::size_t closerEnd = closerStart + kOptionCloser.size();

        OpenerState& opener = openerStates[lineIndex];
        if (!openerTouched[lineIndex]) {
            openerTouched[lineIndex] = true;
            while (start >= (opener.stacked + 1) * kCommentOpener.size()
                && startsAt(
                    text, start - (opener.stacked + 1) * kCommentOpener.size(), kCommentOpener))
                ++opener.stacked;
        }
        CloserState& closer = closerStates[closerIndex];
        if (!closerTouched[closerIndex]) {
            closerTouched[closerIndex] = true;
            while (
                startsAt(text, closerEnd + closer.stacked * kCommentCloser.size(), kCommentCloser))
                ++closer.stacked;
        }

        const bool commented = opener.commented();
        const bool personal = isPersonal(name);
        if (!commented && !personal) {
            opener.inserted = true;
            ++closer.inserted;
        } else if (commented && personal) {
            if (opener.inserted)
                opener.inserted = false;
            else
                ++opener.removed;
            if (closer.inserted > 0)
                --closer.inserted;
            else if (closer.stacked > closer.removed)
                ++closer.removed;
        }
    }

    // Rebuild the text in one pass, merging both kinds of edits by position.
    // An opener edit skips the removed comment openers and writes a new one
    // before the option opener; a closer edit writes the new comment closers
    // right after the option closer and skips the removed ones. Where both
    // fall on one position the closer goes first: it ends the previous line.
    std::string out;
    out.reserve(text.size() + completeNames.size() * kCommentOpener.size());
    std::size_t copied = 0;
    std::size_t o = 0;
    std::size_t c = 0;
    const auto openerEditAt = [&](std::size_t i) {
        return openers[i] - openerStates[i].removed * kCommentOpener.size();
    };
    const auto closerEditAt = [&](std::size_t i) { return closers[i] + kOptionCloser.size(); };
    for (;;) {
        while (o < openers.size() && !openerTouched[o])
            ++o;
        while (c < closers.size() && !closerTouched[c])
            ++c;
        const bool haveOpener = o < openers.size();
        const bool haveCloser = c < closers.size();
        if (!haveOpener && !haveCloser)
            break;
        if (haveCloser && (!haveOpener || closerEditAt(c) <= openerEditAt(o))) {
            const std::size_t at = closerEditAt(c);
            out.append(text.substr(copied, at - copied));
            for (std::size_t i = 0; i < closerStates[c].inserted; ++i)
                out += kCommentCloser;
            copied = at + closerStates[c].removed * kCommentCloser.size();
            ++c;
        } else {
            const std::size_t at = openerEditAt(o);
            out.append(text.substr(copied, at - copied));
            copied = openers[o];
            if (openerStates[o].inserted)
                out += kCommentOpener;
            ++o;
        }
    }
    out.append(text.substr(copied));
    return out;
}

bool ApplyPersonalList(const std::string& indexPath, const std::vector<std::string>& completeNames,
    const std::function<bool(const std::string&)>& isPersonal)
{
    const std::string text = ReadTextFile(indexPath);
    if (text.empty())
        return false;
    return WriteTextFile(indexPath, ApplyPersonalListText(text, completeNames, isPersonal));
}

bool IsSafeRelativePath(std::string_view path)
{
    if (path.empty() || path.find('\0') != npos || path.front() == '/' || path.front() == '\\')
        return false;
    if (path.find("://") != npos)
        return false;
    // "mms:...", "http:...", and drive letters such as "C:".
    const std::size_t colon = path.find(':');
    if (colon != npos) {
        const std::string_view scheme = path.substr(0, colon);
        const auto schemeChar = [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '+' || c == '-' || c == '.';
        };
        if (!scheme.empty() && std::all_of(scheme.begin(), scheme.end(), schemeChar))
            return false;
    }
    std::size_t begin = 0;
    for (;;) {
        const std::size_t sep = path.find_first_of("/\\", begin);
        const std::string_view part
            = path.substr(begin, sep == npos ? std::string_view::npos : sep - begin);
        if (part == "..")
            return false;
        if (sep == npos)
            return true;
        begin = sep + 1;
    }
}
