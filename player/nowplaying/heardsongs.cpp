#include "nowplaying/heardsongs.h"

#include <ctime>
#include <utility>

#include <QStringDecoder>

#include "common/diaglog.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"
#include "nowplaying/streamsongs.h"

namespace {

std::string known(std::string text)
{
    return text == kNotFound ? std::string() : std::move(text);
}

} // namespace

QString FeedText(const std::string& text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError())
        return decoded;
    return UiText(text);
}

std::optional<JournalEntry> HeardEntry(
    std::string when, std::string station, std::string artist, std::string title)
{
    JournalEntry entry { std::move(when), known(std::move(station)), known(std::move(artist)),
        known(std::move(title)) };
    if (entry.title.empty())
        return std::nullopt;
    return entry;
}

HeardSongs::HeardSongs(
    const StationPageInfo& current, std::string journalDir, Clock clock, QObject* parent)
    : QObject(parent)
    , m_current(current)
    , m_journal(std::move(journalDir))
    , m_clock(clock ? std::move(clock) : Clock(&HeardSongs::LocalTime))
{
}

std::string HeardSongs::LocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

void HeardSongs::onStreamTitle(const QString& title)
{
    const SongRecord song = SongFromStreamTitle(title.toStdString());
    heard(song.artist, song.title);
}

void HeardSongs::onFeedSong(const SongRecord& onAir)
{
    heard(FeedText(onAir.artist).toStdString(), FeedText(onAir.title).toStdString());
}

void HeardSongs::stationChanged()
{
    if (!m_onAir)
        return;
    m_onAir.reset();
    emit onAirChanged();
}

void HeardSongs::heard(std::string artist, std::string title)
{
    std::optional<JournalEntry> entry = HeardEntry(
        m_clock(), UiText(m_current.title).toStdString(), std::move(artist), std::move(title));
    if (!entry)
        return;
    // The feed is read again every few seconds and the stream tells its
    // title more than once: the song on air is not a new one.
    if (m_onAir && m_onAir->station == entry->station && m_onAir->artist == entry->artist
        && m_onAir->title == entry->title)
        return;
    switch (m_journal.Append(*entry)) {
    case SongJournal::Added::Written:
        DiagLog("journal " + entry->station + " | " + entry->artist + " | " + entry->title);
        m_onAir = std::move(entry);
        emit songHeard(*m_onAir);
        break;
    case SongJournal::Added::Repeat:
        // The line of its airing is the one a like marks.
        m_onAir = std::move(entry);
        break;
    case SongJournal::Added::Failed:
        DiagLog("journal not written " + entry->title);
        m_onAir.reset();
        break;
    }
    emit onAirChanged();
}

bool HeardSongs::likeOnAir()
{
    if (!m_onAir || !m_journal.SetLiked(*m_onAir, true))
        return false;
    m_onAir->liked = true;
    DiagLog("journal liked " + m_onAir->title);
    emit songLiked(*m_onAir);
    emit onAirChanged();
    return true;
}
