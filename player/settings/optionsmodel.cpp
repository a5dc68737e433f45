#include "settings/optionsmodel.h"

#include <charconv>

#include "common/installdir.h"
#include "common/prompt.h"
#include "common/textfile.h"
#include "common/ui/skinloader.h"
#include "playerhost.h"
#include "recording/recordingtexts.h"
#include "settings/optionstexts.h"

namespace {

constexpr const char* kFramePage = "index.htm";
constexpr const char* kMiniFramePage = "indexmini.htm";
constexpr const char* kIndexPage = "haut.htm";
constexpr const char* kHelpPage = "aide/aide.htm";

} // namespace

OptionsModel::OptionsModel(PlayerHost& host, Prompt& prompt, QWidget* dialog)
    : m_host(host)
    , m_settings(host.settings())
    , m_prompt(prompt)
    , m_dialog(dialog)
{
    const Settings& settings = m_settings;
    loadSizeAndHue();
    fields.skin = settings.skin;
    fields.htmlDirectory = settings.pathHtml;
    fields.updates = settings.updates;
    fields.splashScreen = settings.splashScreen;
    fields.onTop = settings.onTop;
    fields.listenButton = settings.listenButton;
    fields.saveLastUrl = settings.saveLastUrl;
    fields.assignLogo = settings.assignLogo;
    fields.hideTaskbar = settings.hideTaskbar;
    fields.songNotifications = settings.songNotifications;
}

void OptionsModel::loadSizeAndHue()
{
    fields.height = std::to_string(m_settings.height);
    fields.width = std::to_string(m_settings.width);
    fields.hue = m_settings.skinHue;
}

std::optional<int> OptionsModel::parseSize(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 0 || value > kMaxSize)
        return std::nullopt;
    return value;
}

void OptionsModel::copySizeIntoSettings()
{
    // Only values the fields may hold reach the record; OK refuses the rest.
    if (const auto height = parseSize(fields.height))
        m_settings.height = *height;
    if (const auto width = parseSize(fields.width))
        m_settings.width = *width;
}

void OptionsModel::opened()
{
    if (m_settings.skin)
        m_host.skinWindow(m_dialog, true);
}

void OptionsModel::defaults()
{
    fields.height = std::to_string(kDefaultHeight);
    fields.width = std::to_string(kDefaultWidth);
}

void OptionsModel::sliderMoved(int position)
{
    fields.hue = position;
    if (fields.skin)
        m_host.setSkinHue(position);
}

bool OptionsModel::skinClicked(bool ticked)
{
    fields.skin = ticked;
    if (!ticked) {
        if (m_host.skinRunning()) {
            m_host.skinWindow(m_dialog, false);
            m_host.skinPlayerWindows(false);
        }
        return false;
    }
    if (!m_host.skinRunning() && !m_host.startSkin()) {
        m_prompt.message(kSkinFailureTitlePlayer, kSkinFailureText, PromptIcon::Exclamation);
        fields.skin = false;
        return false;
    }
    m_host.setSkinHue(fields.hue);
    m_host.skinWindow(m_dialog, true);
    m_host.skinPlayerWindows(true);
    copySizeIntoSettings();
    // The record still says whether the window had the look when the dialog
    // opened; OK gives the final size.
    if (!m_host.isMiniMode())
        m_host.resizeMainWindow(m_settings.skin);
    return true;
}

void OptionsModel::folderChosen(const std::string& folder)
{
    if (folder.empty())
        return;
    fields.htmlDirectory = folder.back() == '/' ? folder : folder + "/";
}

void OptionsModel::checkForUpdates()
{
    m_host.startUpdater(m_prompt);
}

void OptionsModel::recordingOptions()
{
    if (!FileExists(m_host.installDir() + kRecorderProgram)) {
        m_prompt.message(rectexts::kRecorderMissingTitle, rectexts::kRecorderMissingText,
            PromptIcon::Exclamation);
        return;
    }
    m_host.openRecordingOptions(m_dialog);
}

void OptionsModel::changeAppearance()
{
    m_host.runSkinManager(m_dialog);
    loadSizeAndHue();
}

void OptionsModel::help()
{
    m_host.openPage(m_settings.pathHtml + kHelpPage);
}

bool OptionsModel::accept(int* refusedField)
{
    // 1. The sizes must be integers from 0 to 10000.
    const auto height = parseSize(fields.height);
    const auto width = parseSize(fields.width);
    if (!height || !width) {
        if (refusedField != nullptr)
            *refusedField = !height ? 1003 : 1002;
        m_prompt.message(
            optionstexts::kSizeRangeTitle, optionstexts::kSizeRangeText, PromptIcon::Exclamation);
        return false;
    }

    // 2. A new HTML directory must hold the frame page; the current one is
    // taken as it is.
    // A folder typed by hand comes without its '/'.
    if (!fields.htmlDirectory.empty() && fields.htmlDirectory.back() != '/')
        fields.htmlDirectory += '/';
    const bool directoryChanged = fields.htmlDirectory != m_settings.pathHtml;
    if (directoryChanged) {
        if (!FileExists(fields.htmlDirectory + kFramePage)) {
            m_prompt.message(optionstexts::kDirectoryMissingTitle,
                optionstexts::kDirectoryMissingText, PromptIcon::Exclamation);
            return false;
        }
        m_settings.pathHtml = fields.htmlDirectory;
    }

    // 3.
    m_settings.updates = fields.updates;
    m_settings.splashScreen = fields.splashScreen;
    m_settings.onTop = fields.onTop;
    m_settings.saveLastUrl = fields.saveLastUrl;
    m_settings.assignLogo = fields.assignLogo;
    m_settings.songNotifications = fields.songNotifications;
    m_settings.skin = fields.skin;
    m_settings.skinHue = fields.hue;
    const bool buttonChanged = fields.listenButton != m_settings.listenButton;
    m_settings.listenButton = fields.listenButton;

    // 4. The taskbar entry is decided when the window is made.
    if (fields.hideTaskbar != m_settings.hideTaskbar) {
        m_prompt.message(
            optionstexts::kTaskbarTitle, optionstexts::kTaskbarText, PromptIcon::Information);
        m_settings.hideTaskbar = fields.hideTaskbar;
    }

    // 5. The mini layout keeps its list without the button; the normal
    // layout gets the form that the setting asks for when it comes back.
    const bool mini = m_host.isMiniMode();
    m_host.setListButton(mini ? false : m_settings.listenButton);

    // 6.
    m_host.refreshTrayIcon();

    // 7. and 8.
    const std::string framePage = m_settings.pathHtml + (mini ? kMiniFramePage : kFramePage);
    // The station keeps playing: the frame page shows it again once loaded.
    const std::string& station = m_host.currentStation().pagePath;
    if (directoryChanged)
        m_host.loadFramePage(framePage, station);
    if (buttonChanged) {
        if (mini)
            m_host.loadFramePage(framePage, station);
        else
            m_host.loadIndexFrame(m_settings.pathHtml + kIndexPage);
    }

    // 9.
    m_settings.height = *height;
    m_settings.width = *width;
    if (!mini)
        m_host.resizeMainWindow(m_settings.skin);

    // 10.
    m_host.saveSettings();
    return true;
}

void OptionsModel::cancel()
{
    if (m_settings.skin)
        m_host.setSkinHue(m_settings.skinHue);
}
