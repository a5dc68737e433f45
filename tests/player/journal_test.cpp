#include "nowplaying/journalwindow.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

#include "common/textfile.h"
#include "nowplaying/heardsongs.h"
#include "nowplaying/journalmodel.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

std::string Lines(const std::vector<JournalEntry>& entries)
{
    std::string text;
    for (const JournalEntry& e : entries)
        text += e.when.substr(11) + ' ' + e.station + '|' + e.artist + '|' + e.title
            + (e.liked ? " *" : "") + '\n';
    return text;
}

// The player's side: what the stream and the feed announce, station changes
// and likes, one minute apart, and the journal they leave.
TEST(HeardSongs, journalsEachSongOnceFromStreamAndFeed)
{
    TempDir dir;
    StationPageInfo station;
    station.title = "Radio Caf\xe9"; // Windows-1252, as the pages are
    int minute = 0;
    HeardSongs heard(station, dir.path(), [&] {
        char when[32];
        std::snprintf(when, sizeof when, "2026-12-09 10:%02d:00", minute++);
        return std::string(when);
    });
    SongRecord feed;
    feed.artist = "Alpha";
    feed.title = "Premier";
    SongRecord cp1252Feed;
    cp1252Feed.artist = "B\xe9ta";
    cp1252Feed.title = "D\xe9j\xe0 vu";
    const std::vector<std::function<void()>> events = {
        [&] { heard.onStreamTitle(QStringLiteral("Alpha - Premier")); },
        // The feed tells the same song: no new line.
        [&] { heard.onFeedSong(feed); },
        [&] { EXPECT_TRUE(heard.likeOnAir()); },
        [&] { heard.onStreamTitle(QString()); },
        [&] { heard.onStreamTitle(QStringLiteral("Jingle")); },
        // A feed in Windows-1252.
        [&] { heard.onFeedSong(cp1252Feed); },
        // Back to the first song within minutes: the same airing.
        [&] { heard.onStreamTitle(QStringLiteral("Alpha - Premier")); },
        [&] { heard.stationChanged(); },
        [&] { EXPECT_FALSE(heard.likeOnAir()); },
        [&] { station.title = "Autre"; },
        [&] { heard.onStreamTitle(QStringLiteral("Alpha - Premier")); },
    };
    for (const auto& event : events)
        event();
    EXPECT_EQ(Lines(heard.journal().ReadAll()),
        "10:06:00 Autre|Alpha|Premier\n"
        "10:04:00 Radio Café|Béta|Déjà vu\n"
        "10:03:00 Radio Café||Jingle\n"
        "10:00:00 Radio Café|Alpha|Premier *\n");
}

JournalEntry Song(std::string when, std::string station, std::string artist, std::string title,
    bool liked = false)
{
    return { std::move(when), std::move(station), std::move(artist), std::move(title), liked };
}

std::vector<JournalEntry> Sample()
{
    return {
        Song("2026-12-09 09:00:00", "Radio Nova", "Noir Désir", "Le vent nous portera", true),
        Song("2026-12-08 15:04:00", "FIP", "Miles Davis", "So What"),
        Song("2026-12-08 15:00:00", "Éole FM", "Étienne Daho", "Week-end à Rome", true),
    };
}

TEST(JournalModel, filtersListsCopiesLinksAndExports)
{
    JournalModel model(Sample());
    EXPECT_EQ(model.stations(), (std::vector<std::string> { "Éole FM", "FIP", "Radio Nova" }));
    EXPECT_EQ(model.days(), (std::vector<std::string> { "2026-12-09", "2026-12-08" }));
    model.setFilter({ "", "", "2026-12-08", false });
    ASSERT_EQ(model.rowCount(), 2u);
    EXPECT_EQ(model.copyText({ 0, 1 }),
        "2026-12-08 15:04:00\tFIP\tMiles Davis\tSo What\n"
        "2026-12-08 15:00:00\tÉole FM\tÉtienne Daho\tWeek-end à Rome\n");
    struct Case {
        std::string releasePage;
        std::string expected;
    };
    for (const Case& c : std::vector<Case> {
             { "", "https://shop.example/?q=So What" },
             { "https://musicbrainz.org/release/x", "https://musicbrainz.org/release/x" },
         })
        EXPECT_EQ(model.pageAddress(0, c.releasePage, "https://shop.example/?q="), c.expected);

    // A song heard while open, a new day and station, goes in front and is
    // marked later; the export takes the liked songs whatever the filter.
    model.add(Song("2026-12-10 08:00:00", "Chérie FM", "Zaz", "Je veux"));
    EXPECT_EQ(model.stations().front(), "Chérie FM");
    EXPECT_EQ(model.days().front(), "2026-12-10");
    EXPECT_TRUE(model.markLiked(Song("2026-12-10 08:03:00", "Chérie FM", "Zaz", "Je veux")));
    EXPECT_FALSE(model.markLiked(Song("2026-12-10 07:00:00", "Chérie FM", "Zaz", "Je veux")));
    model.setFilter({ "", "", "", true });
    EXPECT_EQ(model.rowCount(), 3u);
    EXPECT_EQ(model.likedCsv(),
        "Date,Heure,Station,Artiste,Titre\r\n"
        "2026-12-10,08:00:00,Chérie FM,Zaz,Je veux\r\n"
        "2026-12-09,09:00:00,Radio Nova,Noir Désir,Le vent nous portera\r\n"
        "2026-12-08,15:00:00,Éole FM,Étienne Daho,Week-end à Rome\r\n");
}

TEST(JournalWindow, filtersFollowsTheSongsHeardAndExportsTheLikedOnes)
{
    TempDir dir;
    StationPageInfo station;
    station.title = "FIP";
    HeardSongs heard(station, dir.path() + "journal/", [] { return "2026-12-09 10:00:00"; });
    for (const JournalEntry& e : Sample())
        ASSERT_EQ(heard.journal().Append(e), SongJournal::Added::Written);
    Settings settings;
    ScriptedPrompt prompt;
    JournalWindow window(settings, heard, nullptr, &prompt);
    window.show();
    QTableView* table = window.table();
    const auto cell = [&](int row, int column) {
        return table->model()->index(row, column).data().toString().toStdString();
    };
    ASSERT_EQ(table->model()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), "♥");
    EXPECT_EQ(cell(0, 5), "Le vent nous portera");
    EXPECT_EQ(window.stationBox()->count(), 4);

    // Accents and case do not count in the search.
    window.searchBox()->setText(QStringLiteral("etienne"));
    ASSERT_EQ(table->model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 3), "Éole FM");
    window.searchBox()->clear();
    window.stationBox()->setCurrentIndex(window.stationBox()->findText(QStringLiteral("FIP")));
    EXPECT_EQ(table->model()->rowCount(), 1);
    window.stationBox()->setCurrentIndex(0);
    window.likedBox()->setChecked(true);
    EXPECT_EQ(table->model()->rowCount(), 2);
    window.likedBox()->setChecked(false);

    // A song heard now comes in front, and its like shows.
    heard.onStreamTitle(QStringLiteral("Zaz - Je veux"));
    EXPECT_TRUE(heard.likeOnAir());
    EXPECT_EQ(cell(0, 0) + cell(0, 5), "♥Je veux");
    table->selectionModel()->select(
        table->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window.copySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
        "2026-12-09 09:00:00\tRadio Nova\tNoir Désir\tLe vent nous portera\n");

    EXPECT_TRUE(window.exportLiked(dir.path() + "aimes.csv"));
    EXPECT_EQ(ReadTextFile(dir.path() + "aimes.csv"),
        "Date,Heure,Station,Artiste,Titre\r\n2026-12-09,10:00:00,FIP,Zaz,Je veux\r\n"
        "2026-12-09,09:00:00,Radio Nova,Noir Désir,Le vent nous portera\r\n"
        "2026-12-08,15:00:00,Éole FM,Étienne Daho,Week-end à Rome\r\n");
    // A folder where the file should go is refused with a message.
    EXPECT_FALSE(window.exportLiked(dir.path() + "journal"));
    ASSERT_EQ(prompt.texts().size(), 1u);
    EXPECT_EQ(prompt.texts()[0], "Impossible d'écrire le fichier « " + dir.path() + "journal ».");
}

} // namespace
