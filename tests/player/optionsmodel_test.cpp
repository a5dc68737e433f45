#include "settings/optionsmodel.h"

#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "common/ui/skinloader.h"
#include "recordinghost.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::TempDir;

class OptionsModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyDefaultSettings(m_settings, m_install.path(), ScreenSize { 1280, 1024 });
        ::mkdir((m_install.path() + "html").c_str(), 0700);
        WriteTextFile(m_install.path() + "html/index.htm", "<html></html>");
        m_settings.pathHtml = m_install.path() + "html/";
    }

    OptionsModel model() { return OptionsModel(m_host, m_prompt); }

    TempDir m_install { "sonalto-options" };
    Settings m_settings;
    ScriptedPrompt m_prompt;
    RecordingHost m_host { m_settings, m_install.path() };
};

TEST_F(OptionsModelTest, okAppliesEveryStepInOrder)
{
    TempDir other { "sonalto-other-html" };
    WriteTextFile(other.path() + "index.htm", "<html></html>");
    m_settings.listenButton = false;
    m_settings.onTop = true;

    struct Case {
        bool mini;
        std::vector<std::string> calls;
    };
    const std::string dir = other.path();
    const Case cases[] = {
        { false,
            { "list with button", "tray", "view " + dir + "index.htm", "haut " + dir + "haut.htm",
                "resize 251x288 plain", "save" } },
        // The mini layout keeps its plain list and its size; the frame page
        // is reloaded for the directory and for the button.
        { true,
            { "list without button", "tray", "view " + dir + "indexmini.htm",
                "view " + dir + "indexmini.htm", "save" } },
    };
    const std::string start = m_settings.pathHtml;
    for (const Case& c : cases) {
        m_settings.pathHtml = start;
        m_settings.listenButton = false;
        m_host.calls.clear();
        m_host.mini = c.mini;
        OptionsModel options = model();
        options.fields.height = "300";
        options.fields.width = "320";
        options.defaults();
        // Typed as a path usually is, without the '/'.
        options.fields.htmlDirectory = dir.substr(0, dir.size() - 1);
        options.fields.songNotifications = true;
        options.fields.listenButton = true;
        options.fields.onTop = false;
        options.fields.updates = false;
        options.fields.splashScreen = false;
        options.fields.saveLastUrl = false;
        options.fields.assignLogo = false;
        ASSERT_TRUE(options.accept());
        EXPECT_EQ(m_host.calls, c.calls);
        EXPECT_TRUE(m_prompt.shown.empty());
        EXPECT_EQ(m_settings.pathHtml, dir);
        EXPECT_EQ(m_settings.width, 251);
        EXPECT_EQ(m_settings.height, 288);
        EXPECT_TRUE(m_settings.listenButton);
        EXPECT_TRUE(m_settings.songNotifications);
        EXPECT_FALSE(m_settings.onTop || m_settings.updates || m_settings.splashScreen
            || m_settings.saveLastUrl || m_settings.assignLogo);
    }
}

TEST_F(OptionsModelTest, refusedFieldsKeepTheDialogOpenAndApplyNothing)
{
    const Settings before = m_settings;
    struct Case {
        std::string height;
        std::string width;
        std::string directory;
        int refused;
        std::string message;
    };
    const std::string range = "Entrez un entier compris entre 0 et 10000.";
    const std::string missing = "Fichiers HTML des radios introuvables.\nChangez de repertoire.";
    const Case cases[] = {
        { "10001", "251", m_settings.pathHtml, 1003, range },
        { "288", "", m_settings.pathHtml, 1002, range },
        { "-1", "251", m_settings.pathHtml, 1003, range },
        { "288", "25x", m_settings.pathHtml, 1002, range },
        // A new directory must hold the frame page.
        { "288", "251", m_install.path(), 0, missing },
    };
    for (const Case& c : cases) {
        m_prompt.shown.clear();
        OptionsModel options = model();
        options.fields.height = c.height;
        options.fields.width = c.width;
        options.fields.htmlDirectory = c.directory;
        options.fields.hideTaskbar = !m_settings.hideTaskbar;
        options.fields.hue = 5;
        int refused = 0;
        EXPECT_FALSE(options.accept(&refused)) << c.height << " " << c.width;
        EXPECT_EQ(refused, c.refused);
        ASSERT_EQ(m_prompt.shown.size(), 1u);
        EXPECT_EQ(m_prompt.shown[0].text, c.message);
        EXPECT_EQ(m_prompt.shown[0].title, c.refused != 0 ? "Sonalto" : "Erreur");
        EXPECT_EQ(m_prompt.shown[0].icon, PromptIcon::Exclamation);
        EXPECT_TRUE(m_host.calls.empty());
        EXPECT_EQ(m_settings.pathHtml, before.pathHtml);
        EXPECT_EQ(m_settings.hideTaskbar, before.hideTaskbar);
        EXPECT_EQ(m_settings.skinHue, before.skinHue);
    }

    // The limits themselves are taken.
    OptionsModel options = model();
    options.fields.height = "0";
    options.fields.width = "10000";
    EXPECT_TRUE(options.accept());
    EXPECT_EQ(m_settings.height, 0);
    EXPECT_EQ(m_settings.width, 10000);
}

TEST_F(OptionsModelTest, currentDirectoryIsTakenWithoutLookingAtIt)
{
    ASSERT_TRUE(DeleteFile(m_settings.pathHtml + "index.htm"));
    OptionsModel options = model();
    EXPECT_TRUE(options.accept());
    EXPECT_TRUE(m_prompt.shown.empty());
    // Nothing to reload: neither the directory nor the button changed.
    EXPECT_EQ(m_host.calls,
        (std::vector<std::string> {
            "list without button", "tray", "resize 251x288 plain", "save" }));
}

TEST_F(OptionsModelTest, taskbarMessageOnlyForARealChange)
{
    for (const bool hidden : { false, true }) {
        m_settings.hideTaskbar = hidden;
        // Ticked and unticked again before OK: no change, no message.
        OptionsModel unchanged = model();
        unchanged.fields.hideTaskbar = !hidden;
        unchanged.fields.hideTaskbar = hidden;
        m_prompt.shown.clear();
        ASSERT_TRUE(unchanged.accept());
        EXPECT_TRUE(m_prompt.shown.empty());

        OptionsModel changed = model();
        changed.fields.hideTaskbar = !hidden;
        ASSERT_TRUE(changed.accept());
        ASSERT_EQ(m_prompt.shown.size(), 1u);
        EXPECT_EQ(m_prompt.shown[0].title, "Information");
        EXPECT_EQ(m_prompt.shown[0].text,
            "L'option \"Masquer Snt dans la barre de tache\"\n sera prise en compte au prochain "
            "lancement.");
        EXPECT_EQ(m_prompt.shown[0].icon, PromptIcon::Information);
        EXPECT_EQ(m_settings.hideTaskbar, !hidden);
    }
}

TEST_F(OptionsModelTest, sliderPreviewsOnlyWithTheLookAndCancelRestoresTheStoredHue)
{
    m_settings.skinHue = 96;
    // The look off: no hue goes anywhere, but OK stores the position.
    m_settings.skin = false;
    {
        OptionsModel options = model();
        options.sliderMoved(150);
        EXPECT_TRUE(m_host.calls.empty());
        options.cancel();
        EXPECT_TRUE(m_host.calls.empty());
        options.sliderMoved(170);
        ASSERT_TRUE(options.accept());
        EXPECT_EQ(m_settings.skinHue, 170);
    }

    // The look on: every move shows; Annuler brings the stored hue back.
    m_settings.skin = true;
    m_settings.skinHue = 96;
    m_host.running = true;
    m_host.calls.clear();
    OptionsModel options = model();
    options.opened();
    options.sliderMoved(200);
    options.sliderMoved(205);
    options.cancel();
    EXPECT_EQ(
        m_host.calls, (std::vector<std::string> { "skin dialog", "hue 200", "hue 205", "hue 96" }));
    EXPECT_EQ(m_settings.skinHue, 96);
}

TEST_F(OptionsModelTest, tickingTheLookStartsItOrSaysWhyNot)
{
    // The plug-in cannot start: the message, and the box unticked again.
    m_host.canStart = false;
    {
        OptionsModel options = model();
        EXPECT_FALSE(options.skinClicked(true));
        EXPECT_FALSE(options.fields.skin);
        ASSERT_EQ(m_prompt.shown.size(), 1u);
        EXPECT_EQ(m_prompt.shown[0].title, "Error");
        EXPECT_EQ(m_prompt.shown[0].text,
            "Impossible d'initaliser le control Active Skin.\nVerifiez qu'il est correctement "
            "installé.\nSonalto utilisera l'interface de base.");
        EXPECT_EQ(m_prompt.shown[0].icon, PromptIcon::Exclamation);
        EXPECT_EQ(m_host.calls, (std::vector<std::string> { "start skin" }));
    }

    // It starts: the hue of the slider, the look on every window, and the
    // window resized with the flag the record still holds.
    m_prompt.shown.clear();
    m_host.calls.clear();
    m_host.canStart = true;
    OptionsModel options = model();
    options.fields.hue = 40;
    options.fields.width = "260";
    options.fields.height = "299";
    EXPECT_TRUE(options.skinClicked(true));
    EXPECT_TRUE(m_prompt.shown.empty());
    EXPECT_EQ(m_host.calls,
        (std::vector<std::string> {
            "start skin", "hue 40", "skin dialog", "skin windows", "resize 260x299 plain" }));
    // Already running: no second start. In the mini layout no resize.
    m_host.calls.clear();
    m_host.mini = true;
    EXPECT_TRUE(options.skinClicked(true));
    EXPECT_EQ(m_host.calls, (std::vector<std::string> { "hue 40", "skin dialog", "skin windows" }));

    // Unticked: the look comes off; without the plug-in there is nothing
    // to take off.
    m_host.calls.clear();
    EXPECT_FALSE(options.skinClicked(false));
    EXPECT_EQ(m_host.calls, (std::vector<std::string> { "plain dialog", "plain windows" }));
    m_host.running = false;
    m_host.calls.clear();
    options.skinClicked(false);
    EXPECT_TRUE(m_host.calls.empty());
}

TEST_F(OptionsModelTest, buttonsOpenTheirWindowsOrExplain)
{
    OptionsModel options = model();

    options.recordingOptions();
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.shown[0].title, "Impossible");
    EXPECT_EQ(m_prompt.shown[0].text,
        "Impossible de trouver l'enregistreur HarddiskOgg.\nRéinstallez le dans le répertoire "
        "/Sonalto/HarddiskOgg");
    ::mkdir((m_install.path() + "HarddiskOgg").c_str(), 0700);
    WriteTextFile(m_install.path() + "HarddiskOgg/harddisk", "");
    options.recordingOptions();

    // The manager may change the size and the hue: the fields follow.
    options.fields.width = "1";
    options.changeAppearance();
    EXPECT_EQ(options.fields.width, "400");
    EXPECT_EQ(options.fields.height, "500");
    EXPECT_EQ(options.fields.hue, 12);

    options.help();
    options.checkForUpdates();
    options.folderChosen(m_install.path() + "pages");
    EXPECT_EQ(options.fields.htmlDirectory, m_install.path() + "pages/");
    options.folderChosen("");
    EXPECT_EQ(options.fields.htmlDirectory, m_install.path() + "pages/");

    EXPECT_EQ(m_host.calls,
        (std::vector<std::string> { "recording options", "skin manager",
            "open " + m_settings.pathHtml + "aide/aide.htm", "updater" }));
}

} // namespace
