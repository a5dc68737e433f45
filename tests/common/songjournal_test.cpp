#include "common/songjournal.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

JournalEntry Song(std::string when, std::string station, std::string artist, std::string title)
{
    return { std::move(when), std::move(station), std::move(artist), std::move(title) };
}

std::vector<std::string> Titles(const std::vector<JournalEntry>& entries)
{
    std::vector<std::string> titles;
    for (const JournalEntry& e : entries)
        titles.push_back(e.title);
    return titles;
}

TEST(SongJournal, keepsEachAiringOnceAcrossMonthsNewestFirst)
{
    TempDir dir;
    SongJournal journal(dir.path() + "journal/");
    using A = SongJournal::Added;
    struct Case {
        JournalEntry song;
        A expected;
    };
    const std::vector<Case> cases = {
        { Song("2026-11-30 23:55:00", "Radio Nova", "Björk", "Jóga"), A::Written },
        // Heard again 7 minutes later, over the month's end: the same airing.
        { Song("2026-12-01 00:02:00", "Radio Nova", "Björk", "Jóga"), A::Repeat },
        // The same song on another station is another airing.
        { Song("2026-12-01 00:03:00", "France Inter", "Björk", "Jóga"), A::Written },
        { Song("2026-12-01 00:20:00", "Radio Nova", "Björk", "Jóga"), A::Written },
        { Song("2026-12-01 00:21:00", "Radio Nova", "", "Flash info\tsport"), A::Written },
        { Song("2026-12-01 00:22:00", "Radio Nova", "Artiste", ""), A::Failed },
        { Song("hier", "Radio Nova", "Artiste", "Titre"), A::Failed },
    };
    for (const Case& c : cases)
        EXPECT_EQ(journal.Append(c.song), c.expected) << c.song.when << ' ' << c.song.station;

    EXPECT_EQ(ReadTextFile(dir.path() + "journal/2026-11.tsv"),
        "2026-11-30 23:55:00\tRadio Nova\tBjörk\tJóga\t0\n");
    const auto all = journal.ReadAll();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].title, "Flash info sport");
    EXPECT_EQ(all[1].when, "2026-12-01 00:20:00");
    EXPECT_EQ(all[3].when, "2026-11-30 23:55:00");
}

TEST(SongJournal, searchesFiltersLikesAndExports)
{
    TempDir dir;
    SongJournal journal(dir.path() + "");
    for (const JournalEntry& e :
        { Song("2026-12-08 15:00:00", "FIP", "Étienne Daho", "Week-end à Rome"),
            Song("2026-12-08 15:04:00", "FIP", "Miles Davis", "So What"),
            Song("2026-12-09 09:00:00", "Radio Nova", "Noir Désir", "Le vent, \"nous\" portera") })
        ASSERT_EQ(journal.Append(e), SongJournal::Added::Written);
    ASSERT_TRUE(journal.SetLiked(
        Song("2026-12-08 15:10:00", "FIP", "Étienne Daho", "Week-end à Rome"), true));
    ASSERT_TRUE(journal.SetLiked(
        Song("2026-12-09 09:01:00", "Radio Nova", "Noir Désir", "Le vent, \"nous\" portera"),
        true));
    EXPECT_FALSE(
        journal.SetLiked(Song("2026-12-08 14:00:00", "FIP", "Miles Davis", "So What"), true));

    const auto all = journal.ReadAll();
    struct Case {
        JournalFilter filter;
        std::vector<std::string> titles;
    };
    const std::vector<Case> cases = {
        { { "ETIENNE", "", "", false }, { "Week-end à Rome" } },
        { { "desir", "", "", false }, { "Le vent, \"nous\" portera" } },
        { { "", "FIP", "", false }, { "So What", "Week-end à Rome" } },
        { { "", "", "2026-12-09", false }, { "Le vent, \"nous\" portera" } },
        { { "", "", "", true }, { "Le vent, \"nous\" portera", "Week-end à Rome" } },
        { { "rome", "Radio Nova", "", false }, {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Titles(FilterJournal(all, c.filter)), c.titles)
            << c.filter.text << '|' << c.filter.station;

    const char* const columns[] = { "Date", "Heure", "Station", "Artiste", "Titre, \"nom\"" };
    EXPECT_EQ(JournalCsv(FilterJournal(all, { "", "", "", true }), columns),
        "Date,Heure,Station,Artiste,\"Titre, \"\"nom\"\"\"\r\n"
        "2026-12-09,09:00:00,Radio Nova,Noir Désir,\"Le vent, \"\"nous\"\" portera\"\r\n"
        "2026-12-08,15:00:00,FIP,Étienne Daho,Week-end à Rome\r\n");
}

TEST(SongJournal, failsWithoutLosingTheJournalWhenItsFolderCannotBeMade)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.path() + "fichier", "pas un dossier"));
    SongJournal journal(dir.path() + "fichier/journal/");
    EXPECT_EQ(
        journal.Append(Song("2026-12-09 10:00:00", "FIP", "A", "B")), SongJournal::Added::Failed);
    EXPECT_TRUE(journal.ReadAll().empty());
    EXPECT_EQ(ReadTextFile(dir.path() + "fichier"), "pas un dossier");
}

} // namespace
