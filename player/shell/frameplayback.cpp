#include "shell/frameplayback.h"

#include <QFile>

#include "common/diaglog.h"
#include "common/pagename.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"
#include "playback/mpris.h"
#include "playback/streamplayer.h"
#include "playback/streamtrial.h"

FramePlayback::FramePlayback(const Settings& settings, AudioEngine* engine, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_engine(engine != nullptr ? engine : new StreamPlayer(this))
    , m_mpris(new Mpris(m_engine, this))
    , m_trial(std::make_unique<StreamTrial>(*m_engine))
{
    connect(m_engine, &AudioEngine::firstAudio, this, [] { DiagLog("first audio"); });
}

FramePlayback::~FramePlayback() = default;

bool FramePlayback::play(const StationPageInfo& station)
{
    if (station.streamLink.empty() || station.streamLink == kNotFound) {
        m_engine->stop();
        return true;
    }
    const QString link = UiText(station.streamLink);
    if (m_engine->isActive() && m_playingLink == link)
        return false;
    const bool another = link != m_playingLink;
    m_playingLink = link;
    const QString logo = PathText(m_settings.pathHtml + "logo/" + FileNameOnDisk(station.logoFile));
    m_mpris->setLogo(station.logoFile != kNotFound && QFile::exists(logo) ? logo : QString());
    m_engine->play(link, PathText(m_settings.pathHtml), UiText(station.title));
    return another;
}

void FramePlayback::beginTrial(const std::string& pagePath, const QString& title)
{
    m_trial->begin(
        pagePath, m_settings.pathHtml, m_engine->isActive() ? m_playingLink : QString(), title);
}

void FramePlayback::endTrial()
{
    m_trial->end();
}
