#include "common/titlesplit.h"

#include <string>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

TEST(TitleSplit, songFileNamesAreSafeOnEverySystem)
{
    const std::string longTitle = std::string(179, 'a') + "éé";
    struct Case {
        std::string title;
        std::string name;
    };
    const Case cases[] = {
        { "Édith Piaf - La Vie en rose", "Édith Piaf - La Vie en rose" },
        { "AC/DC - Back\\in|Black", "AC-DC - Back-in-Black" },
        { "Qui a peur ? : \"Mix\" <2>*", "Qui a peur Mix 2" },
        { "A\tB\x01\x7f"
          "C\xc2\x85"
          "D   E",
            "A B C D E" },
        { "  ...cachée. . ", "cachée" },
        { "..", "RadioRec" },
        { "", "RadioRec" },
        { "???", "RadioRec" },
        { "con", "_con" },
        { "LPT1.mix", "_LPT1.mix" },
        { "COM10", "COM10" },
        // Cut at 180 bytes, before the two-byte 'é' that would straddle it.
        { longTitle, std::string(179, 'a') },
    };
    for (const Case& c : cases)
        EXPECT_EQ(SongFileName(c.title, "RadioRec"), c.name) << c.title;
}

TEST(TitleSplit, takenNamesGetANumber)
{
    testsupport::TempDir dir("sonalto-split");
    EXPECT_EQ(FreeSongFile(dir.path(), "A - B", ".ogg"), dir.path() + "A - B.ogg");
    WriteTextFile(dir.path() + "A - B.ogg", "x");
    WriteTextFile(dir.path() + "A - B (2).ogg", "x");
    EXPECT_EQ(FreeSongFile(dir.path(), "A - B", ".ogg"), dir.path() + "A - B (3).ogg");
    EXPECT_EQ(FreeSongFile(dir.path(), "A - B", ".mp3"), dir.path() + "A - B.mp3");
}

// Songs cut by the recording's start or end, or by another station, say so;
// songs heard from their title to the next are whole.
TEST(TitleSplit, piecesAreNamedAfterTheirSongAndMarkedWhenCut)
{
    TitleSplit split("RadioRec2", " (partiel)");
    EXPECT_EQ(split.currentName(), "RadioRec2");
    split.startTitle("Artiste - Avant ");
    EXPECT_EQ(split.currentName(), "Artiste - Avant (partiel)");
    EXPECT_EQ(split.newTitle("Artiste - Avant"), std::nullopt) << "the same title again";
    EXPECT_EQ(split.newTitle("Éa - Un"), "Artiste - Avant (partiel)");
    split.startTitle("late"); // only the title at the start counts
    EXPECT_EQ(split.newTitle("Éa - Deux"), "Éa - Un");
    EXPECT_EQ(split.newTitle("Éa - Trois"), "Éa - Deux");
    EXPECT_EQ(split.newTitle(""), "Éa - Trois (partiel)") << "another station";
    EXPECT_EQ(split.currentName(), "RadioRec2");
    // Its first title names the piece: that song was already playing.
    EXPECT_EQ(split.newTitle("AC/DC - Quatre"), std::nullopt);
    EXPECT_EQ(split.newTitle("Cinq"), "AC-DC - Quatre (partiel)");

    // A scheduled recording starts with the station, before its title.
    TitleSplit scheduled("RadioRec", " (partiel)");
    scheduled.startTitle("");
    EXPECT_EQ(scheduled.newTitle("A - B"), std::nullopt);
    EXPECT_EQ(scheduled.currentName(), "A - B (partiel)");
}

} // namespace
