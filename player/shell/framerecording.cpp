#include "shell/framerecording.h"

#include <utility>

#include <QAction>

#include "common/installdir.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"
#include "playback/audioengine.h"
#include "recording/recorderlaunch.h"
#include "recording/recordertitles.h"
#include "texts.h"

FrameRecording::FrameRecording(
    const Settings& settings, std::string installDir, AudioEngine* player, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_installDir(std::move(installDir))
    , m_player(player)
    , m_titles(new RecorderTitles(this))
{
    connect(m_player, &AudioEngine::titleChanged, m_titles, &RecorderTitles::onTitle);
}

bool FrameRecording::recorderInstalled() const
{
    return FileExists(m_installDir + kRecorderProgram);
}

void FrameRecording::toggle(QAction* item)
{
    m_recording = !m_recording;
    if (item != nullptr)
        item->setText(Utf8Text(m_recording ? texts::kMenuStop : texts::kMenuRec));
    // The launch result is not watched: a recorder that fails or stops by
    // itself leaves the flag as it is until the next REC.
    if (m_recording) {
        StartRecording(m_settings, m_installDir);
        if (m_settings.recordBySong)
            m_titles->begin(m_player->title());
    } else {
        m_titles->end();
        StopRecording(m_installDir);
    }
}
