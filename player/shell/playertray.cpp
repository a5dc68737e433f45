#include "shell/playertray.h"

#include <QAction>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QPixmap>

#include "catalogue/cataloguecommands.h"
#include "commandids.h"
#include "common/messages.h"
#include "common/pagename.h"
#include "common/textfile.h"
#include "common/ui/plainicon.h"
#include "common/ui/stationicon.h"
#include "common/ui/trayicon.h"
#include "common/ui/uitext.h"
#include "shell/sleepcontrol.h"
#include "texts.h"

namespace {

// A tooltip holds 127 characters and its terminating zero.
constexpr std::size_t kToolTipLength = 127;

QAction* addItem(QMenu* menu, const char* text, int id, MenuPicture picture, bool enabled = true)
{
    QAction* action = menu->addAction(MenuPictureIcon(picture), Utf8Text(text));
    action->setData(id);
    action->setEnabled(enabled);
    return action;
}

} // namespace

int StationIconSize(TrayOccasion occasion)
{
    return occasion == TrayOccasion::Navigation ? 16 : 32;
}

QString TrayToolTip(const StationPageInfo& station, TrayOccasion occasion)
{
    if (station.title == kNotFound
        || (station.title.empty() && occasion == TrayOccasion::AddOrRemove))
        return Utf8Text(texts::kProgramTitle);
    // Titles are Windows-1252, one byte a character: cut before converting.
    return UiText(station.title.substr(0, kToolTipLength));
}

std::string TrayLogoPath(const StationPageInfo& station, const Settings& settings)
{
    if (station.logoFile.empty() || station.logoFile == kNotFound || !settings.assignLogo
        || settings.miniPlayer)
        return {};
    const std::string path = settings.pathHtml + "logo/" + FileNameOnDisk(station.logoFile);
    return FileExists(path) ? path : std::string();
}

QMenu* BuildPlayerPopup(const PopupState& state, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    StylePopupMenu(menu);
    QAction* options = addItem(menu, texts::kPopupOptions, cmd::Options, MenuPicture::Options);
    menu->setDefaultAction(options);
    addItem(menu, texts::kPopupPersonalise, cmd::Personalise, MenuPicture::Personalise);

    QMenu* favourites = menu->addMenu(Utf8Text(texts::kPopupFavourites));
    RebuildFavouritesMenu(favourites, state.favourites);
    DecoratePopupFavourites(favourites);

    if (state.songInformation)
        addItem(menu, texts::kPopupInformation, cmd::SongInformation, MenuPicture::Information);
    addItem(menu, texts::kMenuJournal, cmd::SongJournal, MenuPicture::Information);
    addItem(menu, texts::kPopupLike, cmd::LikeSong, MenuPicture::Favourite, state.songToLike);
    addItem(menu, state.recording ? texts::kPopupStop : texts::kPopupRec, cmd::ToggleRecording,
        state.recording ? MenuPicture::StopRecord : MenuPicture::Record);
    addItem(menu, texts::kPopupScheduledRec, cmd::StartScheduler, MenuPicture::ScheduledRecord);
    menu->addMenu(BuildSleepMenu(menu, state.sleepMinutes))
        ->setIcon(MenuPictureIcon(MenuPicture::ScheduledRecord));
    addItem(menu, texts::kPopupMute, cmd::ToggleMute,
        state.muted ? MenuPicture::Muted : MenuPicture::Sound, state.muteAvailable);
    addItem(menu, texts::kPopupRestore, cmd::Restore, MenuPicture::Restore);
    addItem(menu, texts::kPopupHelp, cmd::Help, MenuPicture::Help);
    addItem(menu, texts::kPopupAbout, cmd::About, MenuPicture::About);
    addItem(menu, texts::kPopupQuit, cmd::Quit, MenuPicture::Quit);
    return menu;
}

void DecoratePopupFavourites(QMenu* favourites)
{
    for (QAction* action : favourites->actions()) {
        if (action->isSeparator() || !action->data().isValid())
            continue;
        const int id = action->data().toInt();
        if (id >= cmd::FirstFavourite && id <= cmd::LastFavourite) {
            action->setIcon(MenuPictureIcon(MenuPicture::Favourite));
            continue;
        }
        switch (id) {
        case cmd::RandomStation:
            action->setIcon(MenuPictureIcon(MenuPicture::Random));
            break;
        case cmd::OrganiseFavourites:
            // The pop-up's item has no mnemonic, unlike the menu bar's.
            action->setText(Utf8Text(texts::kPopupOrganise));
            action->setIcon(MenuPictureIcon(MenuPicture::Organise));
            break;
        case cmd::SearchStations:
            action->setIcon(MenuPictureIcon(MenuPicture::Search));
            break;
        case cmd::AddCurrentStation:
            action->setIcon(MenuPictureIcon(MenuPicture::AddStation));
            break;
        default:
            break;
        }
    }
}

QMenu* BuildRoutedPopup(const PopupState& state, QWidget* parent, const Favourites& favourites,
    const std::function<void(int id)>& onCommand)
{
    QMenu* menu = BuildPlayerPopup(state, parent);
    QObject::connect(menu, &QMenu::triggered, menu, [onCommand](QAction* action) {
        if (action->data().isValid())
            onCommand(action->data().toInt());
    });
    for (QAction* action : menu->actions()) {
        QMenu* sub = action->menu();
        if (sub != nullptr && sub->title() == Utf8Text(texts::kPopupFavourites)) {
            QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, &favourites] {
                RebuildFavouritesMenu(sub, favourites);
                DecoratePopupFavourites(sub);
            });
        }
    }
    return menu;
}

PlayerTray::PlayerTray(QObject* parent)
    : QObject(parent)
    , m_icon(new TrayIcon(this))
{
    m_icon->setIcon(ProgramIcon());
    setToolTip(Utf8Text(texts::kProgramTitle));
}

void PlayerTray::update(
    const StationPageInfo& station, const Settings& settings, TrayOccasion occasion)
{
    m_showsLogo = false;
    const std::string logo = TrayLogoPath(station, settings);
    if (!logo.empty()) {
        if (const QImage* picture = LoadPictureFile(logo, m_logo)) {
            const QImage icon = BuildStationIcon(*picture, StationIconSize(occasion));
            m_icon->setIcon(PlainIcon(QPixmap::fromImage(icon)));
            m_showsLogo = true;
        }
    }
    if (!m_showsLogo)
        m_icon->setIcon(ProgramIcon());
    setToolTip(TrayToolTip(station, occasion));
}

void PlayerTray::showStreamTitle(const StationPageInfo& station, const QString& title, bool notify)
{
    const QString tip = TrayToolTip(station, TrayOccasion::Navigation);
    setToolTip(title.isEmpty() ? tip : (tip.isEmpty() ? title : tip + QLatin1Char('\n') + title));
    if (!title.isEmpty() && notify)
        m_icon->notify(tip.isEmpty() ? QString::fromLatin1(kPlayerWindowTitle) : tip, title);
}

void PlayerTray::setSleepText(const QString& text)
{
    m_sleepText = text;
    setToolTip(m_tip);
}

void PlayerTray::setToolTip(const QString& tip)
{
    m_tip = tip;
    m_icon->setToolTip(m_sleepText.isEmpty() ? tip
            : tip.isEmpty()                  ? m_sleepText
                                             : tip + QLatin1Char('\n') + m_sleepText);
}

void PlayerTray::add()
{
    m_icon->add();
}

void PlayerTray::remove()
{
    m_icon->remove();
}
