#include "catalogue/personallistdialog.h"

#include <algorithm>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "catalogue/cataloguetexts.h"
#include "cataloguefixture.h"
#include "common/updatelisting.h"
#include "scriptedprompt.h"

namespace {

namespace texts = catalogue_texts;

class PersonalListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_catalogue.write({
            { "Radio Nova", "Radio_Nova.htm", true, "nova.jpg", "Du son" },
            { "Jazz Caf\xE9", "Jazz_Cafe.htm", false, "", "Swing" },
            { "Radio", "Radio.htm", true, "", "" },
            { "Zebre FM", "Zebre_FM.htm", false, "", "" },
        });
    }

    PersonalListModel makeModel()
    {
        return PersonalListModel(
            m_catalogue.html(), m_prompt,
            [this](const std::string& path) {
                m_opened.push_back(path);
                m_openedExisted = FileExists(path);
            },
            [](int) {});
    }

    static PersonalListModel::Form formNamed(const std::string& name)
    {
        PersonalListModel::Form form;
        form.station.name = name;
        form.streamLink = "http://stream.example/live.mp3";
        return form;
    }

    // Names of the index's active lines, in file order.
    std::vector<std::string> activeNames() const
    {
        std::vector<std::string> names;
        for (const StationEntry& entry : m_catalogue.stations())
            if (entry.active)
                names.push_back(entry.name);
        return names;
    }

    CatalogueDir m_catalogue;
    ScriptedPrompt m_prompt;
    std::vector<std::string> m_opened;
    bool m_openedExisted = false;
};

TEST_F(PersonalListTest, opensWithBothListsAndEverythingDisabled)
{
    PersonalListModel model = makeModel();
    model.open();
    EXPECT_EQ(model.completeList(),
        (std::vector<std::string> { "Jazz Caf\xE9", "Radio", "Radio Nova", "Zebre FM" }));
    EXPECT_EQ(model.personalList(), (std::vector<std::string> { "Radio", "Radio Nova" }));
    EXPECT_FALSE(model.addEnabled());
    EXPECT_FALSE(model.modifyEnabled());
    EXPECT_FALSE(model.deleteEnabled());
    EXPECT_FALSE(
        model.logoEditEnabled() || model.siteEditEnabled() || model.descriptionEditEnabled());
    EXPECT_EQ(model.form().station.siteLink, "http://");
}

TEST_F(PersonalListTest, onlyATestAnsweredYesEnablesAdding)
{
    PersonalListModel model = makeModel();
    model.open();

    model.test(formNamed(""));
    ASSERT_EQ(m_prompt.texts(), (std::vector<std::string> { texts::kNameForgotten }));
    EXPECT_EQ(m_prompt.shown[0].icon, PromptIcon::Exclamation);
    EXPECT_TRUE(m_opened.empty());

    m_prompt.answers = { PromptAnswer::No, PromptAnswer::Yes };
    ASSERT_TRUE(model.test(formNamed("nouvelle radio")));
    EXPECT_FALSE(model.addEnabled());
    ASSERT_TRUE(model.test(formNamed("nouvelle radio")));
    EXPECT_TRUE(model.addEnabled());
    EXPECT_EQ(m_prompt.shown.back().title, kTestResultTitle);
    EXPECT_EQ(m_prompt.shown.back().text, kTestResultQuestion);
    // The test page was there for the browser, and is gone afterwards.
    ASSERT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_opened[1], m_catalogue.html() + "Nouvelle_radio_temp.htm");
    EXPECT_TRUE(m_openedExisted);
    EXPECT_FALSE(FileExists(m_opened[1]));
    EXPECT_EQ(model.form().station.name, "Nouvelle radio");

    // Any edit of the name asks for a new test; a known name can be rewritten.
    model.editName(formNamed("radio nova"));
    EXPECT_FALSE(model.addEnabled());
    EXPECT_TRUE(model.modifyEnabled());
    model.editName(formNamed("radio nov"));
    EXPECT_FALSE(model.modifyEnabled());
}

TEST_F(PersonalListTest, addingRefusesANameThatBeginsAnExistingOne)
{
    PersonalListModel model = makeModel();
    model.open();
    const std::string before = ReadTextFile(m_catalogue.index());
    for (const char* name : { "radio n", "JAZZ" }) {
        model.takeForm(formNamed(name));
        EXPECT_FALSE(model.add()) << name;
    }
    ASSERT_EQ(m_prompt.shown.size(), 2u);
    EXPECT_EQ(m_prompt.shown[0].text, texts::kStationExists);
    EXPECT_EQ(m_prompt.shown[0].icon, PromptIcon::Information);
    EXPECT_EQ(ReadTextFile(m_catalogue.index()), before);
}

TEST_F(PersonalListTest, addingWritesPageAndLineAndPutsTheStationInBothLists)
{
    PersonalListModel model = makeModel();
    model.open();
    // "Été Radio" in Windows-1252, typed with a small first letter.
    model.takeForm(formNamed("\xE9t\xE9 Radio"));
    ASSERT_TRUE(model.add());

    // The display name gets its capital and keeps its accents; the page file
    // is plain ASCII so that the view can ask for it by address.
    const auto stations = m_catalogue.stations();
    const auto added = std::find_if(stations.begin(), stations.end(),
        [](const StationEntry& e) { return e.name == "\xC9t\xE9 Radio"; });
    ASSERT_NE(added, stations.end());
    EXPECT_EQ(added->pageFile, "Ete_Radio.htm");
    EXPECT_TRUE(added->active);
    StationPageInfo page;
    ReadStationPage(m_catalogue.html() + "Ete_Radio.htm", page);
    EXPECT_EQ(page.title, "\xC9t\xE9 Radio");
    EXPECT_EQ(page.streamLink, "http://stream.example/live.mp3");

    EXPECT_NE(
        std::find(model.completeList().begin(), model.completeList().end(), "\xC9t\xE9 Radio"),
        model.completeList().end());
    EXPECT_EQ(model.completeList()[model.completeSelection()], "\xC9t\xE9 Radio");
    EXPECT_EQ(model.personalList(),
        (std::vector<std::string> { "Radio", "Radio Nova", "\xC9t\xE9 Radio" }));
    EXPECT_TRUE(m_prompt.shown.empty());

    // Another name folding to the same file gets a page of its own.
    EXPECT_EQ(model.newPageFile("Ete Radio"), "Ete_Radio_2.htm");
    EXPECT_EQ(model.newPageFile("AC/DC #1 & Co"), "AC_DC__1___Co.htm");
}

TEST_F(PersonalListTest, unwritablePageIsReportedAndNothingIsAdded)
{
    PersonalListModel model = makeModel();
    model.open();
    PersonalListModel::Form form = formNamed("Radio Sud");
    // A logo whose file name would lead out of the logo folder.
    form.station.logoChecked = true;
    form.logoPath = "/tmp/..";
    model.takeForm(form);
    EXPECT_FALSE(model.add());
    EXPECT_EQ(m_prompt.texts(), (std::vector<std::string> { texts::kPageNotWritten }));
    EXPECT_EQ(m_catalogue.stations().size(), 4u);

    model.takeForm(formNamed("Radio <b>"));
    EXPECT_FALSE(model.add());
    EXPECT_EQ(m_prompt.shown.back().text, texts::kNameHasMarkup);
}

TEST_F(PersonalListTest, choosingAStationFillsTheFormFromItsPage)
{
    PersonalListModel model = makeModel();
    model.open();
    model.chooseComplete(2); // "Radio Nova": logo and description
    EXPECT_EQ(model.form().station.name, "Radio Nova");
    EXPECT_EQ(model.selectedName(), "Radio Nova");
    EXPECT_EQ(model.form().logoPath, m_catalogue.html() + "logo/nova.jpg");
    EXPECT_TRUE(model.logoEditEnabled());
    EXPECT_TRUE(model.descriptionEditEnabled());
    EXPECT_EQ(model.form().station.description, "Du son");
    EXPECT_FALSE(model.siteEditEnabled());
    EXPECT_TRUE(model.modifyEnabled());
    EXPECT_TRUE(model.deleteEnabled());

    model.chooseComplete(0); // "Jazz Café": no logo, a description
    EXPECT_TRUE(model.form().logoPath.empty());
    EXPECT_FALSE(model.form().station.logoChecked);
    EXPECT_EQ(model.form().station.description, "Swing");
    EXPECT_TRUE(model.form().station.descriptionChecked);
}

TEST_F(PersonalListTest, modifyRewritesThePageUnderItsOwnName)
{
    PersonalListModel model = makeModel();
    model.open();
    const std::string index = ReadTextFile(m_catalogue.index());
    PersonalListModel::Form form = formNamed("jazz caf\xE9"); // another case
    form.station.descriptionChecked = true;
    form.station.description = "Be-bop";
    ASSERT_TRUE(model.modify(form));
    StationPageInfo page;
    ReadStationPage(m_catalogue.html() + "Jazz_Cafe.htm", page);
    EXPECT_EQ(page.description, "Be-bop");
    EXPECT_EQ(ReadTextFile(m_catalogue.index()), index);
    EXPECT_EQ(model.completeSelection(), 0);
    // Recorded as the listener's own, so that an update leaves it alone.
    EXPECT_EQ(ReadListenerPages(m_catalogue.html()), std::vector<std::string> { "jazz_cafe.htm" });
}

TEST_F(PersonalListTest, movesAreWrittenOnlyWhenApplied)
{
    PersonalListModel model = makeModel();
    model.open();
    const std::string before = ReadTextFile(m_catalogue.index());
    model.chooseComplete(3);
    model.addToPersonal(); // "Zebre FM"
    model.choosePersonal(1);
    model.removeFromPersonal(); // "Radio Nova"
    EXPECT_EQ(model.personalList(), (std::vector<std::string> { "Radio", "Zebre FM" }));
    EXPECT_EQ(ReadTextFile(m_catalogue.index()), before);

    ASSERT_TRUE(model.apply());
    EXPECT_EQ(activeNames(), (std::vector<std::string> { "Radio", "Zebre FM" }));

    model.addAllToPersonal();
    model.apply();
    EXPECT_EQ(activeNames().size(), 4u);
    model.clearPersonal();
    model.apply();
    EXPECT_TRUE(activeNames().empty());
}

TEST_F(PersonalListTest, deletingRemovesTheStationFromBothListsAfterConfirmation)
{
    PersonalListModel model = makeModel();
    model.open();
    model.chooseComplete(2); // "Radio Nova", in both lists

    m_prompt.answers = { PromptAnswer::No };
    EXPECT_FALSE(model.remove());
    EXPECT_EQ(m_catalogue.stations().size(), 4u);

    m_prompt.answers = { PromptAnswer::Yes };
    ASSERT_TRUE(model.remove());
    EXPECT_EQ(m_prompt.shown.back().title, texts::kConfirmTitle);
    EXPECT_EQ(m_prompt.shown.back().text, texts::kConfirmDelete);
    EXPECT_EQ(model.personalList(), (std::vector<std::string> { "Radio" }));
    EXPECT_EQ(model.completeList().size(), 3u);
    EXPECT_FALSE(FileExists(m_catalogue.html() + "Radio_Nova.htm"));
    EXPECT_EQ(m_catalogue.stations().size(), 3u);
    EXPECT_TRUE(model.selectedName().empty());
    EXPECT_FALSE(model.deleteEnabled());

    // Only in the complete list: the personal list stays as it is.
    model.chooseComplete(0); // "Jazz Café"
    m_prompt.answers = { PromptAnswer::Yes };
    ASSERT_TRUE(model.remove());
    EXPECT_EQ(model.personalList(), (std::vector<std::string> { "Radio" }));
    EXPECT_EQ(model.completeList(), (std::vector<std::string> { "Radio", "Zebre FM" }));
}

TEST_F(PersonalListTest, dialogTestsAddsAndAppliesThroughItsControls)
{
    m_prompt.answers = { PromptAnswer::Yes };
    PersonalListDialog dialog(
        m_catalogue.html(), nullptr, &m_prompt,
        [this](const std::string& path) { m_opened.push_back(path); }, [](int) {});
    dialog.show();
    auto* name = dialog.findChild<QLineEdit*>("stationName");
    auto* link = dialog.findChild<QLineEdit*>("streamLink");
    auto* add = dialog.findChild<QPushButton*>("addStation");
    auto* complete = dialog.findChild<QListWidget*>("completeList");
    auto* personal = dialog.findChild<QListWidget*>("personalList");
    ASSERT_TRUE(name && link && add && complete && personal);
    EXPECT_EQ(name->maxLength(), 40);
    EXPECT_EQ(complete->count(), 4);
    EXPECT_EQ(personal->count(), 2);

    QTest::keyClicks(name, "caf");
    QTest::sendKeyEvent(
        QTest::Click, name, Qt::Key_unknown, QString::fromUtf8("\u00e9"), Qt::NoModifier);
    QTest::keyClicks(name, " sud");
    QTest::keyClicks(link, "http://stream.example/sud.mp3");
    EXPECT_FALSE(add->isEnabled());
    QTest::mouseClick(dialog.findChild<QPushButton*>("testStation"), Qt::LeftButton);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_EQ(name->text(), QString::fromUtf8("Caf\u00e9 sud"));
    QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(complete->count(), 5);
    EXPECT_EQ(complete->currentItem()->text(), QString::fromUtf8("Caf\u00e9 sud"));
    ASSERT_EQ(personal->count(), 3);

    // Ticking a box opens its edit.
    auto* siteBox = dialog.findChild<QCheckBox*>("siteBox");
    EXPECT_FALSE(dialog.findChild<QLineEdit*>("siteLink")->isEnabled());
    siteBox->click();
    EXPECT_TRUE(dialog.findChild<QLineEdit*>("siteLink")->isEnabled());

    // Choosing in the personal list names the station to delete.
    personal->setCurrentRow(0);
    EXPECT_EQ(
        dialog.findChild<QLineEdit*>("selectedName")->text(), QString::fromUtf8("Caf\u00e9 sud"));
    EXPECT_TRUE(dialog.findChild<QPushButton*>("deleteStation")->isEnabled());
    QTest::mouseClick(dialog.findChild<QPushButton*>("clearPersonal"), Qt::LeftButton);
    EXPECT_EQ(personal->count(), 0);

    QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(activeNames().empty());
    EXPECT_EQ(m_catalogue.stations().size(), 5u);
    EXPECT_EQ(m_prompt.shown.size(), 1u); // the test question only
}

} // namespace
