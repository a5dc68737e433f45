#include "shell/playertray.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QImage>
#include <QMenu>

#include "commandids.h"
#include "common/ui/trayicon.h"
#include "support/menuitem.h"
#include "support/testsupport.h"

namespace {

StationPageInfo stationTitled(const std::string& title)
{
    StationPageInfo station;
    station.title = title;
    return station;
}

struct Item {
    int id;
    std::string text;
    bool enabled;
};

std::vector<Item> itemsOf(const QMenu& menu)
{
    std::vector<Item> items;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        items.push_back({ action->menu() != nullptr ? -1 : action->data().toInt(),
            action->text().toStdString(), action->isEnabled() });
        EXPECT_TRUE(action->menu() != nullptr || !action->icon().isNull())
            << action->text().toStdString() << " has no picture";
    }
    return items;
}

} // namespace

TEST(PlayerTrayTest, toolTipFollowsTitleAndOccasion)
{
    const std::string longTitle(200, 'x');
    struct Case {
        std::string title;
        TrayOccasion occasion;
        QString tip;
    };
    const std::vector<Case> cases {
        { longTitle, TrayOccasion::Navigation, QString(127, 'x') },
        { longTitle, TrayOccasion::AddOrRemove, QString(127, 'x') },
        { "Introuvable", TrayOccasion::Navigation, "Sonalto" },
        { "Introuvable", TrayOccasion::StationCommand, "Sonalto" },
        { "", TrayOccasion::AddOrRemove, "Sonalto" },
        { "", TrayOccasion::StationCommand, "" },
        // Titles are Windows-1252: one character a byte, cut before the
        // conversion.
        { std::string(126, 'a') + "\xe9\xe9", TrayOccasion::Navigation,
            QString(126, 'a') + QString::fromUtf8("é") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.substr(0, 20));
        EXPECT_EQ(TrayToolTip(stationTitled(c.title), c.occasion), c.tip);
    }
    EXPECT_EQ(StationIconSize(TrayOccasion::Navigation), 16);
    EXPECT_EQ(StationIconSize(TrayOccasion::AddOrRemove), 32);
    EXPECT_EQ(StationIconSize(TrayOccasion::StationCommand), 32);
}

// The logo shows only when the file is there, "Assigner" is on and the
// window is in its normal layout; otherwise the program icon stays.
TEST(PlayerTrayTest, logoIconOnlyWithFileAssignerAndNormalLayout)
{
    testsupport::TempDir html { "sonalto-tray" };
    Settings settings;
    settings.pathHtml = html.path();
    QDir().mkpath(QString::fromStdString(settings.pathHtml + "logo"));
    QImage logo(40, 30, QImage::Format_RGB32);
    logo.fill(Qt::white);
    logo.setPixel(39, 29, qRgb(200, 0, 0));
    ASSERT_TRUE(logo.save(QString::fromStdString(settings.pathHtml + "logo/nrj.gif"), "PNG"));
    // A page names "rádio.gif" in Windows-1252; the file on disk is UTF-8.
    ASSERT_TRUE(logo.save(QString::fromUtf8((settings.pathHtml
                              + "logo/r\xC3\xA1"
                                "dio.gif")
                                                .c_str()),
        "PNG"));

    StationPageInfo station = stationTitled("NRJ");
    station.logoFile = "nrj.gif";
    PlayerTray tray;
    struct Case {
        bool assign;
        bool mini;
        std::string logoFile;
        bool logo;
    };
    for (const Case& c :
        { Case { true, false, "nrj.gif", true }, Case { false, false, "nrj.gif", false },
            Case { true, true, "nrj.gif", false }, Case { true, false, "absent.gif", false },
            Case { true, false, "Introuvable", false }, Case { true, false, "nrj.gif", true },
            Case { true, false,
                "r\xE1"
                "dio.gif",
                true } }) {
        SCOPED_TRACE(c.logoFile + (c.assign ? " assign" : "") + (c.mini ? " mini" : ""));
        settings.assignLogo = c.assign;
        settings.miniPlayer = c.mini;
        station.logoFile = c.logoFile;
        tray.update(station, settings, TrayOccasion::Navigation);
        EXPECT_EQ(tray.showsLogo(), c.logo);
        EXPECT_EQ(TrayLogoPath(station, settings).empty(), !c.logo);
        EXPECT_EQ(tray.icon()->toolTip(), QStringLiteral("NRJ"));
        EXPECT_FALSE(tray.icon()->icon().isNull());
        if (!c.logo) {
            EXPECT_EQ(tray.icon()->icon().cacheKey(), ProgramIcon().cacheKey());
        }
    }
}

TEST(PlayerTrayTest, popupContentFollowsState)
{
    const std::vector<Item> base {
        { cmd::Options, "&Options", true },
        { cmd::Personalise, "&Personnaliser", true },
        { -1, "Favoris", true },
        { cmd::SongInformation, "Informations", true },
        { cmd::SongJournal, "Journal des titres…", true },
        { cmd::LikeSong, "J'aime ce titre", false },
        { cmd::ToggleRecording, "&REC", true },
        { cmd::StartScheduler, "REC Planifié", true },
        { -1, "Arrêt programmé", true },
        { cmd::ToggleMute, "&Mute", true },
        { cmd::Restore, "Agrandir", true },
        { cmd::Help, "&Aide", true },
        { cmd::About, "A &propos...", true },
        { cmd::Quit, "&Quitter", true },
    };
    const auto compare = [](const std::vector<Item>& got, const std::vector<Item>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].id, want[i].id) << i;
            EXPECT_EQ(got[i].text, want[i].text) << i;
            EXPECT_EQ(got[i].enabled, want[i].enabled) << want[i].text;
        }
    };

    PopupState state;
    state.muteAvailable = true;
    {
        std::unique_ptr<QMenu> menu(BuildPlayerPopup(state, nullptr));
        compare(itemsOf(*menu), base);
        ASSERT_NE(menu->defaultAction(), nullptr);
        EXPECT_EQ(menu->defaultAction()->data().toInt(), cmd::Options);
        EXPECT_TRUE(menu->styleSheet().contains("rgb(96, 157, 207)"));
        EXPECT_EQ(MenuItem(*menu, cmd::ToggleMute)->icon().cacheKey(),
            MenuPictureIcon(MenuPicture::Sound).cacheKey());
        EXPECT_EQ(MenuItem(*menu, cmd::ToggleRecording)->icon().cacheKey(),
            MenuPictureIcon(MenuPicture::Record).cacheKey());
    }

    // No live address, a song to like, recording, muted, no sound server.
    state.songInformation = false;
    state.songToLike = true;
    state.recording = true;
    state.muted = true;
    state.muteAvailable = false;
    std::vector<Item> changed = base;
    changed.erase(changed.begin() + 3);
    changed[4].enabled = true;
    changed[5].text = "&STOP";
    changed[8].enabled = false;
    {
        std::unique_ptr<QMenu> menu(BuildPlayerPopup(state, nullptr));
        compare(itemsOf(*menu), changed);
        EXPECT_EQ(MenuItem(*menu, cmd::SongInformation), nullptr);
        EXPECT_EQ(MenuItem(*menu, cmd::ToggleMute)->icon().cacheKey(),
            MenuPictureIcon(MenuPicture::Muted).cacheKey());
        EXPECT_EQ(MenuItem(*menu, cmd::ToggleRecording)->icon().cacheKey(),
            MenuPictureIcon(MenuPicture::StopRecord).cacheKey());
    }

    // The "Favoris" sub-menu: fixed items, then the favourites with the
    // small star.
    state.favourites.count = 2;
    state.favourites.names[0] = "NRJ";
    state.favourites.names[1] = "Rock & Co";
    std::unique_ptr<QMenu> menu(BuildPlayerPopup(state, nullptr));
    QMenu* favourites = menu->actions()[2]->menu();
    ASSERT_NE(favourites, nullptr);
    const std::vector<Item> items = itemsOf(*favourites);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].id, cmd::RandomStation);
    EXPECT_EQ(items[2].id, cmd::SearchStations);
    EXPECT_EQ(items[4].id, cmd::FirstFavourite);
    EXPECT_EQ(items[5].text, "Rock && Co");
    EXPECT_EQ(MenuItem(*favourites, cmd::FirstFavourite + 1)->icon().cacheKey(),
        MenuPictureIcon(MenuPicture::Favourite).cacheKey());
}

TEST(PlayerTrayTest, picturesHaveTheirSizes)
{
    EXPECT_EQ(MenuPictureIcon(MenuPicture::Sound).availableSizes(), QList<QSize> { QSize(20, 20) });
    EXPECT_EQ(
        MenuPictureIcon(MenuPicture::Favourite).availableSizes(), QList<QSize> { QSize(15, 15) });
    EXPECT_EQ(
        MenuPictureIcon(MenuPicture::Search).availableSizes(), QList<QSize> { QSize(21, 20) });
    // Each state has a picture of its own.
    const QImage sound = MenuPictureIcon(MenuPicture::Sound).pixmap(20, 20).toImage();
    const QImage muted = MenuPictureIcon(MenuPicture::Muted).pixmap(20, 20).toImage();
    EXPECT_NE(sound, muted);
}
