#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QString>

#include "common/settings.h"
#include "common/stationpage.h"
#include "common/ui/picture.h"

class QMenu;
class QWidget;
class TrayIcon;

// When the notification-area icon is set: the icon's size and the empty
// title's tooltip depend on it.
enum class TrayOccasion {
    AddOrRemove, // the icon is added (creation, hiding) or removed (quit)
    StationCommand, // after a favourite or a random station
    Navigation, // a station page shown in the frame "live"
};

// The side S of the logo's mask: 32, or 16 on a navigation.
int StationIconSize(TrayOccasion occasion);

// The tooltip for the station: its title cut at 127 characters; the program
// title for "Introuvable", and for an empty title when the icon is added or
// removed; otherwise an empty title gives an empty tooltip.
QString TrayToolTip(const StationPageInfo& station, TrayOccasion occasion);

// The logo file the icon shows, or empty for the program icon: the
// station's logo when it names one, the file is in "logo/" of the HTML
// directory, "Assigner" is on and the window is not in mini mode.
std::string TrayLogoPath(const StationPageInfo& station, const Settings& settings);

// What the pop-up shows at the moment it opens.
struct PopupState {
    bool songInformation = true; // the station has a live address
    bool recording = false;
    bool muted = false;
    bool muteAvailable = false; // the sound server and its output are there
    int sleepMinutes = 0; // the sleep timer's delay, 0 when off
    bool songToLike = false; // a song on air, not marked yet
    Favourites favourites;
};

// The pop-up's items in their order, each with its command id as data and
// its picture, "&Options" the default item and the "Favoris" sub-menu
// filled; "&Mute" is greyed without the sound server.
QMenu* BuildPlayerPopup(const PopupState& state, QWidget* parent);
// The pop-up as the window opens it: BuildPlayerPopup's items, each
// triggered item's command id handed to onCommand, and the "Favoris"
// sub-menu rebuilt from favourites at each opening, so that favourites
// changed while the pop-up is open show. favourites must outlive the menu.
QMenu* BuildRoutedPopup(const PopupState& state, QWidget* parent, const Favourites& favourites,
    const std::function<void(int id)>& onCommand);
// Gives the "Favoris" sub-menu's items their pictures.
void DecoratePopupFavourites(QMenu* favourites);

// The player's notification-area icon: the station's logo or the program
// icon, and the station's name as tooltip.
class PlayerTray : public QObject {
    Q_OBJECT

public:
    explicit PlayerTray(QObject* parent = nullptr);

    // Sets the icon and the tooltip for the station.
    void update(const StationPageInfo& station, const Settings& settings, TrayOccasion occasion);
    // The song the stream announces: under the station's name in the
    // tooltip, and, with notify (the listener's choice), in a desktop
    // notification when there is one.
    void showStreamTitle(const StationPageInfo& station, const QString& title, bool notify);
    // The sleep timer's time left, as the tooltip's last line; empty when
    // the timer is off.
    void setSleepText(const QString& text);
    // Shows the icon in the notification area (harmless when shown).
    void add();
    void remove();
    TrayIcon* icon() const { return m_icon; }
    // True when the last update chose the station's logo.
    bool showsLogo() const { return m_showsLogo; }

private:
    void setToolTip(const QString& tip);

    TrayIcon* m_icon;
    QString m_tip; // without the sleep timer's line
    QString m_sleepText;
    // The logo picture last decoded, replaced by the next one.
    PictureHolder m_logo;
    bool m_showsLogo = false;
};
