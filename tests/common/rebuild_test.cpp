#include "common/rebuild.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "common/cp1252.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "support/referenceindex.h"
#include "support/testsupport.h"

namespace {

using testsupport::ActiveLine;
using testsupport::InactiveLine;
using testsupport::TempDir;

std::string page(const std::string& title)
{
    return "<html>\r\n<font name=\"titre\">" + title + "</font>\r\n"
        + "<param name=\"filename\" value=\"mms://s\">\r\n</html>\r\n";
}

// The rebuild as described step by step: the listing order given, insertion
// by a walk from the front, and a search of the whole previous index per file.
std::string literalRebuild(const std::string& dir, const std::vector<std::string>& listing)
{
    const std::string old = ReadTextFile(dir + "haut.htm");
    std::vector<std::string> table;
    for (const std::string& file : listing) {
        const std::string title
            = ExtractBetween(ReadTextFile(dir + file), "<font name=\"titre\">", "</font>");
        if (title == "Introuvable" || title == "!NomRadio!")
            continue;
        const std::string lowered = cp1252::lower(title);
        auto at = table.begin();
        while (at != table.end() && !(lowered < cp1252::lower(*at)))
            ++at;
        table.insert(at, title + '\t' + file);
    }
    std::string text = IndexHeader();
    for (const std::string& entry : table) {
        const std::size_t tab = entry.find('\t');
        const std::string title = entry.substr(0, tab);
        const std::string file = entry.substr(tab + 1);
        text += old.find("<!--<option value=\"" + file) != std::string::npos
            ? InactiveLine(file, title)
            : ActiveLine(file, title);
    }
    return text + IndexFooter();
}

// Plain write for the many generated pages, without the flush of WriteTextFile.
void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> sortedFiles(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RebuildTest, directoryWithoutStationPagesGivesHeaderAndFooterOnly)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.path() + "bienvenue.htm", "<html>Bienvenue</html>\r\n"));
    ASSERT_TRUE(WriteTextFile(dir.path() + "haut.css", "select { color: red }\r\n"));
    ASSERT_TRUE(WriteTextFile(dir.path() + "haut.htm", "old index\r\n"));

    ASSERT_TRUE(RebuildIndex(dir.path()));
    EXPECT_EQ(ReadTextFile(dir.path() + "haut.htm"), EmptyIndexText());
}

TEST(RebuildTest, ordersByTitleWhateverCaseAndKeepsOldStates)
{
    TempDir dir;
    const std::string d = dir.path();
    struct Page {
        std::string file, content;
    };
    const std::vector<Page> pages = {
        { "a_zebre.htm",
            page("Z\xE8"
                 "bre FM") },
        { "b_alpha.htm", page("alpha") },
        { "c_Beta.htm", page("B\xCAta") }, // capital accented letter
        { "d_beta2.htm", page("b\xEAta") }, // same title apart from case, listed later
        { "mediaplayer.htm", page("!NomRadio!") },
        { "realplayer.htm", page("!nomradio!") }, // not exactly the template title
        { "notitle.htm", "<html>no title</html>" },
        { "e_gamma.htm", page("Gamma") },
        { "e_gamma.htmx", page("Gamma X") },
    };
    for (const Page& p : pages)
        ASSERT_TRUE(WriteTextFile(d + p.file, p.content));
    std::filesystem::create_directory(d + "dir.htm");
    ASSERT_TRUE(WriteTextFile(d + "dir.htm/inner.htm", page("Inner")));

    // b_alpha and e_gamma.htm were taken out of the personal list; a_zebre was
    // active; e_gamma.htmx has no line of its own but starts like e_gamma.htm.
    const std::string old = IndexHeader() + InactiveLine("b_alpha.htm", "alpha")
        + ActiveLine("a_zebre.htm",
            "Z\xE8"
            "bre FM")
        + InactiveLine("e_gamma.htm", "Gamma") + IndexFooter();
    ASSERT_TRUE(WriteTextFile(d + "haut.htm", old));

    ASSERT_TRUE(RebuildIndex(d));
    const std::string expected = IndexHeader() + ActiveLine("realplayer.htm", "!nomradio!")
        + InactiveLine("b_alpha.htm", "alpha") + ActiveLine("d_beta2.htm", "b\xEAta")
        + ActiveLine("c_Beta.htm", "B\xCAta") + InactiveLine("e_gamma.htm", "Gamma")
        + ActiveLine("e_gamma.htmx", "Gamma X")
        + ActiveLine("a_zebre.htm",
            "Z\xE8"
            "bre FM")
        + IndexFooter();
    EXPECT_EQ(ReadTextFile(d + "haut.htm"), expected);
}

TEST(RebuildTest, inactivePrefixMarksLongerFileNamesToo)
{
    // "OLD holds the inactive opener followed by FILE": a line for
    // "jazz.htm.bak" also marks "jazz.htm", but not the reverse.
    TempDir dir;
    const std::string d = dir.path();
    ASSERT_TRUE(WriteTextFile(d + "jazz.htm", page("Jazz")));
    ASSERT_TRUE(WriteTextFile(d + "rock.htm.old", page("Rock")));
    const std::string old = IndexHeader() + InactiveLine("jazz.htm.bak", "Jazz")
        + InactiveLine("rock.htm", "Rock") + IndexFooter();
    ASSERT_TRUE(WriteTextFile(d + "haut.htm", old));

    ASSERT_TRUE(RebuildIndex(d));
    EXPECT_EQ(ReadTextFile(d + "haut.htm"),
        IndexHeader() + InactiveLine("jazz.htm", "Jazz") + ActiveLine("rock.htm.old", "Rock")
            + IndexFooter());
}

TEST(RebuildTest, leavesCurrentDirectoryAlone)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.path() + "nova.htm", page("Nova")));
    const auto before = std::filesystem::current_path();
    ASSERT_TRUE(RebuildIndex(dir.path()));
    EXPECT_EQ(std::filesystem::current_path(), before);
    EXPECT_EQ(ReadTextFile(dir.path() + "haut.htm"),
        IndexHeader() + ActiveLine("nova.htm", "Nova") + IndexFooter());
}

// Names as they come from a file manager, an update site or a killed write.
TEST(RebuildTest, listsEveryNameTheIndexCanCarryAndReportsTheOthers)
{
    TempDir dir;
    const std::string d = dir.path();
    writeFile(d + "Caf\xC3\xA9.htm", page("Caf\xE9")); // UTF-8 on disk
    writeFile(d + "Nova.htm", page("Nova"));
    writeFile(d + "\xCE\xA9mega.htm", page("Omega")); // no Windows-1252 form
    writeFile(d + "Caf\xE9-latin1.htm", page("Latin")); // not UTF-8
    // A write cut short, and another hidden page.
    writeFile(d + ".sonalto-write-4242-Ab12Cd", page("Nova"));
    writeFile(d + ".ancienne.htm", page("Ancienne"));

    std::vector<std::string> unnamed;
    ASSERT_TRUE(RebuildIndex(d, unnamed));
    EXPECT_EQ(ReadTextFile(d + "haut.htm"),
        IndexHeader() + ActiveLine("Caf\xE9.htm", "Caf\xE9") + ActiveLine("Nova.htm", "Nova")
            + IndexFooter());
    EXPECT_EQ(unnamed, (std::vector<std::string> { "Caf\xE9-latin1.htm", "\xCE\xA9mega.htm" }));
}

TEST(RebuildTest, failsWhenTheIndexCannotBeWritten)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.path() + "nova.htm", page("Nova")));
    std::filesystem::create_directories(dir.path() + "haut.htm/keep");
    EXPECT_FALSE(RebuildIndex(dir.path()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "haut.htm/keep"));
    EXPECT_FALSE(RebuildIndex(dir.path() + "missing/"));
}

// Many pages with colliding titles (case, accents, duplicates), file names
// that are prefixes of one another, and a previous index with inactive lines:
// the rebuild equals the literal algorithm run over the byte-sorted listing.
// The second round puts control bytes and TABs into some titles.
TEST(RebuildTest, matchesLiteralAlgorithmOnGeneratedPages)
{
    for (const bool controlBytes : { false, true }) {
        TempDir dir;
        const std::string d = dir.path();
        std::mt19937 rng(controlBytes ? 7 : 3);
        const std::vector<std::string> words = { "radio", "Radio", "RADIO", "\xE9t\xE9",
            "\xC9T\xC9", "fm", "FM ", "jazz", "Jazz", "z", "", "a" };
        const std::vector<std::string> bytes = { "\t", "\x01", " ", "\x08", "!" };

        std::string old = IndexHeader();
        for (int i = 0; i < 300; ++i) {
            std::string title = words[rng() % words.size()];
            for (unsigned k = rng() % 3; k > 0; --k)
                title += words[rng() % words.size()];
            if (controlBytes && rng() % 3 == 0)
                title.insert(rng() % (title.size() + 1), bytes[rng() % bytes.size()]);
            if (title.empty())
                title = "x";
            // "p7.htm" and "p7.htm.bak": one name is the start of the other.
            const std::string file = "p" + std::to_string(i / 2) + ".htm" + (i % 2 ? ".bak" : "");
            writeFile(d + file, page(title));
            const unsigned state = rng() % 4;
            if (state == 0)
                old += InactiveLine(file, title);
            else if (state == 1)
                old += ActiveLine(file, title);
            else if (state == 2)
                old += InactiveLine(file + "z", title); // a page that is gone
        }
        ASSERT_TRUE(WriteTextFile(d + "mediaplayer.htm", page("!NomRadio!")));
        old += IndexFooter();
        ASSERT_TRUE(WriteTextFile(d + "haut.htm", old));

        const std::string expected = literalRebuild(d, sortedFiles(d));
        ASSERT_TRUE(RebuildIndex(d));
        const std::string rebuilt = ReadTextFile(d + "haut.htm");
        EXPECT_EQ(rebuilt, expected) << "control bytes: " << controlBytes;
        EXPECT_GT(ListStations(rebuilt).size(), 150u);
    }
}

} // namespace
