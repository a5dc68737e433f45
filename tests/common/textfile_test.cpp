#include "common/textfile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/cp1252.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

// The names of every file and folder under dir, at any depth.
std::vector<std::string> Entries(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(TextFileTest, extractsBetweenMarkersWithoutRegardToCase)
{
    struct Case {
        const char* what;
        std::string source, start, end, expected;
    };
    const std::vector<Case> cases = {
        { "markers in another case", "<FONT NAME=\"Titre\">Nova</FONT>", "<font name=\"titre\">",
            "</font>", "Nova" },
        { "accented capitals match small letters",
            "D\xC9"
            "BUT[\xC9t\xE9]FIN",
            "d\xE9"
            "but[",
            "]fin", "\xC9t\xE9" },
        { "the first start marker wins", "<a>1</a><a>2</a>", "<A>", "</A>", "1" },
        { "end searched after the start marker", "x-->y<!--z-->", "<!--", "-->", "z" },
        { "empty between adjacent markers", "[]", "[", "]", "" },
        { "start absent", "<b>Nova</b>", "<i>", "</i>", kNotFound },
        { "end absent", "<i>Nova", "<i>", "</i>", "" },
        { "end only before the start", "</i><i>Nova", "<i>", "</i>", "" },
        { "empty source", "", "<i>", "</i>", kNotFound },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractBetween(c.source, c.start, c.end), c.expected) << c.what;
}

TEST(TextFileTest, replacesTheFirstExactOccurrenceOnly)
{
    struct Case {
        const char* what;
        std::string text, search, replacement, expected;
    };
    const std::vector<Case> cases = {
        { "first of two", "!N! et !N!", "!N!", "Nova", "Nova et !N!" },
        { "case matters", "!nomradio!", "!NomRadio!", "x", "!nomradio!" },
        { "absent", "abc", "z", "y", "abc" },
        { "empty search", "abc", "", "y", "abc" },
        { "removal", "a<!--b", "<!--", "", "ab" },
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        ReplaceFirst(text, c.search, c.replacement);
        EXPECT_EQ(text, c.expected) << c.what;
    }
}

TEST(TextFileTest, writesAtomicallyAndReadsBack)
{
    TempDir dir;
    const std::string path = dir.path() + "haut.htm";
    const std::string first("<HTML>\r\n\xE9t\xE9\0\x80\r\n", 12);
    ASSERT_TRUE(WriteTextFile(path, first));
    EXPECT_EQ(ReadTextFile(path), first);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    // Larger than any fixed buffer: read whole, replaced whole.
    std::string big;
    for (int i = 0; big.size() < 300000; ++i)
        big += "<option value=\"p" + std::to_string(i)
            + ".htm\">Radio \xC9"
              "cole</option>\r\n";
    ASSERT_TRUE(WriteTextFile(path, big));
    EXPECT_EQ(ReadTextFile(path), big);

    struct stat st { };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir), std::vector<std::string> { "haut.htm" });

    ASSERT_TRUE(WriteTextFile(path, ""));
    EXPECT_EQ(ReadTextFile(path), "");
    EXPECT_TRUE(FileExists(path));
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(DeleteFile(path));
    EXPECT_EQ(ReadTextFile(path), "");
    EXPECT_EQ(ReadTextFile(dir.path()), "");
}

TEST(TextFileTest, failedWritesLeaveNothingBehind)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.path() + "file", "old"));
    EXPECT_FALSE(WriteTextFile(dir.path() + "missing/haut.htm", "x"));
    EXPECT_FALSE(WriteTextFile(dir.path() + "file/haut.htm", "x"));

    // A folder the user may not write to. The superuser writes anywhere, so
    // the write is attempted under an unprivileged identity.
    const std::string locked = dir.path() + "locked/";
    ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
    ASSERT_TRUE(WriteTextFile(locked + "haut.htm", "old"));
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    const bool written = WriteTextFile(locked + "haut.htm", "new");
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadTextFile(locked + "haut.htm"), "old");
    EXPECT_EQ(ReadTextFile(dir.path() + "file"), "old");
    ::chmod(locked.c_str(), 0755);

    auto entries = Entries(dir);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string> { "file", "haut.htm", "locked" }));
}

// The sweep at a program's start: temporary files whose writer is gone
// go, those of a running writer stay, and so does a file of another name.
TEST(TextFileTest, sweepRemovesOnlyAbandonedWrites)
{
    TempDir dir;
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string mine = ".sonalto-write-" + std::to_string(::getpid()) + "-a1B2c3";
    const std::string dead = ".sonalto-write-" + std::to_string(gone) + "-x9Y8z7";
    for (const std::string& name : { mine, dead, std::string(".sonalto-write-Qw3rTy"),
             std::string(".sonalto-write-As4dFg"), std::string("haut.htm") })
        ASSERT_TRUE(WriteTextFile(dir.path() + name, "partial"));
    // A file of the old naming, without a process number: kept while it may
    // be fresh, removed once an hour old.
    const std::string old = dir.path() + ".sonalto-write-As4dFg";
    const timespec times[2] = { { ::time(nullptr) - 7200, 0 }, { ::time(nullptr) - 7200, 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, old.c_str(), times, 0), 0);
    ASSERT_EQ(::mkdir((dir.path() + ".sonalto-write-dir").c_str(), 0755), 0);

    EXPECT_EQ(SweepAbandonedWrites(dir.path()), 2);
    auto entries = Entries(dir);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries,
        (std::vector<std::string> {
            mine, ".sonalto-write-Qw3rTy", ".sonalto-write-dir", "haut.htm" }));
    EXPECT_EQ(SweepAbandonedWrites(dir.path() + "missing/"), 0);
}

TEST(TextFileTest, foldsWindows1252Case)
{
    struct Case {
        unsigned char upper, lower;
    };
    // Letters, accented capitals, the pairs outside Latin-1, and signs that
    // have no case partner.
    const std::vector<Case> pairs = {
        { 'A', 'a' },
        { 'Z', 'z' },
        { 0xC0, 0xE0 },
        { 0xC9, 0xE9 },
        { 0xDE, 0xFE },
        { 0x8A, 0x9A },
        { 0x8C, 0x9C },
        { 0x8E, 0x9E },
        { 0x9F, 0xFF },
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(cp1252::toLower(p.upper), p.lower) << int(p.upper);
        EXPECT_EQ(cp1252::toUpper(p.lower), p.upper) << int(p.lower);
        EXPECT_EQ(cp1252::toLower(p.lower), p.lower) << int(p.lower);
    }
    for (const int sign : { 0xD7, 0xF7, 0xDF, 0x80, 0xB5, int('@'), int('[') }) {
        EXPECT_EQ(cp1252::toLower(static_cast<unsigned char>(sign)), sign) << sign;
        EXPECT_EQ(cp1252::toUpper(static_cast<unsigned char>(sign)), sign) << sign;
    }

    EXPECT_EQ(cp1252::findNoCase("Radio \xC9T\xC9", "\xE9t\xE9"), 6u);
    EXPECT_EQ(cp1252::findNoCase("abcABC", "abc", 1), 3u);
    EXPECT_EQ(cp1252::findNoCase("ab", "abc"), std::string::npos);

    EXPECT_EQ(cp1252::compareNoCase("NOVA", "nova"), 0);
    EXPECT_LT(cp1252::compareNoCase("Radio", "radio bleue"), 0);
    EXPECT_LT(cp1252::compareNoCase("Zen", "\xC9toile"), 0);
    EXPECT_GT(cp1252::compareNoCase("\x9C"
                                    "uvre",
                  "OEUVRE"),
        0);

    const std::string accented = "\xC9t\xE9 \x80 \x9C";
    EXPECT_EQ(cp1252::toUtf8(accented), "\xC3\x89t\xC3\xA9 \xE2\x82\xAC \xC5\x93");
    EXPECT_EQ(cp1252::fromUtf8(cp1252::toUtf8(accented)), accented);
}

} // namespace
