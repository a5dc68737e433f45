#include "shell/framehost.h"

#include <QDesktopServices>
#include <QUrl>

#include "catalogue/cataloguecommands.h"
#include "common/ui/messageprompt.h"
#include "common/ui/skinloader.h"
#include "common/ui/uitext.h"
#include "nowplaying/nowplaying.h"
#include "nowplaying/songwindow.h"
#include "playback/audioengine.h"
#include "recording/recordingoptions.h"
#include "shell/mainframe.h"
#include "shell/framelayout.h"
#include "shell/frameplayback.h"
#include "shell/frametray.h"
#include "shell/updatelaunch.h"
#include "view/appcommands.h"
#include "view/lumoview.h"
#include "view/minipage.h"

Settings& FrameHost::settings()
{
    return m_frame.m_settings;
}

const std::string& FrameHost::installDir() const
{
    return m_frame.m_installDir;
}

QWidget* FrameHost::window() const
{
    return &m_frame;
}

Prompt* FrameHost::prompt() const
{
    return m_frame.m_promptGiven ? m_frame.m_prompt : nullptr;
}

const StationPageInfo& FrameHost::currentStation() const
{
    return m_frame.m_view->currentStation();
}

std::string FrameHost::currentStationPage() const
{
    return m_frame.currentStationPage();
}

void FrameHost::playInLive(const std::string& pagePath)
{
    m_frame.m_livePage = pagePath;
    // A window just shown is still making its view: the page then waits for
    // the frame page.
    m_frame.m_view->showInLive(pagePath);
    if (m_frame.m_frameTray != nullptr)
        m_frame.m_frameTray->showStation(TrayOccasion::StationCommand);
}

void FrameHost::loadFramePage(const std::string& framePage, const std::string& stationPage)
{
    if (!stationPage.empty())
        m_frame.m_settings.startPage = stationPage;
    m_frame.m_view->navigate2(framePage);
}

void FrameHost::loadIndexFrame(const std::string& page)
{
    m_frame.m_view->navigate2(page, QStringLiteral("haut"));
}

void FrameHost::setListButton(bool withButton)
{
    SetListButton(m_frame.m_settings.pathHtml, withButton);
}

void FrameHost::favouritesChanged()
{
    RebuildFavouritesMenu(m_frame.m_favouritesMenu, m_frame.m_settings.favourites);
}

void FrameHost::saveSettings()
{
    SaveSettings(m_frame.m_settings, m_frame.m_installDir, kSettingsFileName, currentStationPage());
}

void FrameHost::refreshTrayIcon()
{
    if (m_frame.m_frameTray != nullptr)
        m_frame.m_frameTray->showStation(TrayOccasion::AddOrRemove);
}

bool FrameHost::isHiddenAway() const
{
    return m_frame.m_hiddenAway;
}

bool FrameHost::isMiniMode() const
{
    return m_frame.m_settings.miniPlayer;
}

void FrameHost::resizeMainWindow(bool skin)
{
    m_frame.resizeNormal(skin);
}

void FrameHost::placeMainWindow()
{
    if (!m_frame.m_settings.miniPlayer)
        m_frame.m_layout->place(m_frame.m_layout->windowRect().topLeft(), false, m_frame.showing());
}

bool FrameHost::startSkin()
{
    return LoadSkin(m_frame.m_installDir);
}

bool FrameHost::skinRunning() const
{
    return SkinAvailable();
}

void FrameHost::setSkinHue(int hue)
{
    SetSkinHue(hue, 1);
}

void FrameHost::skinWindow(QWidget* window, bool on)
{
    if (window == nullptr)
        return;
    if (on)
        ApplySkin(window);
    else
        RemoveSkin(window);
}

void FrameHost::skinPlayerWindows(bool on)
{
    skinWindow(&m_frame, on);
    skinWindow(OpenedSongWindow(), on);
}

void FrameHost::openRecordingOptions(QWidget* owner)
{
    OpenRecordingOptions(m_frame.m_settings, m_frame.m_installDir, currentStationPage(), owner);
}

bool FrameHost::runSkinManager(QWidget* owner)
{
    return RunSkinManager(owner, *this);
}

std::string FrameHost::chooseDirectory(QWidget* owner, const std::string& title)
{
    if (m_frame.m_promptGiven)
        return m_frame.m_prompt->chooseDirectory(title);
    return MessagePrompt(owner).chooseDirectory(title);
}

void FrameHost::beginStreamTest(const std::string& pagePath)
{
    m_frame.m_playback->beginTrial(pagePath, UiText(currentStation().title));
}

void FrameHost::endStreamTest()
{
    m_frame.m_playback->endTrial();
}

void FrameHost::openPage(const std::string& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(path)));
}

void FrameHost::startUpdater(Prompt& prompt)
{
    StartUpdater(m_frame.m_installDir, UpdaterStart::Now, prompt);
}
