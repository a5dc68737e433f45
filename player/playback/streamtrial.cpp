#include "playback/streamtrial.h"

#include "common/stationpage.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"
#include "playback/audioengine.h"

StreamTrial::StreamTrial(AudioEngine& player)
    : m_player(player)
{
}

void StreamTrial::begin(const std::string& pagePath, const std::string& htmlDir,
    const QString& nowLink, const QString& nowName)
{
    // A second test before the first ended still returns to the station
    // played before the first.
    if (!m_running) {
        m_resumeLink = nowLink;
        m_resumeName = nowName;
    }
    m_running = true;
    m_htmlDir = PathText(htmlDir);
    StationPageInfo page;
    ReadStationPage(pagePath, page);
    if (page.streamLink.empty() || page.streamLink == kNotFound) {
        m_player.stop();
        return;
    }
    m_player.play(UiText(page.streamLink), m_htmlDir, UiText(page.title));
}

void StreamTrial::end()
{
    if (!m_running)
        return;
    m_running = false;
    if (m_resumeLink.isEmpty())
        m_player.stop();
    else
        m_player.play(m_resumeLink, m_htmlDir, m_resumeName);
    m_resumeLink.clear();
    m_resumeName.clear();
}
