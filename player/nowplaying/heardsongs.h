#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <QObject>
#include <QString>

#include "common/livefeed.h"
#include "common/songjournal.h"
#include "common/stationpage.h"

// A feed's text for the widgets. Feeds were made for Windows-1252, but many
// servers now answer in UTF-8: a text that is valid UTF-8 is read as such.
QString FeedText(const std::string& text);

// The journal's line for a song heard on a station at a time: the fields
// as the journal keeps them (UTF-8, "Introuvable" left empty). nullopt for
// a song without a title.
std::optional<JournalEntry> HeardEntry(
    std::string when, std::string station, std::string artist, std::string title);

// The songs the player hears, into the song journal: every new title the
// stream announces and every new song on air in the station's feed, with
// the current station's name and the local time. It knows the song on air,
// which "J'aime ce titre" marks. Lives as long as the main window.
class HeardSongs : public QObject {
    Q_OBJECT

public:
    // The local date and time, "AAAA-MM-JJ HH:MM:SS".
    using Clock = std::function<std::string()>;

    // current is the player's current station, which outlives this; the
    // journal is kept in journalDir (ending with '/'). Without a clock the
    // computer's is used.
    HeardSongs(const StationPageInfo& current, std::string journalDir, Clock clock = {},
        QObject* parent = nullptr);

    // A title the stream player reported (empty between stations).
    void onStreamTitle(const QString& title);
    // The song on air in the current station's feed, its texts as the feed
    // gives them.
    void onFeedSong(const SongRecord& onAir);
    // Another station plays: nothing is on air until its first song.
    void stationChanged();

    // The song on air as the journal holds it; nullopt before the first
    // song of the station, or when the journal could not keep it.
    const std::optional<JournalEntry>& onAir() const { return m_onAir; }
    // "J'aime ce titre": marks the song on air in the journal. False when
    // there is none or the journal cannot be written.
    bool likeOnAir();

    const SongJournal& journal() const { return m_journal; }
    SongJournal& journal() { return m_journal; }

    // The computer's local time, as the journal writes it.
    static std::string LocalTime();

signals:
    // A new line went into the journal.
    void songHeard(const JournalEntry& entry);
    // A song of the journal was marked.
    void songLiked(const JournalEntry& entry);
    // The song on air changed, or was marked.
    void onAirChanged();

private:
    void heard(std::string artist, std::string title);

    const StationPageInfo& m_current;
    SongJournal m_journal;
    Clock m_clock;
    std::optional<JournalEntry> m_onAir;
};
