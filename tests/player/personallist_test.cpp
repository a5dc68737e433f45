#include "catalogue/personallistdialog.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "catalogue/cataloguetexts.h"
#include "catalogue/namelist.h"
#include "cataloguefixture.h"
#include "common/updatelisting.h"
#include "support/scriptedprompt.h"

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
        return PersonalListModel(m_catalogue.html(), m_prompt,
            { [this](const std::string& path) {
                 m_opened.push_back(path);
                 m_openedExisted = FileExists(path);
             },
                [] {} });
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
    // The test page was there for the player, and is gone afterwards.
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

TEST_F(PersonalListTest, unwritableCatalogueIsReportedAndTheListsShowTheDisk)
{
    PersonalListModel model = makeModel();
    model.open();
    const std::string before = ReadTextFile(m_catalogue.index());
    ASSERT_EQ(::chmod(m_catalogue.html().c_str(), 0555), 0);
    {
        AsOrdinaryUser listener;
        // A read-only HTML folder: no page, no line, no deletion, no apply.
        model.takeForm(formNamed("Radio Sud"));
        EXPECT_FALSE(model.add());
        model.chooseComplete(2); // "Radio Nova"
        m_prompt.answers = { PromptAnswer::Yes };
        EXPECT_FALSE(model.remove());
        model.clearPersonal();
        EXPECT_FALSE(model.apply());
    }
    ASSERT_EQ(::chmod(m_catalogue.html().c_str(), 0755), 0);
    EXPECT_EQ(m_prompt.texts(),
        (std::vector<std::string> { texts::kPageNotWritten, texts::kConfirmDelete,
            texts::kIndexNotWritten, texts::kIndexNotWritten }));
    EXPECT_EQ(ReadTextFile(m_catalogue.index()), before);
    EXPECT_TRUE(FileExists(m_catalogue.html() + "Radio_Nova.htm"));
    EXPECT_EQ(model.completeList().size(), 4u);

    // An index the listener may not read: the new page does not stay behind
    // unlisted.
    ASSERT_EQ(::chmod(m_catalogue.html().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(m_catalogue.index().c_str(), 0), 0);
    {
        AsOrdinaryUser listener;
        model.takeForm(formNamed("Radio Sud"));
        EXPECT_FALSE(model.add());
    }
    ASSERT_EQ(::chmod(m_catalogue.index().c_str(), 0644), 0);
    EXPECT_EQ(m_prompt.shown.back().text, texts::kIndexNotWritten);
    EXPECT_FALSE(FileExists(m_catalogue.html() + "Radio_Sud.htm"));
    EXPECT_EQ(ReadTextFile(m_catalogue.index()), before);

    model.takeForm(formNamed("Radio <b>"));
    EXPECT_FALSE(model.add());
    EXPECT_EQ(m_prompt.shown.back().text, texts::kNameHasMarkup);
}

TEST_F(PersonalListTest, deletingKeepsEveryFileAnotherStationStillUses)
{
    const std::string html = m_catalogue.html();
    m_catalogue.write({
        { "Alpha", "Alpha.htm", true, "", "" },
        { "Beta", "Beta.htm", true, "partage.png", "", "mes listes.pls" },
        { "Delta", "Delta.htm", true, "delta.png", "", "delta.pls" },
        { "Gamma", "Gamma.htm", true, "partage.png", "", "mes listes.pls" },
    });
    for (const char* file : { "logo/partage.png", "logo/delta.png", "mes listes.pls", "delta.pls" })
        WriteTextFile(html + file, file);
    PersonalListModel model = makeModel();
    model.open();
    const auto removeStation = [&](int index) {
        model.chooseComplete(index);
        m_prompt.answers = { PromptAnswer::Yes };
        return model.remove();
    };

    // Delta's own picture and playlist go with it.
    ASSERT_TRUE(removeStation(2));
    EXPECT_FALSE(FileExists(html + "logo/delta.png"));
    EXPECT_FALSE(FileExists(html + "delta.pls"));
    // A page without a logo of its own shows the shared default logo.
    ASSERT_TRUE(removeStation(0));
    EXPECT_FALSE(FileExists(html + "Alpha.htm"));
    EXPECT_EQ(ReadTextFile(html + "logo/sntlogo.jpg"), ReadTextFile(CatalogueDir::shippedLogo()));
    // Gamma shows the same picture and plays the same playlist as Beta.
    ASSERT_TRUE(removeStation(0));
    EXPECT_TRUE(FileExists(html + "logo/partage.png"));
    EXPECT_TRUE(FileExists(html + "mes listes.pls"));
    // Once the last page naming them goes, they go too.
    ASSERT_TRUE(removeStation(0));
    EXPECT_FALSE(FileExists(html + "logo/partage.png"));
    EXPECT_FALSE(FileExists(html + "mes listes.pls"));
    EXPECT_TRUE(FileExists(html + "logo/sntlogo.jpg"));
    EXPECT_TRUE(m_catalogue.stations().empty());
}

TEST_F(PersonalListTest, afterADeletionNothingActsOnAnotherStation)
{
    // A hand-edited index: "Radio Nova" comes before "Radio".
    m_catalogue.write({
        { "Radio Nova", "Radio_Nova.htm", true, "nova.jpg", "Du son" },
        { "Radio", "Radio.htm", true, "", "", "http://radio.example/live" },
        { "Radio Sud", "Radio_Sud.htm", true, "", "" },
    });
    PersonalListModel model = makeModel();
    model.open();
    ASSERT_EQ(model.completeList()[0], "Radio");
    model.chooseComplete(0);
    EXPECT_EQ(model.form().streamLink, "http://radio.example/live");

    // Rewriting "Radio" rewrites its own page only.
    const std::string nova = ReadTextFile(m_catalogue.html() + "Radio_Nova.htm");
    PersonalListModel::Form form = model.form();
    form.streamLink = "http://radio.example/nouveau";
    ASSERT_TRUE(model.modify(form));
    EXPECT_EQ(ReadTextFile(m_catalogue.html() + "Radio_Nova.htm"), nova);
    StationPageInfo page;
    ReadStationPage(m_catalogue.html() + "Radio.htm", page);
    EXPECT_EQ(page.streamLink, "http://radio.example/nouveau");

    m_prompt.answers = { PromptAnswer::Yes };
    ASSERT_TRUE(model.remove());
    EXPECT_FALSE(model.modifyEnabled());
    EXPECT_FALSE(model.deleteEnabled());
    EXPECT_FALSE(model.addEnabled());
    EXPECT_EQ(ReadTextFile(m_catalogue.html() + "Radio_Nova.htm"), nova);
}

TEST_F(PersonalListTest, chosenLogoIsCopiedUnderANameEveryPageCanCarry)
{
    // Pictures as a listener's folder holds them: UTF-8 names with accents
    // and the marks that break a tag or an address.
    testsupport::TempDir pictures;
    const std::string chosen = pictures.path() + "Logo \xC3\xA9t\xC3\xA9 #1?\".PNG";
    std::filesystem::copy_file(CatalogueDir::shippedLogo(), chosen);
    const std::string other = pictures.path() + "autre/";
    std::filesystem::create_directories(other);
    WriteTextFile(other + "Logo \xC3\xA9t\xC3\xA9 #1?\".PNG", "une autre image");

    PersonalListModel model = makeModel();
    model.open();
    const auto addWithLogo = [&](const std::string& name, const std::string& logo) {
        PersonalListModel::Form form = formNamed(name);
        model.takeForm(form);
        model.chooseLogo(logo);
        return model.add();
    };
    ASSERT_TRUE(addWithLogo("Radio Ete", chosen));
    ASSERT_TRUE(addWithLogo("Autre Ete", other + "Logo \xC3\xA9t\xC3\xA9 #1?\".PNG"));

    StationPageInfo first;
    ReadStationPage(m_catalogue.html() + "Radio_Ete.htm", first);
    EXPECT_EQ(first.logoFile, "Logo_ete__1__.png");
    EXPECT_EQ(ReadTextFile(m_catalogue.html() + "logo/" + first.logoFile), ReadTextFile(chosen));
    // Another picture of the same name does not replace the first one.
    StationPageInfo second;
    ReadStationPage(m_catalogue.html() + "Autre_Ete.htm", second);
    EXPECT_EQ(second.logoFile, "Logo_ete__1___2.png");
    EXPECT_EQ(ReadTextFile(m_catalogue.html() + "logo/" + second.logoFile), "une autre image");

    // Choosing the station again shows the copy, and rewriting it keeps it.
    const int index = FindNameNoCase(model.completeList(), "Radio Ete");
    model.chooseComplete(index);
    EXPECT_TRUE(model.form().station.logoChecked);
    EXPECT_EQ(model.form().logoPath, m_catalogue.html() + "logo/Logo_ete__1__.png");
    ASSERT_TRUE(model.modify(model.form()));
    ReadStationPage(m_catalogue.html() + "Radio_Ete.htm", first);
    EXPECT_EQ(first.logoFile, "Logo_ete__1__.png");
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

    // "Jazz Café": the default logo, which is no chosen logo, and a
    // description.
    model.chooseComplete(0);
    EXPECT_TRUE(model.form().logoPath.empty());
    EXPECT_FALSE(model.form().station.logoChecked);
    EXPECT_EQ(model.form().station.description, "Swing");
    EXPECT_TRUE(model.form().station.descriptionChecked);

    // A station whose page is gone is still named for deletion by its line.
    DeleteFile(m_catalogue.html() + "Zebre_FM.htm");
    model.chooseComplete(3);
    EXPECT_EQ(model.selectedName(), "Zebre FM");
    m_prompt.answers = { PromptAnswer::Yes };
    EXPECT_TRUE(model.remove());
    EXPECT_EQ(m_catalogue.stations().size(), 3u);
    EXPECT_EQ(m_prompt.texts(), (std::vector<std::string> { texts::kConfirmDelete }));
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
    PersonalListDialog dialog(m_catalogue.html(), nullptr, &m_prompt,
        { [this](const std::string& path) { m_opened.push_back(path); }, [] {} });
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
