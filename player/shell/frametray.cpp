#include "shell/frametray.h"

#include <QMenu>

#include "common/diaglog.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "common/ui/trayicon.h"
#include "common/ui/uitext.h"
#include "nowplaying/heardsongs.h"
#include "playback/audioengine.h"
#include "shell/mainframe.h"
#include "shell/mixer.h"
#include "shell/sleepcontrol.h"
#include "view/lumoview.h"

FrameTray::FrameTray(CMainFrame& frame, const Settings& settings)
    : QObject(&frame)
    , m_frame(frame)
    , m_settings(settings)
{
    // The mixer's change notices keep the mute flag true to the speakers.
    m_mixer = new Mixer(this);
    connect(m_mixer, &Mixer::muteChanged, this, [this](bool muted) { m_muted = muted; });
    m_tray = new PlayerTray(this);
    showStation(TrayOccasion::AddOrRemove);
    // Desktops that show the icon's menu themselves are given the pop-up.
    m_tray->icon()->setMenuBuilder([this] { return buildPopupMenu(); });
    m_tray->add();
    connect(m_tray->icon(), &TrayIcon::doubleClicked, &m_frame, &CMainFrame::activate);
    connect(m_tray->icon(), &TrayIcon::menuRequested, this, &FrameTray::showPopupMenu);
    // Each station shown in "live" gives the icon its logo and tooltip.
    const auto follow = [this] { showStation(TrayOccasion::Navigation); };
    connect(m_frame.view(), &CLumoView::stationRead, this, follow);
    connect(m_frame.view(), &CLumoView::miniStationShown, this, follow);
    // The song the stream announces goes in the tooltip and in a desktop
    // notification when it changes; the song window keeps the feed's records.
    connect(m_frame.player(), &AudioEngine::titleChanged, this, [this](const QString& title) {
        // The desktop notification only when the listener asked for it.
        m_tray->showStreamTitle(
            m_frame.view()->currentStation(), title, m_settings.songNotifications);
        DiagLog("stream title " + FileText(title));
    });
}

void FrameTray::showStation(TrayOccasion occasion)
{
    m_tray->update(m_frame.view()->currentStation(), m_settings, occasion);
}

void FrameTray::showForHiding()
{
    showStation(TrayOccasion::AddOrRemove);
    m_tray->add();
}

void FrameTray::close()
{
    showStation(TrayOccasion::AddOrRemove);
    m_tray->remove();
    m_mixer->CloseMixer();
}

void FrameTray::toggleMute()
{
    m_muted = !m_muted;
    m_mixer->SetMute(m_muted);
}

QMenu* FrameTray::buildPopupMenu()
{
    PopupState state;
    // A station with a feed, or one whose stream announces its titles; no
    // station yet (or the welcome page): nothing to inform about.
    const StationPageInfo& station = m_frame.view()->currentStation();
    const auto known
        = [](const std::string& value) { return !value.empty() && value != kNotFound; };
    state.songInformation = known(station.liveId) || known(station.streamLink);
    state.recording = m_frame.isRecording();
    // The mixer is asked each time: a mute made elsewhere shows here.
    state.muteAvailable = m_mixer->OpenMixer() && m_mixer->FindMuteControl();
    bool muted = m_muted;
    if (state.muteAvailable && m_mixer->GetMute(muted))
        m_muted = muted;
    state.muted = m_muted;
    state.favourites = m_settings.favourites;
    state.sleepMinutes = m_frame.sleepControl()->minutes();
    const auto& onAir = m_frame.heardSongs()->onAir();
    state.songToLike = onAir && !onAir->liked;
    return BuildRoutedPopup(
        state, &m_frame, m_settings.favourites, [this](int id) { m_frame.onCommand(id); });
}

void FrameTray::showPopupMenu(const QPoint& at)
{
    QMenu* menu = buildPopupMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Aligned with its right edge on the mouse, as the desktop allows.
    menu->ensurePolished();
    menu->popup(at - QPoint(menu->sizeHint().width(), 0));
}
