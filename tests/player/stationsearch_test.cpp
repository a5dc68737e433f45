#include "catalogue/stationsearchdialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "catalogue/cataloguetexts.h"
#include "cataloguefixture.h"
#include "common/stationsearch.h"
#include "support/scriptedprompt.h"

namespace {

namespace texts = catalogue_texts;

std::vector<std::string> names(const std::vector<StationEntry>& entries)
{
    std::vector<std::string> result;
    for (const StationEntry& entry : entries)
        result.push_back(entry.name);
    return result;
}

class StationSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_catalogue.write({
            { "Radio \xC9t\xE9", "Radio_Ete.htm", true, "", "" },
            { "Jazz Caf\xE9", "Jazz_Cafe.htm", false, "", "" },
            // Copied in by hand under an accented name.
            { "Caf\xE9 Noir", "Caf\xE9_Noir.htm", true, "", "" },
        });
    }

    CatalogueDir m_catalogue;
    ScriptedPrompt m_prompt;
};

TEST_F(StationSearchTest, findsAcrossTheCompleteListWithoutCaseOrAccents)
{
    const std::string text = ReadTextFile(m_catalogue.index());
    // In capitals without accents; the inactive station is found too; file
    // order is kept.
    EXPECT_EQ(names(SearchStations(text, "CAFE")),
        (std::vector<std::string> { "Jazz Caf\xE9", "Caf\xE9 Noir" }));
    EXPECT_EQ(
        names(SearchStations(text, "\xC9T\xC9")), (std::vector<std::string> { "Radio \xC9t\xE9" }));
    EXPECT_EQ(SearchStations(text, "").size(), 3u);
    EXPECT_TRUE(SearchStations(text, "rock").empty());
    EXPECT_TRUE(SearchStations("", "").empty());
    EXPECT_EQ(SearchStations(text, "noir").front().pageFile, "Caf\xE9_Noir.htm");
}

TEST(SearchDialogPosition, opensBesideTheMainWindowOrCentred)
{
    const QRect screen(0, 0, 1280, 1024);
    const QSize full(300, 354);
    EXPECT_EQ(SearchDialogPosition(QRect(100, 50, 251, 288), false, full, screen), QPoint(351, 50));
    // No room on the right: on the left, right edge to the main window's left.
    EXPECT_EQ(
        SearchDialogPosition(QRect(1000, 80, 251, 288), false, full, screen), QPoint(700, 80));
    // Exactly enough room stays on the right.
    EXPECT_EQ(SearchDialogPosition(QRect(729, 0, 251, 288), false, full, screen), QPoint(980, 0));
    EXPECT_EQ(
        SearchDialogPosition(QRect(1000, 80, 251, 288), true, full, screen), QPoint(490, 335));
}

TEST_F(StationSearchTest, dialogGrowsWithResultsAndPlaysOrAddsThem)
{
    Favourites favourites;
    std::vector<std::string> played;
    StationSearchDialog dialog(
        m_catalogue.html(), favourites, [&](const std::string& page) { played.push_back(page); },
        nullptr, &m_prompt);
    dialog.show();
    auto* text = dialog.findChild<QLineEdit*>("searchText");
    auto* search = dialog.findChild<QPushButton*>("search");
    auto* noResult = dialog.findChild<QLabel*>("noResult");
    auto* results = dialog.findChild<QListWidget*>("results");
    auto* listen = dialog.findChild<QPushButton*>("listen");
    ASSERT_TRUE(text && search && noResult && results && listen);
    EXPECT_EQ(dialog.height(), 121);
    EXPECT_FALSE(noResult->isVisible());
    EXPECT_TRUE(search->isDefault());

    QTest::keyClicks(text, "rock");
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_TRUE(noResult->isVisible());
    EXPECT_EQ(noResult->text(), QString::fromUtf8("0 résultat."));
    EXPECT_EQ(dialog.height(), 132);

    text->clear();
    QTest::keyClicks(text, "CAFE");
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_FALSE(noResult->isVisible());
    EXPECT_EQ(dialog.height(), StationSearchDialog::kFullHeight);
    ASSERT_EQ(results->count(), 2);
    EXPECT_EQ(results->item(0)->text(), QString::fromUtf8("Jazz Café"));

    // Nothing chosen: nothing plays.
    QTest::mouseClick(listen, Qt::LeftButton);
    EXPECT_TRUE(played.empty());
    results->setCurrentRow(1);
    QTest::mouseClick(listen, Qt::LeftButton);
    ASSERT_EQ(played.size(), 1u);
    // The page as it lies on disk.
    EXPECT_EQ(played[0], m_catalogue.html() + "Caf\xC3\xA9_Noir.htm");
    EXPECT_TRUE(FileExists(played[0]));

    auto* add = dialog.findChild<QPushButton*>("addToFavourites");
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::mouseClick(add, Qt::LeftButton);
    ASSERT_EQ(favourites.count, 1);
    EXPECT_EQ(favourites.names[0], "Caf\xE9 Noir");
    EXPECT_EQ(favourites.pages[0], "Caf\xE9_Noir.htm");
    EXPECT_EQ(m_prompt.texts(), (std::vector<std::string> { texts::kAlreadyAdded }));
}

} // namespace
