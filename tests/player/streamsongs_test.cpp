#include "nowplaying/streamsongs.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(StreamSongs, titlesSplitAtTheFirstSpacedDash)
{
    struct Case {
        const char* title;
        const char* artist;
        const char* song;
    };
    const std::vector<Case> cases {
        { "Artiste - Titre", "Artiste", "Titre" },
        { "A - B - C", "A", "B - C" },
        { "  Édith Piaf  -  La Foule ", "Édith Piaf", "La Foule" },
        { "AC-DC - Thunderstruck", "AC-DC", "Thunderstruck" },
        { "Titre seul", "Introuvable", "Titre seul" },
        { "Jingle-Radio", "Introuvable", "Jingle-Radio" },
        { "Artiste - ", "Artiste", "Introuvable" },
        { " - Titre", "Introuvable", "Titre" },
    };
    for (const Case& c : cases) {
        const SongRecord song = SongFromStreamTitle(c.title);
        EXPECT_EQ(song.artist, c.artist) << c.title;
        EXPECT_EQ(song.title, c.song) << c.title;
        EXPECT_EQ(song.album, "Introuvable") << c.title;
        EXPECT_EQ(song.releaseDate, "Introuvable") << c.title;
        EXPECT_EQ(song.label, "Introuvable") << c.title;
        EXPECT_EQ(song.coverAddress, "") << c.title;
        EXPECT_EQ(CanLookUp(song),
            std::string(c.artist) != "Introuvable" && std::string(c.song) != "Introuvable")
            << c.title;
    }
}

TEST(StreamSongs, keepsTheLastFiveNewestFirst)
{
    StreamSongs songs;
    EXPECT_TRUE(songs.empty());
    EXPECT_EQ(songs.songs()[0], SongRecord {});
    EXPECT_FALSE(songs.add(""));
    EXPECT_FALSE(songs.add("   "));
    for (int i = 1; i <= 7; ++i) {
        EXPECT_TRUE(songs.add("Artiste - Titre " + std::to_string(i)));
        // A title reported again (after a reconnection) is the same song.
        EXPECT_FALSE(songs.add("Artiste - Titre " + std::to_string(i)));
    }
    for (int i = 0; i < kSongCount; ++i)
        EXPECT_EQ(songs.songs()[i].title, "Titre " + std::to_string(7 - i));
    // The same song later again, after another, is a new record.
    EXPECT_TRUE(songs.add("Artiste - Titre 6"));
    EXPECT_EQ(songs.songs()[0].title, "Titre 6");
    EXPECT_EQ(songs.songs()[1].title, "Titre 7");

    songs.clear();
    EXPECT_TRUE(songs.empty());
    EXPECT_EQ(songs.songs()[1], SongRecord {});
    EXPECT_TRUE(songs.add("Artiste - Titre 6"));
    EXPECT_EQ(songs.songs()[1], SongRecord {});
}

TEST(StreamSongs, aLookupFillsEveryRecordOfItsSongAndOnlyWhatIsMissing)
{
    StreamSongs songs;
    songs.add("A - Un");
    songs.add("B - Deux");
    songs.add("A - Un");
    const SongDetails found { "Album", "1987-05-04", "/cache/x.jpg", "https://mb/release/x" };
    EXPECT_TRUE(songs.fill("A", "Un", found));
    EXPECT_FALSE(songs.fill("A", "Deux", found));
    for (int i : { 0, 2 }) {
        EXPECT_EQ(songs.songs()[i].album, "Album");
        EXPECT_EQ(songs.songs()[i].releaseDate, "1987-05-04");
        EXPECT_EQ(songs.songs()[i].label, "Introuvable");
        EXPECT_EQ(songs.songs()[i].coverAddress, "/cache/x.jpg");
        EXPECT_EQ(songs.songs()[i].infoAddress, "https://mb/release/x");
    }
    EXPECT_EQ(songs.songs()[1].album, "Introuvable");
    // What a lookup did not find stays "Introuvable"; found values stay.
    EXPECT_TRUE(songs.fill("A", "Un", SongDetails { "", "", "", "" }));
    EXPECT_EQ(songs.songs()[0].album, "Album");
    EXPECT_TRUE(songs.fill("B", "Deux", SongDetails { "", "2001", "", "" }));
    EXPECT_EQ(songs.songs()[1].album, "Introuvable");
    EXPECT_EQ(songs.songs()[1].releaseDate, "2001");
}

} // namespace
