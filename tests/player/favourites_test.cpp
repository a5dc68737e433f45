#include "catalogue/favourites.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "catalogue/cataloguecommands.h"
#include "catalogue/cataloguetexts.h"
#include "catalogue/favouritesdialog.h"
#include "cataloguefixture.h"
#include "common/openplaylist.h"
#include "common/profile.h"
#include "recordinghost.h"
#include "support/scriptedprompt.h"

namespace {

namespace texts = catalogue_texts;

Favourites fullTable()
{
    Favourites favourites;
    for (int i = 0; i < Favourites::kMax; ++i) {
        favourites.names[i] = "Radio " + std::to_string(i);
        favourites.pages[i] = "Radio_" + std::to_string(i) + ".htm";
    }
    favourites.count = Favourites::kMax;
    return favourites;
}

// Each item as its text and command id: "-" for a separator, and 0 for an
// item without command that cannot be chosen.
std::vector<std::pair<std::string, int>> menuItems(const QMenu& menu)
{
    std::vector<std::pair<std::string, int>> items;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator())
            items.emplace_back("-", 0);
        else
            items.emplace_back(action->text().toStdString(),
                action->data().isValid() ? action->data().toInt() : (action->isEnabled() ? -1 : 0));
    }
    return items;
}

TEST(Favourites, addingTheCurrentStationRefusesInItsOrder)
{
    ScriptedPrompt prompt;
    StationPageInfo current;
    current.pagePath = "/opt/sonalto/html/Radio_Nova.htm";
    current.title = "Radio Nova";

    Favourites full = fullTable();
    EXPECT_FALSE(AddCurrentStation(full, current, "/opt/sonalto/html/", prompt));

    Favourites favourites;
    StationPageInfo none = current;
    for (const char* title : { "", "Introuvable" }) {
        none.title = title;
        EXPECT_FALSE(AddCurrentStation(favourites, none, "/opt/sonalto/html/", prompt));
    }
    ASSERT_TRUE(AddCurrentStation(favourites, current, "/opt/sonalto/html/", prompt));
    EXPECT_FALSE(AddCurrentStation(favourites, current, "/opt/sonalto/html/", prompt));

    EXPECT_EQ(prompt.texts(),
        (std::vector<std::string> {
            texts::kListFull, texts::kCannotAdd, texts::kCannotAdd, texts::kAlreadyAdded }));
    for (const auto& shown : prompt.shown) {
        EXPECT_EQ(shown.title, "Erreur");
        EXPECT_EQ(shown.icon, PromptIcon::Exclamation);
    }
    ASSERT_EQ(favourites.count, 1);
    EXPECT_EQ(favourites.names[0], "Radio Nova");
    EXPECT_EQ(favourites.pages[0], "Radio_Nova.htm");
}

TEST(Favourites, randomStationComesFromEveryStationLine)
{
    EXPECT_EQ(PickRandomStation("", 5), "");
    EXPECT_EQ(PickRandomStation(EmptyIndexText(), 5), "bienvenue.htm");

    std::string one
        = IndexHeader() + "<option value=\"Seule.htm\">Seule</option>\r\n" + IndexFooter();
    for (std::uint32_t value : { 0u, 1u, 7u, 4000000000u })
        EXPECT_EQ(PickRandomStation(one, value), "Seule.htm");

    std::string two = IndexHeader() + "<option value=\"A.htm\">A</option>\r\n"
        + "<!--<option value=\"B.htm\">B</option>-->\r\n" + IndexFooter();
    EXPECT_EQ(PickRandomStation(two, 0), "A.htm");
    EXPECT_EQ(PickRandomStation(two, 3), "B.htm");
}

TEST(Favourites, menuHoldsTheFixedItemsThenTheFavouritesOrEmpty)
{
    // Pairs 0, 1 and 3 filled, pair 2 half empty: three favourites.
    testsupport::TempDir install("sonalto-favourites");
    Profile ini;
    ini.set("Favoris", "FavorisName0", "Alpha");
    ini.set("Favoris", "FavorisHTML0", "Alpha.htm");
    ini.set("Favoris", "FavorisName1", "B & B");
    ini.set("Favoris", "FavorisHTML1", "B.htm");
    ini.set("Favoris", "FavorisName2", "Gamma");
    ini.set("Favoris", "FavorisName3", "Delta");
    ini.set("Favoris", "FavorisHTML3", "Delta.htm");
    ASSERT_TRUE(ini.save(install.path() + "Sonalto.ini"));
    Settings settings;
    ASSERT_TRUE(LoadSettings(settings, install.path(), "Sonalto.ini", {}));

    QMenu menu;
    RebuildFavouritesMenu(&menu, settings.favourites);
    const std::vector<std::pair<std::string, int>> fixed
        = { { "&Au hasard ?", 31845 }, { "-", 0 }, { "&Organiser...", 31846 },
              { "&Rechercher", 32849 }, { "Ajouter cette &radio", 32891 }, { "-", 0 } };
    auto expected = fixed;
    expected.insert(
        expected.end(), { { "Alpha", 32850 }, { "B && B", 32851 }, { "Delta", 32852 } });
    EXPECT_EQ(menuItems(menu), expected);

    RebuildFavouritesMenu(&menu, Favourites {});
    expected = fixed;
    expected.emplace_back("vide", 0);
    EXPECT_EQ(menuItems(menu), expected);

    const Favourites full = fullTable();
    RebuildFavouritesMenu(&menu, full);
    ASSERT_EQ(menu.actions().size(), 26);
    EXPECT_EQ(menu.actions().back()->data().toInt(), 32869);
}

class OrganiserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_catalogue.write({
            { "Caf\xE9 Jazz", "Cafe_Jazz.htm", true, "", "" },
            { "Ch\xE2teau FM", "Chateau_FM.htm", false, "", "" },
            { "alpha", "alpha.htm", true, "", "" },
            { "Radio Nova", "Radio_Nova.htm", true, "", "" },
            { "Zebre", "Zebre.htm", true, "", "" },
        });
    }

    CatalogueDir m_catalogue;
    ScriptedPrompt m_prompt;
};

TEST_F(OrganiserTest, favouritesAreKeptInNameOrderAndStoredWithTheirPages)
{
    Favourites favourites;
    AddFavourite(favourites, "Zebre", "Zebre.htm", m_prompt);
    AddFavourite(favourites, "Radio Nova", "Radio_Nova.htm", m_prompt);
    FavouritesOrganiser organiser(ReadTextFile(m_catalogue.index()), favourites, m_prompt);
    EXPECT_EQ(organiser.favourites(), (std::vector<std::string> { "Radio Nova", "Zebre" }));
    EXPECT_EQ(organiser.stations().front(), "alpha");

    organiser.chooseStation(0); // "alpha"
    organiser.addSelected();
    organiser.addSelected(); // already there: nothing
    EXPECT_EQ(
        organiser.favourites(), (std::vector<std::string> { "alpha", "Radio Nova", "Zebre" }));
    organiser.chooseFavourite(2);
    organiser.removeSelected();
    organiser.store(favourites);
    ASSERT_EQ(favourites.count, 2);
    EXPECT_EQ(favourites.names[0], "alpha");
    EXPECT_EQ(favourites.pages[0], "alpha.htm");
    EXPECT_EQ(favourites.pages[1], "Radio_Nova.htm");
    EXPECT_TRUE(favourites.names[2].empty());
    EXPECT_TRUE(m_prompt.shown.empty());

    Favourites full = fullTable();
    FavouritesOrganiser crowded(ReadTextFile(m_catalogue.index()), full, m_prompt);
    crowded.chooseStation(1);
    crowded.addSelected();
    EXPECT_EQ(crowded.favourites().size(), 20u);
    EXPECT_EQ(m_prompt.texts(), (std::vector<std::string> { texts::kListFull }));
    // A favourite the index does not name keeps the page it had.
    crowded.store(full);
    EXPECT_EQ(full.pages[0], "Radio_0.htm");
}

TEST_F(OrganiserTest, searchFoldsAccentsAndGoesRoundTheList)
{
    FavouritesOrganiser organiser(ReadTextFile(m_catalogue.index()), Favourites {}, m_prompt);
    // Sorted: alpha, Café Jazz, Château FM, Radio Nova, Zebre.
    ASSERT_TRUE(organiser.findNext("CHATEAU"));
    EXPECT_EQ(organiser.stationSelection(), 2);
    // Only a match before the position: round to it, and again.
    organiser.chooseStation(3);
    ASSERT_TRUE(organiser.findNext("cafe"));
    EXPECT_EQ(organiser.stationSelection(), 1);
    ASSERT_TRUE(organiser.findNext("cafe"));
    EXPECT_EQ(organiser.searchPosition(), 1);
    // Two matches: each press moves on to the next one.
    ASSERT_TRUE(organiser.findNext("a"));
    EXPECT_EQ(organiser.stationSelection(), 2);

    EXPECT_FALSE(organiser.findNext("rock"));
    EXPECT_EQ(m_prompt.texts(), (std::vector<std::string> { texts::kNothingFound }));
    FavouritesOrganiser empty(EmptyIndexText(), Favourites {}, m_prompt);
    EXPECT_FALSE(empty.findNext(""));
}

TEST_F(OrganiserTest, dialogSearchesAddsAndStoresOnOkOnly)
{
    Favourites favourites;
    {
        FavouritesDialog dialog(m_catalogue.html(), favourites, nullptr, &m_prompt);
        dialog.show();
        auto* ok = dialog.findChild<QPushButton*>("ok");
        auto* findNext = dialog.findChild<QPushButton*>("findNext");
        auto* search = dialog.findChild<QLineEdit*>("searchText");
        auto* stations = dialog.findChild<QListWidget*>("stationList");
        ASSERT_TRUE(ok && findNext && search && stations);
        // The list that gets the focus has a current row but no selection:
        // adding then adds nothing.
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        stations->setFocus();
        ASSERT_EQ(stations->currentRow(), 0);
        QTest::mouseClick(dialog.findChild<QPushButton*>("addFavourite"), Qt::LeftButton);
        EXPECT_EQ(dialog.findChild<QListWidget*>("favouriteList")->count(), 0);
        EXPECT_TRUE(ok->isDefault());
        EXPECT_FALSE(findNext->isDefault());

        QTest::keyClicks(search, "NOVA");
        EXPECT_TRUE(findNext->isDefault());
        QTest::mouseClick(findNext, Qt::LeftButton);
        EXPECT_EQ(stations->currentItem()->text(), QStringLiteral("Radio Nova"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("addFavourite"), Qt::LeftButton);
        EXPECT_EQ(dialog.findChild<QListWidget*>("favouriteList")->count(), 1);

        QTest::mouseClick(dialog.findChild<QPushButton*>("cancel"), Qt::LeftButton);
        EXPECT_EQ(favourites.count, 0);
        dialog.show();
        QTest::mouseClick(ok, Qt::LeftButton);
    }
    ASSERT_EQ(favourites.count, 1);
    EXPECT_EQ(favourites.pages[0], "Radio_Nova.htm");
}

TEST_F(OrganiserTest, commandsPlayAndSaveThroughTheHost)
{
    testsupport::TempDir install("sonalto-commands");
    Settings settings;
    settings.pathHtml = m_catalogue.html();
    RecordingHost host(settings, install.path(), &m_prompt);
    host.station.pagePath = m_catalogue.html() + "Zebre.htm";
    host.station.title = "Zebre";

    AddCurrentStation(nullptr, host);
    ASSERT_EQ(settings.favourites.count, 1);
    EXPECT_EQ(settings.favourites.pages[0], "Zebre.htm");
    EXPECT_EQ(host.calls, (std::vector<std::string> { "save", "favourites" }));

    host.calls.clear();
    OpenFavourite(host, 0);
    OpenFavourite(host, 1); // no such favourite
    RandomStation(host);
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[0], "live " + m_catalogue.html() + "Zebre.htm");
    const std::string random = host.calls[1].substr(5);
    EXPECT_EQ(random.rfind(m_catalogue.html(), 0), 0u);
    EXPECT_TRUE(FileExists(random));
}

TEST_F(OrganiserTest, favouritesOfSubfoldersAndAccentedPagesOpenAgain)
{
    // A playlist opened with the player, and a page copied in by hand under
    // an accented name that the index spells in Windows-1252.
    testsupport::TempDir downloads("sonalto-downloads");
    WriteTextFile(downloads.path() + "Ma liste.pls",
        "[playlist]\r\nFile1=http://stream.example/liste\r\nNumberOfEntries=1\r\n");
    const OpenedPlaylist opened
        = MakePlaylistPage(m_catalogue.html(), downloads.path() + "Ma liste.pls");
    ASSERT_TRUE(opened.error.empty()) << opened.error;
    m_catalogue.write({ { "Caf\xE9 Jazz", "Caf\xE9.htm", true, "", "" } });

    testsupport::TempDir install("sonalto-commands");
    Settings settings;
    settings.pathHtml = m_catalogue.html();
    RecordingHost host(settings, install.path(), &m_prompt);
    ReadStationPage(m_catalogue.html() + opened.page, host.station);
    AddCurrentStation(nullptr, host);
    // The accented page as the view reads it from its address.
    ReadStationPage(m_catalogue.html() + "Caf\xC3\xA9.htm", host.station);
    AddCurrentStation(nullptr, host);
    ASSERT_TRUE(m_prompt.shown.empty()) << m_prompt.texts().front();

    ASSERT_EQ(settings.favourites.count, 2);
    EXPECT_EQ(settings.favourites.pages[0], opened.page);
    EXPECT_EQ(settings.favourites.pages[1], "Caf\xE9.htm");

    // Stored by the organiser from the index, the accented page opens too.
    FavouritesOrganiser organiser(ReadTextFile(m_catalogue.index()), settings.favourites, m_prompt);
    organiser.store(settings.favourites);
    host.calls.clear();
    for (int i = 0; i < 2; ++i)
        OpenFavourite(host, i);
    RandomStation(host);
    ASSERT_EQ(host.calls.size(), 3u);
    for (const std::string& call : host.calls) {
        ASSERT_EQ(call.rfind("live ", 0), 0u) << call;
        const std::string page = call.substr(5);
        EXPECT_TRUE(FileExists(page)) << page;
    }
}

} // namespace
