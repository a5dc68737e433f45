#include "catalogue/directorydialog.h"

#include <QCheckBox>
#include <QRegularExpression>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "cataloguefixture.h"
#include "common/fetch.h"
#include "common/pagename.h"
#include "common/stationindex.h"
#include "common/stationpage.h"
#include "common/textfile.h"
#include "support/eventwait.h"
#include "support/scriptedprompt.h"

namespace {

// The model alone: the query its fields make and what each answer shows.
TEST(DirectoryModel, makesTheQueryAndKeepsWhatWasShownOnABadAnswer)
{
    CatalogueDir catalogue;
    catalogue.write({ { "Radio Nova", "Radio_Nova.htm", true, "", "" } });
    ScriptedPrompt prompt;
    DirectoryModel model(catalogue.html(), prompt);

    // The countries in the order the listener meets them, then all; the
    // name goes to the directory only when nothing else narrows the search.
    std::vector<std::string> paths;
    for (int country = 0; country < 6; ++country) {
        model.setQuery("été", country, "", "");
        paths.push_back(model.searchPath());
    }
    const std::string start = "/json/stations/search?order=votes&reverse=true&limit=200";
    EXPECT_EQ(paths,
        (std::vector<std::string> { start + "&countrycode=FR&hidebroken=false",
            start + "&countrycode=BE&hidebroken=false", start + "&countrycode=CH&hidebroken=false",
            start + "&countrycode=CA&hidebroken=false", start + "&countrycode=LU&hidebroken=false",
            start + "&name=%C3%A9t%C3%A9&hidebroken=false" }));
    model.setQuery("", 5, "french", "jazz");
    EXPECT_EQ(model.searchPath(), start + "&language=french&tag=jazz&hidebroken=false");

    const std::string answer = R"([
        {"stationuuid":"a","name":"Jazz Été","url_resolved":"http://a.example/","lastcheckok":1},
        {"stationuuid":"b","name":"Jazz Panne","url_resolved":"http://b.example/","lastcheckok":0},
        {"stationuuid":"c","name":"Sans flux","url_resolved":"ftp://c.example/","lastcheckok":1}])";
    model.setQuery("ete", 0, "", "jazz");
    model.takeAnswer(true, false, answer);
    ASSERT_EQ(model.shown().size(), 1U);
    EXPECT_EQ(model.shown()[0].name, "Jazz Été");
    EXPECT_EQ(model.status(), "");
    model.setQuery("", 0, "", "jazz");
    model.setShowBroken(true);
    EXPECT_EQ(model.shown().size(), 2U);

    // No server, or only servers answering what is not a station list: one
    // line, and the rows found before stay.
    model.takeAnswer(false, false, "");
    EXPECT_EQ(model.status(), kDirectoryOffline);
    model.takeAnswer(false, true, "");
    EXPECT_EQ(model.status(), "La réponse de l'annuaire n'est pas lisible.");
    EXPECT_EQ(model.shown().size(), 2U);
    // Stations without a usable stream are no result.
    model.takeAnswer(true, false, R"([{"name":"Sans flux","url_resolved":"rtsp://x/"}])");
    EXPECT_TRUE(model.shown().empty());
    EXPECT_EQ(model.status(), kDirectoryNothingFound);

    // A name that cannot name a page is told and leaves the list as it was.
    const std::string index = ReadTextFile(catalogue.index());
    DirectoryStation unsafe;
    unsafe.name = "../Radio";
    unsafe.stream = "http://a.example/";
    EXPECT_FALSE(model.add(unsafe, ""));
    EXPECT_EQ(prompt.texts(),
        std::vector<std::string> {
            "Le nom « ../Radio » ne peut pas servir de nom de page : la station n'a pas été "
            "ajoutée." });
    EXPECT_EQ(ReadTextFile(catalogue.index()), index);
}

// The dialog against the directory fixture of the local test server.
class DirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_catalogue.write({ { "Radio Nova", "Radio_Nova.htm", true, "", "" } });
        ASSERT_TRUE(m_server.start(m_root.path()));
    }

    std::unique_ptr<DirectoryDialog> makeDialog(const std::string& servers)
    {
        auto dialog = std::make_unique<DirectoryDialog>(m_catalogue.html(), servers,
            DirectoryDialog::Actions {
                [this](const std::string& page) { m_played.push_back(page); },
                [this] { ++m_stops; }, [this] { ++m_added; } },
            nullptr, &m_prompt);
        return dialog;
    }

    std::string good() const { return m_server.url("/_dir"); }

    // Types the search and waits for its answer.
    static bool searchJazzInFrance(DirectoryDialog& dialog)
    {
        dialog.findChild<QLineEdit*>("tag")->setText("jazz");
        dialog.findChild<QComboBox*>("country")->setCurrentIndex(0);
        QSignalSpy searched(&dialog, &DirectoryDialog::searched);
        dialog.search();
        return searched.wait(15000);
    }

    static QStringList names(const DirectoryDialog& dialog)
    {
        QStringList rows;
        const auto* results = dialog.findChild<QTreeWidget*>("results");
        for (int i = 0; i < results->topLevelItemCount(); ++i)
            rows << results->topLevelItem(i)->text(0);
        return rows;
    }

    static void select(DirectoryDialog& dialog, const QString& name)
    {
        auto* results = dialog.findChild<QTreeWidget*>("results");
        const auto found = results->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        results->setCurrentItem(found[0]);
    }

    static bool add(DirectoryDialog& dialog)
    {
        QSignalSpy finished(&dialog, &DirectoryDialog::addFinished);
        dialog.addSelected();
        EXPECT_TRUE(finished.wait(15000));
        return !finished.isEmpty() && finished.first().first().toBool();
    }

    std::string clicks() const
    {
        std::string text;
        FetchText(m_server.url("/_dir/clicks"), 5, text);
        return text;
    }

    CatalogueDir m_catalogue;
    testsupport::TempDir m_root { "sonalto-dirroot" };
    testsupport::HttpServer m_server;
    ScriptedPrompt m_prompt;
    std::vector<std::string> m_played;
    int m_stops = 0;
    int m_added = 0;
};

TEST_F(DirectoryTest, searchFallsBackPastADeadServerAndHidesBrokenStreams)
{
    // The first server refuses connections, the second answers HTML.
    auto dialog = makeDialog("http://127.0.0.1:1," + m_server.url("/_status/200") + "," + good());
    ASSERT_TRUE(searchJazzInFrance(*dialog));
    const QStringList shown = names(*dialog);
    EXPECT_EQ(shown.size(), 8);
    EXPECT_TRUE(shown.contains(QStringLiteral("Jazz à Paris")));
    EXPECT_FALSE(shown.contains(QStringLiteral("Jazz Panne")));
    EXPECT_FALSE(shown.contains(QStringLiteral("Bruxelles Jazz")));
    dialog->findChild<QCheckBox*>("showBroken")->setChecked(true);
    EXPECT_TRUE(names(*dialog).contains(QStringLiteral("Jazz Panne")));
    // Every call named the player and its version.
    std::string agents;
    FetchText(m_server.url("/_dir/agents"), 5, agents);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\["Sonalto/\d+\.\d+[^"]*"\]$)"))
                    .match(QString::fromStdString(agents))
                    .hasMatch())
        << agents;

    // The name box filters, accents ignored.
    dialog->findChild<QLineEdit*>("name")->setText("elan");
    QSignalSpy searched(dialog.get(), &DirectoryDialog::searched);
    dialog->search();
    ASSERT_TRUE(searched.wait(15000));
    EXPECT_EQ(names(*dialog), QStringList { QStringLiteral("Élan Jazz Lyon") });
}

TEST_F(DirectoryTest, unreachableDirectorySaysSoInOneLineAndKeepsTheList)
{
    const std::string index = ReadTextFile(m_catalogue.index());
    auto dialog = makeDialog("http://127.0.0.1:1,http://127.0.0.1:2");
    ASSERT_TRUE(searchJazzInFrance(*dialog));
    EXPECT_EQ(dialog->findChild<QLabel*>("status")->text(),
        QStringLiteral("Annuaire injoignable : vérifiez la connexion."));
    EXPECT_TRUE(names(*dialog).isEmpty());
    EXPECT_TRUE(m_prompt.shown.empty());
    EXPECT_EQ(ReadTextFile(m_catalogue.index()), index);
}

TEST_F(DirectoryTest, playWritesATrialPageAndCountsTheClickWithoutAdding)
{
    const std::string index = ReadTextFile(m_catalogue.index());
    {
        auto dialog = makeDialog(good());
        ASSERT_TRUE(searchJazzInFrance(*dialog));
        select(*dialog, QStringLiteral("Jazz à Paris"));
        dialog->play();
        ASSERT_EQ(m_played.size(), 1U);
        StationPageInfo info;
        ReadStationPage(m_played[0], info);
        EXPECT_EQ(info.streamLink, m_server.url("/_stream?name=Jazz%20%C3%A0%20Paris"));
        EXPECT_TRUE(
            WaitUntil([&] { return clicks().find("uuid-0000") != std::string::npos; }, 10000));
    }
    // Closing ends the play and removes the trial page; the list is as it was.
    EXPECT_EQ(m_stops, 1);
    EXPECT_FALSE(FileExists(m_played[0]));
    EXPECT_EQ(ReadTextFile(m_catalogue.index()), index);
    EXPECT_EQ(m_added, 0);
}

TEST_F(DirectoryTest, addMakesAPageWithASmallLogoAndAsksBeforeASecondCopy)
{
    auto dialog = makeDialog(good());
    ASSERT_TRUE(searchJazzInFrance(*dialog));
    // The broken streams shown while the icon is fetched move the rows: the
    // station chosen is the one added.
    select(*dialog, QStringLiteral("Jazz Grand Logo"));
    QSignalSpy finished(dialog.get(), &DirectoryDialog::addFinished);
    dialog->addSelected();
    dialog->findChild<QCheckBox*>("showBroken")->setChecked(true);
    ASSERT_TRUE(finished.wait(15000));
    ASSERT_TRUE(finished.first().first().toBool());
    EXPECT_FALSE(FileExists(m_catalogue.html() + FileNameOnDisk("Jazz_\xC9norme_Logo.htm")));
    EXPECT_EQ(m_added, 1);
    StationPageInfo info;
    ReadStationPage(m_catalogue.html() + "Jazz_Grand_Logo.htm", info);
    EXPECT_EQ(info.title, "Jazz Grand Logo");
    const QImage logo(QString::fromStdString(m_catalogue.html() + "logo/" + info.logoFile));
    ASSERT_FALSE(logo.isNull()) << info.logoFile;
    EXPECT_EQ(logo.width(), 128);
    EXPECT_NE(ReadTextFile(m_catalogue.index()).find("Jazz_Grand_Logo.htm"), std::string::npos);

    // The same name again: No adds nothing, Yes adds "(2)".
    select(*dialog, QStringLiteral("Jazz Grand Logo"));
    m_prompt.answers = { PromptAnswer::No, PromptAnswer::Yes };
    EXPECT_FALSE(add(*dialog));
    ASSERT_TRUE(add(*dialog));
    EXPECT_EQ(m_prompt.shown.size(), 2U);
    EXPECT_EQ(m_prompt.shown[0].text,
        "« Jazz Grand Logo » est déjà dans votre liste.\nAjouter une seconde station de ce nom ?");
    EXPECT_TRUE(FileExists(m_catalogue.html() + "Jazz_Grand_Logo_(2).htm"));

    // A favicon that claims a gigantic picture is not decoded: the station
    // is added with the shared default logo.
    select(*dialog, QStringLiteral("Jazz Énorme Logo"));
    ASSERT_TRUE(add(*dialog));
    ReadStationPage(m_catalogue.html() + FileNameOnDisk("Jazz_\xC9norme_Logo.htm"), info);
    EXPECT_EQ(info.title, "Jazz \xC9norme Logo");
    EXPECT_EQ(info.logoFile, kDefaultLogoFile);
}

} // namespace
