#include "common/profile.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/cp1252.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

struct ReadCase {
    const char* what;
    std::string text;
    std::string section;
    std::string key;
    std::string expected;
};

TEST(ProfileTest, readsValuesAsTheClassicCallDoes)
{
    const std::string fallback = "DEF";
    const std::vector<ReadCase> cases = {
        { "plain", "[S]\r\nk=v\r\n", "S", "k", "v" },
        { "names without case", "[SoNaLtO]\r\nHauteur=1\r\n", "sonalto", "HAUTEUR", "1" },
        { "accented names without case", "[E]\r\nMono/ST\xC9R\xC9O=True\r\n", "e",
            "Mono/St\xE9r\xE9o", "True" },
        { "blanks around everything", "  [ S ]\t\r\n\t k \v=  v w \t\r\n", "S", "k", "v w" },
        { "lone LF and no final break", "[S]\nk=v\nj=w", "S", "j", "w" },
        { "double quotes", "[S]\r\nk=\"  a b  \"\r\n", "S", "k", "  a b  " },
        { "single quotes", "[S]\r\nk='x'\r\n", "S", "k", "x" },
        { "unmatched quotes stay", "[S]\r\nk=\"x'\r\n", "S", "k", "\"x'" },
        { "a lone quote stays", "[S]\r\nk=\"\r\n", "S", "k", "\"" },
        { "equals sign inside the value", "[S]\r\nk=a=b\r\n", "S", "k", "a=b" },
        { "semicolon inside the value", "[S]\r\nk=;v\r\n", "S", "k", ";v" },
        { "Windows-1252 bytes kept", "[S]\r\nk=\xE9t\xE9 \x80\r\n", "S", "k", "\xE9t\xE9 \x80" },
        { "empty value is not missing", "[S]\r\nk=\r\n", "S", "k", "" },
        { "first of two equal keys", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1" },
        { "second section of a name ignored", "[S]\r\na=1\r\n[T]\r\n[s]\r\nb=2\r\n", "S", "b",
            fallback },
        { "key of the next section", "[S]\r\n[T]\r\nk=1\r\n", "S", "k", fallback },
        { "comment line", "[S]\r\n;k=1\r\n", "S", "k", fallback },
        { "comment asked for", "[S]\r\n;k=1\r\n", "S", ";k", fallback },
        { "key without equals sign", "[S]\r\nk\r\n", "S", "k", fallback },
        { "missing section", "[S]\r\nk=1\r\n", "T", "k", fallback },
        { "keys before any section", "k=1\r\n[S]\r\n", "S", "k", fallback },
        { "header without closing bracket", "[S\r\nk=1\r\n", "S", "k", "1" },
        { "header name ends at first bracket", "[S]x]\r\nk=1\r\n", "S", "k", "1" },
        { "spaces around asked names", "[S]\r\nk=v\r\n", "  S ", " k  ", "v" },
        { "empty section name", "[]\r\nk=v\r\n", "", "k", "v" },
        { "empty key asked for", "[S]\r\n=v\r\n", "S", "", fallback },
    };
    for (const ReadCase& c : cases) {
        const Profile ini(c.text);
        EXPECT_EQ(ini.get(c.section, c.key, fallback), c.expected) << c.what;
    }
}

TEST(ProfileTest, truncatesLikeAFixedBuffer)
{
    const std::string longValue(300, 'x');
    const Profile ini("[S]\r\nk=" + longValue + "\r\nq=\"abcdef\"\r\n");
    EXPECT_EQ(ini.get("S", "k"), std::string(259, 'x'));
    EXPECT_EQ(ini.get("S", "k", {}, 1000), longValue);
    EXPECT_EQ(ini.get("S", "q", {}, 3), "abc");
    EXPECT_EQ(ini.get("S", "missing", "fallback", 4), "fall");
    EXPECT_EQ(ini.get("S", "k", {}, 0), "");
}

struct Write {
    std::string section;
    std::string key;
    std::string value;
};

struct WriteCase {
    const char* what;
    std::string before;
    std::vector<Write> writes;
    std::string after;
};

TEST(ProfileTest, writesKeysAsTheClassicCallDoes)
{
    const std::vector<WriteCase> cases = {
        { "new file", "", { { "S", "k", "v" } }, "[S]\r\nk=v\r\n" },
        { "new keys in the order written", "[S]\r\nb=value\r\na=value\r\n",
            { { "S", "z", "" }, { "S", "b", "" }, { "S", "y", "" }, { "S", "a", "" } },
            "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n" },
        { "existing key keeps its spelling and place", "[S]\r\n  Path REC = old \r\nx=1\r\n",
            { { "S", "Path Rec", "new" } }, "[S]\r\nPath REC=new\r\nx=1\r\n" },
        { "LF line ends stay LF", "[S]\nk=1\nj=2\n", { { "S", "k", "3" } }, "[S]\nk=3\nj=2\n" },
        { "last line without break", "[S]\r\nk=1", { { "S", "k", "22" } }, "[S]\r\nk=22" },
        { "new key after the last key, before blank lines", "[A]\r\na=1\r\n\r\n[B]\r\nb=1\r\n",
            { { "A", "c", "2" } }, "[A]\r\na=1\r\nc=2\r\n\r\n[B]\r\nb=1\r\n" },
        { "new key into an empty section", "[A]\r\n[B]\r\n", { { "A", "k", "v" } },
            "[A]\r\nk=v\r\n[B]\r\n" },
        { "new key after a header that ends the file", "[A]", { { "A", "k", "v" } },
            "[A]\r\nk=v\r\n" },
        { "new key into a last section without break", "[A]\r\na=1", { { "A", "c", "2" } },
            "[A]\r\na=1\r\nc=2\r\n" },
        { "new section after a last line without break", "[A]\r\na=1", { { "B", "b", "2" } },
            "[A]\r\na=1\r\n[B]\r\nb=2\r\n" },
        { "section keeps its spelling", "[Sonalto]\r\n", { { "SONALTO", "k", "v" } },
            "[Sonalto]\r\nk=v\r\n" },
        { "names lose spaces, values do not", "", { { " S ", " k ", " v " } }, "[S]\r\nk= v \r\n" },
        { "a value ends at its first line break", "", { { "S", "k", "one\r\n[Evil]\r\nx=1" } },
            "[S]\r\nk=one\r\n" },
        { "a comment is not the key", "[S]\r\n;k=1\r\n", { { "S", "k", "2" } },
            "[S]\r\n;k=1\r\nk=2\r\n" },
        { "new key after a closing comment, before blank lines",
            "[A]\r\na=1\r\n; about B\r\n\r\n[B]\r\n", { { "A", "c", "2" } },
            "[A]\r\na=1\r\n; about B\r\nc=2\r\n\r\n[B]\r\n" },
        { "neighbours and comments kept byte for byte",
            "; head\r\n[S]\r\n; note \xE9\r\nk = 1 ; not a comment\r\n  other=2\t\r\n",
            { { "S", "k", "5" } }, "; head\r\n[S]\r\n; note \xE9\r\nk=5\r\n  other=2\t\r\n" },
        { "a line without equals sign is no key", "[S]\r\nk\r\n", { { "S", "K", "v" } },
            "[S]\r\nk\r\nK=v\r\n" },
        { "only the first of two equal keys changes", "[S]\r\nk=1\r\nk=2\r\n",
            { { "S", "k", "3" } }, "[S]\r\nk=3\r\nk=2\r\n" },
        { "an empty key writes nothing", "[S]\r\n", { { "S", "  ", "v" } }, "[S]\r\n" },
    };
    for (const WriteCase& c : cases) {
        Profile ini(c.before);
        for (const Write& w : c.writes)
            ini.set(w.section, w.key, w.value);
        EXPECT_EQ(ini.text(), c.after) << c.what;
    }
}

TEST(ProfileTest, removesKeysAndSections)
{
    Profile keys("[S]\r\nk=1\r\nj=2\r\nK=3\r\n[T]\r\nk=4\r\n");
    keys.removeKey("s", "k");
    EXPECT_EQ(keys.text(), "[S]\r\nj=2\r\n[T]\r\nk=4\r\n");
    keys.removeKey("S", "absent");
    keys.removeKey("Absent", "j");
    EXPECT_EQ(keys.text(), "[S]\r\nj=2\r\n[T]\r\nk=4\r\n");

    // Every section of the name goes; its comments and blank lines stay.
    Profile sections("[A]\r\n; note\r\na=1\r\n\r\n[B]\r\nb=1\r\n[a]\r\nc=2");
    sections.removeSection("A");
    EXPECT_EQ(sections.text(), "; note\r\n\r\n[B]\r\nb=1\r\n");
    EXPECT_FALSE(sections.hasSection("a"));
    sections.removeSection("Absent");
    EXPECT_EQ(sections.text(), "; note\r\n\r\n[B]\r\nb=1\r\n");
}

TEST(ProfileTest, listsSectionsAndKeysInFileOrder)
{
    const Profile ini("top=1\r\n[B]\r\nz=1\r\n; c=2\r\n\r\nbare\r\n=orphan\r\nZ=3\r\n[A]\r\n"
                      "a=1\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(ini.sections(), (std::vector<std::string> { "B", "A", "b" }));
    EXPECT_EQ(ini.keys("b"), (std::vector<std::string> { "z", "Z" }));
    EXPECT_EQ(ini.keys("A"), (std::vector<std::string> { "a" }));
    EXPECT_TRUE(ini.keys("C").empty());
    EXPECT_TRUE(ini.hasSection(" a "));
    EXPECT_FALSE(ini.hasSection("C"));
    // Lines without '=', comments and keys before the first section are no
    // keys.
    EXPECT_FALSE(ini.hasKey("B", "bare"));
    EXPECT_TRUE(ini.hasKey("B", "Z"));
    EXPECT_FALSE(ini.hasKey("B", "; c"));
    EXPECT_FALSE(ini.hasKey("B", "top"));
    EXPECT_FALSE(ini.hasKey("B", "y"));
}

TEST(ProfileTest, loadsAndSavesTheFileByteForByte)
{
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string path = dir.path() + "Sonalto.ini";
    const std::string original = "; r\xE9glages\r\n[Sonalto]\r\nNom apparence=Skin \xC9t\xE9\r\n"
                                 "Autre=1\n\r\n[Favoris]\r\n";
    ASSERT_TRUE(WriteTextFile(path, original));

    Profile ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_EQ(ini.text(), original);
    EXPECT_EQ(ini.get("SONALTO", "nom APPARENCE"), "Skin \xC9t\xE9");
    ini.set("Sonalto", "Autre", "2");
    ini.set("Favoris", "FavorisName0", "Fip");
    ASSERT_TRUE(ini.save(path));
    EXPECT_EQ(ReadTextFile(path),
        "; r\xE9glages\r\n[Sonalto]\r\nNom apparence=Skin \xC9t\xE9\r\n"
        "Autre=2\n\r\n[Favoris]\r\nFavorisName0=Fip\r\n");

    ASSERT_TRUE(WriteTextFile(dir.path() + "empty.ini", ""));
    EXPECT_TRUE(ini.load(dir.path() + "empty.ini"));
    EXPECT_EQ(ini.text(), "");

    // Missing files, directories and unwritable places.
    Profile other("[S]\r\nk=v\r\n");
    EXPECT_FALSE(other.load(dir.path() + "absent.ini"));
    EXPECT_EQ(other.text(), "");
    EXPECT_FALSE(other.load(dir.path()));
    EXPECT_FALSE(Profile("[S]\r\n").save(dir.path() + "no/such/dir.ini"));
}

// Random writes and removals checked against a plain map: every value read
// back must be the last one written, whatever the edits around it did to
// the offsets of the other lines.
TEST(ProfileTest, randomEditsReadBackAsAModel)
{
    std::mt19937 random(20240517);
    const std::vector<std::string> sectionNames = { "Sonalto", "Favoris", "\xC9t\xE9", "x" };
    const std::vector<std::string> keyNames = { "Hauteur", "Path Rec", "a", "Mono/St\xE9r\xE9o" };
    auto pick = [&](const std::vector<std::string>& names) {
        std::string name = names[random() % names.size()];
        if (random() % 2)
            name = random() % 2 ? cp1252::lower(name) : std::string(" ") + name + " ";
        return name;
    };
    auto canonical = [](const std::string& name) {
        std::string trimmed = name;
        while (!trimmed.empty() && trimmed.front() == ' ')
            trimmed.erase(0, 1);
        while (!trimmed.empty() && trimmed.back() == ' ')
            trimmed.pop_back();
        return cp1252::lower(trimmed);
    };

    for (int round = 0; round < 50; ++round) {
        // Some rounds start from a hand-edited file: LF ends, no final break.
        Profile ini(round % 3 == 0 ? "[x]\na = 1\n; c\n\n[Other]\nq=2" : "");
        std::map<std::pair<std::string, std::string>, std::string> model;
        if (round % 3 == 0)
            model[{ "x", "a" }] = "1";
        for (int step = 0; step < 60; ++step) {
            const std::string section = pick(sectionNames);
            const std::string key = pick(keyNames);
            const int op = static_cast<int>(random() % 10);
            if (op < 7) {
                const std::string value = "v" + std::to_string(random() % 1000);
                ini.set(section, key, value);
                model[{ canonical(section), canonical(key) }] = value;
            } else if (op < 9) {
                ini.removeKey(section, key);
                model.erase({ canonical(section), canonical(key) });
            } else {
                ini.removeSection(section);
                std::erase_if(model,
                    [&](const auto& entry) { return entry.first.first == canonical(section); });
            }
            for (const std::string& s : sectionNames)
                for (const std::string& k : keyNames) {
                    const auto found = model.find({ canonical(s), canonical(k) });
                    ASSERT_EQ(
                        ini.get(s, k, "<none>"), found == model.end() ? "<none>" : found->second)
                        << "round " << round << " step " << step << "\n"
                        << ini.text();
                }
            ASSERT_EQ(ini.get("Other", "q", "<gone>"), round % 3 == 0 ? "2" : "<gone>");
        }
    }
}

} // namespace
