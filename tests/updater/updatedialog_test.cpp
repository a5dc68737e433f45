#include "updatedialog.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"
#include "common/updatelisting.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"
#include "updaterprompt.h"

namespace {

using testsupport::TempDir;

// The dialog over an installation and a site served over HTTP.
class Dialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_install.path() + "html/logo");
        ASSERT_TRUE(WriteTextFile(m_install.path() + "html/haut.htm", EmptyIndexText()));
        for (const char* folder : { "liste_radio/", "liste_radio/logo/", "soft/" }) {
            std::filesystem::create_directories(m_site.path() + folder);
            ASSERT_TRUE(WriteTextFile(m_site.path() + folder + kListingScript, ""));
        }
    }

    void publish(const std::string& folder, const std::string& name, const std::string& content)
    {
        ASSERT_TRUE(WriteTextFile(m_site.path() + folder + name, content));
        ASSERT_TRUE(WriteTextFile(m_site.path() + folder + kListingScript,
            MakeListing(m_site.path() + folder, nullptr, { kListingScript })));
    }

    std::unique_ptr<UpdateDialog> make(
        bool software, bool stationList, const testsupport::HttpServerOptions& options = {})
    {
        EXPECT_TRUE(m_server.start(m_site.path(), options));
        UpdateDialogSetup setup;
        setup.check.softwareUpdate = software;
        setup.check.stationListUpdate = stationList;
        setup.check.remote = { "1.3", "15/03/26", "Corrige le son\\net l'affichage", "2.8",
            "16/03/26", "Dix radios" };
        setup.install = { m_install.path(), m_install.path() + "html/", m_server.url(""),
            setup.check.remote };
        auto dialog = std::make_unique<UpdateDialog>(setup, m_prompt);
        dialog->setPlayerProbe([] { return false; });
        dialog->setPlayerLauncher(
            [this](const std::string& option) { m_launches.push_back(option); });
        return dialog;
    }

    TempDir m_install;
    TempDir m_site;
    testsupport::HttpServer m_server;
    ScriptedPrompt m_prompt;
    std::vector<std::string> m_launches;
};

TEST_F(Dialog, countsTickedItemsInSingularAndPlural)
{
    auto dialog = make(true, true);
    QTreeWidget* tree = dialog->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), Utf8Text("Sonalto 1.3"));
    EXPECT_EQ(tree->topLevelItem(1)->text(0), Utf8Text("Liste des radios 2.8"));
    EXPECT_EQ(dialog->countText(), "0");
    EXPECT_EQ(dialog->countWord(), Utf8Text("mise à jour selectionnée."));

    dialog->toggleItem(0);
    EXPECT_EQ(dialog->countText(), "1");
    EXPECT_EQ(dialog->countWord(), Utf8Text("mise à jour selectionnée."));
    // A click on the check box itself goes the same way.
    tree->topLevelItem(1)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(dialog->countText(), "2");
    EXPECT_EQ(dialog->countWord(), Utf8Text("mises à jour selectionnées."));
    dialog->toggleItem(0);
    EXPECT_EQ(dialog->countText(), "1");
    EXPECT_EQ(dialog->countWord(), Utf8Text("mise à jour selectionnée."));
}

TEST_F(Dialog, describesTheSelectedItemWithLineBreaks)
{
    auto dialog = make(true, true);
    dialog->tree()->setCurrentItem(dialog->tree()->topLevelItem(0));
    EXPECT_EQ(dialog->descriptionTitle(), Utf8Text("Version 1.3 - 15/03/26"));
    EXPECT_EQ(dialog->descriptionBody(), Utf8Text("Corrige le son\net l'affichage"));
    dialog->tree()->setCurrentItem(dialog->tree()->topLevelItem(1));
    EXPECT_EQ(dialog->descriptionTitle(), Utf8Text("Version 2.8 - 16/03/26"));
    EXPECT_EQ(dialog->descriptionBody(), Utf8Text("Dix radios"));
}

TEST_F(Dialog, nothingTickedSaysSoAndStays)
{
    auto dialog = make(false, true);
    ASSERT_EQ(dialog->tree()->topLevelItemCount(), 1);
    EXPECT_EQ(dialog->tree()->topLevelItem(0)->text(0), Utf8Text("Liste des radios 2.8"));
    dialog->pressMainButton();
    EXPECT_EQ(
        m_prompt.lines(), std::vector<std::string> { "Erreur | Aucune mise à jour sélectionnée." });
    EXPECT_EQ(dialog->mainButton()->text(), Utf8Text("Télécharger >"));
    EXPECT_TRUE(dialog->descriptionShown());
    EXPECT_FALSE(dialog->progressShown());
}

TEST_F(Dialog, mainButtonGoesFromDownloadToWaitToFinish)
{
    publish("liste_radio/", "Nova.htm", "<html><font name=\"titre\">Nova</font></html>");
    publish("liste_radio/logo/", "Nova.jpg", "une image de logo");
    auto dialog = make(false, true);
    dialog->show();
    // The only item is the station list.
    dialog->toggleItem(0);
    dialog->pressMainButton();
    EXPECT_EQ(dialog->mainButton()->text(), Utf8Text("Patientez..."));
    EXPECT_EQ(
        dialog->serverText(), Utf8Text("Serveur : 127.0.0.1:") + QString::number(m_server.port()));
    EXPECT_TRUE(dialog->progressShown());
    EXPECT_FALSE(dialog->descriptionShown());
    // Pressed again while it waits: nothing.
    dialog->pressMainButton();
    EXPECT_EQ(dialog->mainButton()->text(), Utf8Text("Patientez..."));

    QTRY_COMPARE_WITH_TIMEOUT(dialog->mainButton()->text(), Utf8Text("Terminer"), 20000);
    EXPECT_EQ(dialog->statusText(), Utf8Text("Terminé."));
    EXPECT_EQ(ReadTextFile(m_install.path() + "html/logo/Nova.jpg"), "une image de logo");
    EXPECT_EQ(ListStations(ReadTextFile(m_install.path() + "html/haut.htm")).size(), 1u);
    EXPECT_TRUE(m_prompt.shown.empty());
    dialog->pressMainButton();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(Dialog, failureGoesBackToTheSelection)
{
    publish("soft/", "SntScheduler", "nouveau programme");
    ASSERT_TRUE(DeleteFile(m_site.path() + "liste_radio/logo/" + kListingScript));
    auto dialog = make(true, true);
    dialog->show();
    dialog->toggleItem(0);
    dialog->toggleItem(1);
    dialog->tree()->setCurrentItem(dialog->tree()->topLevelItem(0));
    dialog->pressMainButton();
    QTRY_COMPARE_WITH_TIMEOUT(dialog->mainButton()->text(), Utf8Text("Télécharger >"), 20000);
    EXPECT_EQ(m_prompt.lines(),
        (std::vector<std::string> { "Erreur | Impossible de lister le répertoire HTTP",
            "Erreur | Impossible de télécharger la mise à jour.\nRecommencez ultèrieurement." }));
    EXPECT_EQ(dialog->countText(), "0");
    EXPECT_EQ(dialog->countWord(), Utf8Text("mise à jour selectionnée."));
    EXPECT_EQ(dialog->tree()->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(dialog->tree()->topLevelItem(1)->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(dialog->descriptionTitle().isEmpty());
    EXPECT_TRUE(dialog->descriptionBody().isEmpty());
    EXPECT_TRUE(dialog->descriptionShown());
    EXPECT_FALSE(dialog->progressShown());
    EXPECT_TRUE(dialog->isVisible());
    // The software was never reached.
    EXPECT_FALSE(FileExists(m_install.path() + "SntScheduler"));
}

TEST_F(Dialog, leavingDuringTheDownloadAsksFirst)
{
    testsupport::HttpServerOptions options;
    options.stalls.push_back({ "/liste_radio/Lent.htm", 60.0 });
    publish("liste_radio/", "Lent.htm", "<html>une page lente</html>");
    auto dialog = make(false, true, options);
    dialog->show();
    dialog->toggleItem(0);
    dialog->pressMainButton();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->installer().step() == 2, 10000);

    m_prompt.answers = { PromptAnswer::No, PromptAnswer::Yes };
    dialog->reject();
    EXPECT_TRUE(dialog->isVisible());
    dialog->reject();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    ASSERT_EQ(m_prompt.shown.size(), 2u);
    EXPECT_EQ(m_prompt.shown[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(m_prompt.lines()[0],
        "Attention ! | Attention ! Vous êtes actuellement en train de télécharger une mise à "
        "jour.\nEn quittant maintenant vous risquez de rendre Snt inutilisable.\n\nEtes vous sûr "
        "de vouloir quitter la mise à jour ?");
    EXPECT_FALSE(dialog->installer().installing());
    EXPECT_TRUE(m_launches.empty());

    // Outside a download the dialog closes without a question.
    auto other = make(false, true);
    other->show();
    other->reject();
    EXPECT_EQ(other->result(), QDialog::Rejected);
    EXPECT_EQ(m_prompt.shown.size(), 2u);
}

TEST_F(Dialog, stoppedPlayerComesBackWhenTheDialogEndsWhileItWaits)
{
    testsupport::HttpServerOptions options;
    options.stalls.push_back({ "/liste_radio/Lent.htm", 60.0 });
    publish("liste_radio/", "Lent.htm", "<html>une page lente</html>");
    auto dialog = make(false, true, options);
    // The player told to stop takes its time to close.
    bool playerRuns = true;
    dialog->setPlayerProbe([&playerRuns] { return playerRuns; });
    dialog->show();
    dialog->toggleItem(0);
    dialog->pressMainButton();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->installer().step() == 2, 10000);
    EXPECT_EQ(m_launches, std::vector<std::string> { "-stop" });

    // The listener leaves: the restart waits for the old player to go, and
    // the end of the dialog does not drop it.
    m_prompt.answers = { PromptAnswer::Yes };
    dialog->reject();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->launchPending());
    EXPECT_EQ(m_launches, std::vector<std::string> { "-stop" });
    playerRuns = false;
    dialog->finishPendingLaunch();
    EXPECT_EQ(m_launches, (std::vector<std::string> { "-stop", "" }));
    EXPECT_FALSE(dialog->launchPending());
}

} // namespace
