#include "common/stationindex.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/cp1252.h"
#include "common/textfile.h"
#include "support/referenceindex.h"
#include "support/testsupport.h"

namespace {

using testsupport::ActiveLine;
using testsupport::InactiveLine;
using testsupport::TempDir;

std::string indexOf(const std::vector<std::string>& lines)
{
    std::string text = IndexHeader();
    for (const auto& line : lines)
        text += line;
    return text + IndexFooter();
}

// isPersonal as the editor answers it: some personal entry begins with the
// name, letter case aside.
std::function<bool(const std::string&)> personalList(std::vector<std::string> names)
{
    for (auto& name : names)
        name = cp1252::lower(name);
    std::sort(names.begin(), names.end());
    return [names](const std::string& name) {
        const std::string key = cp1252::lower(name);
        const auto it = std::lower_bound(names.begin(), names.end(), key);
        return it != names.end() && it->compare(0, key.size(), key) == 0;
    };
}

TEST(StationIndexTest, listsEveryStationLineButThePlaceholder)
{
    struct Case {
        const char* what;
        std::string text;
        std::vector<StationEntry> expected;
    };
    const std::vector<Case> cases = {
        { "header and footer only", EmptyIndexText(), {} },
        { "empty text", "", {} },
        { "active and inactive lines",
            indexOf({ ActiveLine("Europe_2.htm", "Europe 2"), InactiveLine("fip.htm", "FIP"),
                ActiveLine("\xC9t\xE9.htm", "\xC9t\xE9") }),
            { { "Europe 2", "Europe_2.htm", true }, { "FIP", "fip.htm", false },
                { "\xC9t\xE9", "\xC9t\xE9.htm", true } } },
        { "a line without its closer ends the list",
            indexOf({ ActiveLine("a.htm", "A"), "<option value=\"b.htm\">B\r\n" }),
            { { "A", "a.htm", true } } },
    };
    for (const auto& c : cases) {
        const auto got = ListStations(c.text);
        ASSERT_EQ(got.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].name, c.expected[i].name) << c.what;
            EXPECT_EQ(got[i].pageFile, c.expected[i].pageFile) << c.what;
            EXPECT_EQ(got[i].active, c.expected[i].active) << c.what;
        }
    }
}

TEST(StationIndexTest, looksNamesUpByPrefixAndByWholeName)
{
    const std::string text = indexOf({ ActiveLine("bleue_alsace.htm", "Radio Bleue Alsace"),
        InactiveLine("bleue.htm", "Radio Bleue"), ActiveLine("nova.htm", "Nova") });
    EXPECT_EQ(FindPageFileByPrefix(text, "Radio Bleue"), "bleue_alsace.htm");
    EXPECT_EQ(FindPageFileByPrefix(text, "Nova"), "nova.htm");
    EXPECT_EQ(FindPageFileByPrefix(text, "nova"), kNotFound);
    EXPECT_EQ(FindPageFileByPrefix(text, "Skyrock"), kNotFound);

    const StationLine bleue = FindStationLine(text, "Radio Bleue");
    ASSERT_TRUE(bleue.found);
    EXPECT_EQ(bleue.pageFile, "bleue.htm");
    EXPECT_EQ(text.substr(bleue.start, bleue.end - bleue.start),
        "<option value=\"bleue.htm\">Radio Bleue</option>");
    EXPECT_FALSE(FindStationLine(text, "Radio").found);
    EXPECT_FALSE(FindStationLine(text, "").found);
}

TEST(StationIndexTest, insertsInNameOrder)
{
    struct Case {
        const char* what;
        std::vector<std::string> before;
        std::string name;
        std::vector<std::string> after;
    };
    const std::vector<Case> cases = {
        { "into an empty list, before the list closer", {}, "Nova",
            { ActiveLine("Nova.htm", "Nova") } },
        { "before an inactive line's comment opener", { InactiveLine("z.htm", "Zen") }, "Fun Radio",
            { ActiveLine("Fun_Radio.htm", "Fun Radio"), InactiveLine("z.htm", "Zen") } },
        { "after a name equal apart from case",
            { ActiveLine("nova.htm", "NOVA"), ActiveLine("ou\xEF.htm", "Ou\xEF FM") }, "Nova",
            { ActiveLine("nova.htm", "NOVA"), ActiveLine("Nova.htm", "Nova"),
                ActiveLine("ou\xEF.htm", "Ou\xEF FM") } },
        { "accented letters after plain ones", { ActiveLine("z.htm", "Zen") }, "\xC9toile",
            { ActiveLine("z.htm", "Zen"), ActiveLine("\xC9toile.htm", "\xC9toile") } },
        { "a prefix before the longer name", { ActiveLine("rb.htm", "Radio Bleue") }, "Radio",
            { ActiveLine("Radio.htm", "Radio"), ActiveLine("rb.htm", "Radio Bleue") } },
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string index = IndexPath(dir.path());
        ASSERT_TRUE(WriteTextFile(index, indexOf(c.before)));
        EXPECT_TRUE(InsertStation(index, c.name)) << c.what;
        EXPECT_EQ(ReadTextFile(index), indexOf(c.after)) << c.what;
    }
}

TEST(StationIndexTest, operationsFailOnAMissingOrEmptyIndex)
{
    TempDir dir;
    const std::string missing = IndexPath(dir.path());
    EXPECT_FALSE(InsertStation(missing, "Nova"));
    EXPECT_FALSE(RemoveStation(missing, "Nova"));
    EXPECT_FALSE(ApplyPersonalList(missing, { "Nova" }, [](const std::string&) { return true; }));
    EXPECT_FALSE(FileExists(missing));

    ASSERT_TRUE(WriteTextFile(missing, ""));
    EXPECT_FALSE(InsertStation(missing, "Nova"));
    EXPECT_EQ(ReadTextFile(missing), "");

    // Without a list closer there is nowhere to add a last station.
    const std::string noCloser = IndexHeader() + ActiveLine("a.htm", "A");
    ASSERT_TRUE(WriteTextFile(missing, noCloser));
    EXPECT_FALSE(InsertStation(missing, "Zen"));
    EXPECT_EQ(ReadTextFile(missing), noCloser);
}

struct RemovalFixture {
    TempDir dir;
    std::string html;
    std::string index;

    RemovalFixture()
    {
        html = dir.path() + "html/";
        std::filesystem::create_directories(html + "logo");
        index = IndexPath(html);
    }
    void write(const std::string& relative, const std::string& text = "x")
    {
        std::filesystem::create_directories(
            std::filesystem::path(dir.path() + relative).parent_path());
        ASSERT_TRUE(WriteTextFile(dir.path() + relative, text));
    }
    bool exists(const std::string& relative) const { return FileExists(dir.path() + relative); }
};

std::string pageWith(const std::string& logo, const std::string& linkParam)
{
    return "<html><font name=\"titre\">T</font>\r\n<IMG SRC=\"logo/" + logo
        + "\" BORDER=0 WIDTH=66 HEIGHT=50>\r\n" + linkParam + "\r\n</html>\r\n";
}

TEST(StationIndexTest, removesAnInactiveStationWithItsFiles)
{
    RemovalFixture f;
    const std::string keep1 = ActiveLine("nova.htm", "Nova");
    const std::string keep2 = ActiveLine("zen.htm", "Zen");
    f.write("html/haut.htm", indexOf({ keep1, InactiveLine("fip.htm", "FIP"), keep2 }));
    f.write("html/fip.htm", pageWith("fip.jpg", "<PARAM NAME=\"FileName\" VALUE=\"fip.asx\">"));
    f.write("html/logo/fip.jpg");
    f.write("html/fip.asx");
    f.write("html/nova.htm");

    EXPECT_TRUE(RemoveStation(f.index, "FIP"));
    EXPECT_EQ(ReadTextFile(f.index), indexOf({ keep1, keep2 }));
    EXPECT_FALSE(f.exists("html/fip.htm"));
    EXPECT_FALSE(f.exists("html/logo/fip.jpg"));
    EXPECT_FALSE(f.exists("html/fip.asx"));
    EXPECT_TRUE(f.exists("html/nova.htm"));

    EXPECT_FALSE(RemoveStation(f.index, "FIP"));
    EXPECT_EQ(ReadTextFile(f.index), indexOf({ keep1, keep2 }));
}

TEST(StationIndexTest, removalKeepsAddressesAndFilesOutsideTheDirectory)
{
    struct Case {
        const char* what;
        std::string page;
        std::vector<std::string> survivors;
    };
    const std::vector<Case> cases = {
        { "address in the RealPlayer link",
            pageWith("s.jpg", "<param name=\"src\" value=\"mms:stream.asx\">"),
            { "html/mms:stream.asx" } },
        { "web address", pageWith("s.jpg", "<param name=\"filename\" value=\"http://h/s.pls\">"),
            { "html/http:/h/s.pls" } },
        { "logo and link climbing out",
            pageWith("../outside.jpg", "<param name=\"filename\" value=\"../../outside.pls\">"),
            { "html/outside.jpg", "outside.pls" } },
    };
    for (const auto& c : cases) {
        RemovalFixture f;
        f.write("html/haut.htm", indexOf({ ActiveLine("s.htm", "S") }));
        f.write("html/s.htm", c.page);
        f.write("html/logo/s.jpg");
        for (const auto& survivor : c.survivors)
            f.write(survivor);
        EXPECT_TRUE(RemoveStation(f.index, "S")) << c.what;
        EXPECT_EQ(ReadTextFile(f.index), EmptyIndexText()) << c.what;
        EXPECT_FALSE(f.exists("html/s.htm")) << c.what;
        for (const auto& survivor : c.survivors)
            EXPECT_TRUE(f.exists(survivor)) << c.what << ": " << survivor;
    }

    // A page named outside the directory is neither read nor deleted.
    RemovalFixture f;
    f.write("html/haut.htm", indexOf({ ActiveLine("../page.htm", "S") }));
    f.write("page.htm", pageWith("s.jpg", ""));
    f.write("html/logo/s.jpg");
    EXPECT_FALSE(RemoveStation(f.index, "S"));
    EXPECT_EQ(ReadTextFile(f.index), EmptyIndexText());
    EXPECT_TRUE(f.exists("page.htm"));
    EXPECT_TRUE(f.exists("html/logo/s.jpg"));
}

TEST(StationIndexTest, removalFindsAccentedFilesAndSaysWhatItKept)
{
    RemovalFixture f;
    // The index and the pages spell names in Windows-1252; the disk in UTF-8.
    f.write("html/haut.htm",
        indexOf({ ActiveLine("Caf\xE9.htm", "Caf\xE9"), ActiveLine("Ete.htm", "Ete"),
            ActiveLine("Nuit.htm", "Nuit") }));
    f.write("html/Caf\xC3\xA9.htm",
        pageWith("caf\xE9.jpg", "<param name=\"filename\" value=\"caf\xE9.pls\">"));
    f.write("html/logo/caf\xC3\xA9.jpg");
    f.write("html/caf\xC3\xA9.pls");
    f.write("html/Ete.htm", pageWith("sntlogo.jpg", "<param name=\"filename\" value=\"ete.m3u\">"));
    f.write("html/logo/sntlogo.jpg");
    f.write("html/ete.m3u");
    f.write("html/Nuit.htm", pageWith("sntlogo.jpg", "<param name=\"src\" value=\"ete.m3u\">"));

    const RemovalResult cafe = RemoveStation(f.index, "Caf\xE9");
    EXPECT_TRUE(cafe.removed);
    EXPECT_TRUE(cafe.kept.empty());
    for (const char* gone :
        { "html/Caf\xC3\xA9.htm", "html/logo/caf\xC3\xA9.jpg", "html/caf\xC3\xA9.pls" })
        EXPECT_FALSE(f.exists(gone)) << gone;

    const RemovalResult ete = RemoveStation(f.index, "Ete");
    EXPECT_TRUE(ete.removed);
    ASSERT_EQ(ete.kept.size(), 2u);
    EXPECT_EQ(ete.kept[0].file, "logo/sntlogo.jpg");
    EXPECT_EQ(ete.kept[0].reason, RemovalResult::Reason::DefaultLogo);
    EXPECT_EQ(ete.kept[1].file, "ete.m3u");
    EXPECT_EQ(ete.kept[1].reason, RemovalResult::Reason::NamedByAnotherPage);
    EXPECT_EQ(ete.kept[1].otherPage, "Nuit.htm");
    EXPECT_TRUE(f.exists("html/logo/sntlogo.jpg"));
    EXPECT_TRUE(f.exists("html/ete.m3u"));
    EXPECT_EQ(ReadTextFile(f.index), indexOf({ ActiveLine("Nuit.htm", "Nuit") }));
}

TEST(StationIndexTest, neverRemovesThePlaceholder)
{
    RemovalFixture f;
    f.write("html/haut.htm", EmptyIndexText());
    f.write("html/bienvenue.htm", pageWith("s.jpg", ""));
    EXPECT_FALSE(RemoveStation(f.index, "--S\xE9lectionnez une radio--"));
    EXPECT_EQ(ReadTextFile(f.index), EmptyIndexText());
    EXPECT_TRUE(f.exists("html/bienvenue.htm"));
}

TEST(StationIndexTest, appliesThePersonalList)
{
    TempDir dir;
    const std::string index = IndexPath(dir.path());
    ASSERT_TRUE(WriteTextFile(index,
        indexOf({ ActiveLine("fip.htm", "FIP"), InactiveLine("nova.htm", "Nova"),
            ActiveLine("rb.htm", "Radio Bleue"), InactiveLine("rba.htm", "Radio Bleue Alsace") })));
    // "Radio Bleue Alsace" in the personal list keeps "Radio Bleue" active.
    EXPECT_TRUE(ApplyPersonalList(index, { "FIP", "Nova", "Radio Bleue", "Radio Bleue Alsace" },
        personalList({ "nova", "Radio Bleue Alsace" })));
    EXPECT_EQ(ReadTextFile(index),
        indexOf({ InactiveLine("fip.htm", "FIP"), ActiveLine("nova.htm", "Nova"),
            ActiveLine("rb.htm", "Radio Bleue"), ActiveLine("rba.htm", "Radio Bleue Alsace") }));
}

// A catalogue with accents, prefix-related names, names listed twice and a
// mix of active and inactive lines.
std::string generatedIndex(std::mt19937& rng, std::vector<std::string>& names)
{
    const std::vector<std::string> words
        = { "Radio", "FM", "\xC9toile", "\xE9t\xE9", "Nova", "Sud", "Ouest", "Bleue",
              "Z\xE8"
              "bre",
              "Jazz" };
    for (int i = 0; i < 3000; ++i) {
        std::string name = words[rng() % words.size()];
        for (unsigned k = rng() % 3; k > 0; --k)
            name += " " + words[rng() % words.size()];
        if (rng() % 4 != 0)
            name += " " + std::to_string(rng() % 500);
        names.push_back(name);
    }
    std::stable_sort(names.begin(), names.end(),
        [](const auto& a, const auto& b) { return CompareStationNames(a, b) < 0; });
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string file = "p" + std::to_string(i) + ".htm";
        lines.push_back(rng() % 3 == 0 ? InactiveLine(file, names[i]) : ActiveLine(file, names[i]));
    }
    return indexOf(lines);
}

TEST(StationIndexTest, personalListMatchesTheNameByNameEditsOnALargeIndex)
{
    std::mt19937 rng(20240611);
    std::vector<std::string> names;
    const std::string text = generatedIndex(rng, names);

    std::vector<std::string> complete;
    for (const auto& station : ListStations(text))
        complete.push_back(station.name);
    ASSERT_EQ(complete.size(), names.size());
    complete.insert(complete.begin() + 100, { "Radio", "Absente", complete[7], "\xC9T\xC9" });
    std::shuffle(complete.begin() + 1000, complete.end(), rng);

    std::vector<std::string> personal;
    for (const auto& name : names)
        if (rng() % 2 == 0)
            personal.push_back(name.substr(0, name.size() - rng() % 3));

    TempDir dir;
    const std::string index = IndexPath(dir.path());
    ASSERT_TRUE(WriteTextFile(index, text));
    ASSERT_TRUE(ApplyPersonalList(index, complete, personalList(personal)));
    const std::string expected
        = testsupport::ReferenceApplyPersonalList(text, complete, personalList(personal));
    ASSERT_NE(expected, text);
    EXPECT_EQ(ReadTextFile(index), expected);
}

TEST(StationIndexTest, personalListMatchesTheNameByNameEditsOnMalformedText)
{
    // Short texts built from the markers themselves, so that lines run into
    // each other, comments stack up and names span several lines.
    const std::vector<std::string> pieces
        = { "<option value=", "\"", "\">", "</option>", "<!--", "-->", "\r\n", "a", "b", "A", "<",
              ">", "<option value=\"f\">a</option>", "<!--<option value=\"g\">b</option>-->" };
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (unsigned n = rng() % 24; n > 0; --n)
            text += pieces[rng() % pieces.size()];
        std::vector<std::string> names;
        for (const auto& station : ListStations(text))
            names.push_back(station.name);
        for (unsigned n = rng() % 4; n > 0; --n)
            names.push_back(std::string(1 + rng() % 2, "aAb"[rng() % 3]));
        std::shuffle(names.begin(), names.end(), rng);
        const unsigned seed = rng();
        const auto isPersonal = [seed](const std::string& name) {
            return (std::hash<std::string> {}(name) ^ seed) & 1;
        };
        ASSERT_EQ(ApplyPersonalListText(text, names, isPersonal),
            testsupport::ReferenceApplyPersonalList(text, names, isPersonal))
            << "text: " << text;
    }
}

TEST(StationIndexTest, tellsSafeRelativePaths)
{
    struct Case {
        std::string path;
        bool safe;
    };
    const std::vector<Case> cases = {
        { "fip.htm", true },
        { "logo/fip.jpg", true },
        { "a..b/c", true },
        { "", false },
        { "/etc/passwd", false },
        { "\\x.asx", false },
        { "../x.htm", false },
        { "logo/../x", false },
        { "a\\..\\x", false },
        { "..", false },
        { "mms:stream", false },
        { "http://h/x.pls", false },
        { "rtsp://h/x", false },
        { "C:\\x.asx", false },
        { "a/b:c.htm", true },
        { std::string("a\0b", 3), false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsSafeRelativePath(c.path), c.safe) << c.path;
}

} // namespace
