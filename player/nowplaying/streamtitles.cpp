#include "nowplaying/streamtitles.h"

#include "common/diaglog.h"
#include "nowplaying/covercache.h"
#include "nowplaying/songlookup.h"

StreamTitles::StreamTitles(const Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
}

StreamTitles::~StreamTitles() = default;

void StreamTitles::onTitle(const QString& title)
{
    if (!m_songs.add(title.toStdString()))
        return;
    emit changed();
    lookUp(m_songs.songs()[0]);
}

void StreamTitles::stationChanged()
{
    if (m_songs.empty())
        return;
    m_songs.clear();
    emit changed();
}

void StreamTitles::lookUp(const SongRecord& song)
{
    // Off, the player asks no service anything.
    if (!m_settings.songLookups || !CanLookUp(song))
        return;
    if (m_lookup == nullptr) {
        m_lookup = std::make_unique<SongLookup>(
            SongLookup::Services { m_settings.recordingService, m_settings.coverService },
            CoverCache(CoverCache::DefaultDirectory()),
            [this](const std::string& artist, const std::string& title,
                const std::optional<SongDetails>& details) {
                DiagLog("song lookup " + std::string(details ? "found " : "failed ") + artist
                    + " - " + title);
                if (details && m_songs.fill(artist, title, *details))
                    emit changed();
            });
    }
    // Copies: a cached answer comes back at once and may change the list.
    const std::string artist = song.artist;
    const std::string title = song.title;
    m_lookup->request(artist, title);
}
