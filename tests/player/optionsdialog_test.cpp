#include "settings/optionsdialog.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "commandids.h"
#include "common/messages.h"
#include "common/profile.h"
#include "common/textfile.h"
#include "common/ui/skinloader.h"
#include "fakeengine.h"
#include "nowplaying/nowplaying.h"
#include "nowplaying/songwindow.h"
#include "shell/mainframe.h"
#include "shell/updatelaunch.h"
#include "shownhue.h"
#include "support/framepages.h"
#include "support/menuitem.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::TempDir;

void click(QWidget* control)
{
    ASSERT_NE(control, nullptr);
    qobject_cast<QAbstractButton*>(control)->click();
}

// The Options dialog over a real main window.
class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ReleaseSkin();
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
        ApplyDefaultSettings(m_settings, m_install.path(), ScreenSize { 1280, 1024 });
        ASSERT_TRUE(testsupport::WriteFramePages(m_install.path() + "html/"));
    }

    void TearDown() override
    {
        ReleaseSkin();
        ::unsetenv("XDG_RUNTIME_DIR");
    }

    // The look plug-in installed beside the programs.
    void installPlugin()
    {
        std::filesystem::copy_file(std::string(SONALTO_INSTALL_TREE) + kSkinLibraryName,
            m_install.path() + kSkinLibraryName, std::filesystem::copy_options::overwrite_existing);
    }

    FakeEngine m_engine; // outlives the windows of a test
    TempDir m_install { "sonalto-options" };
    TempDir m_runtime { "sonalto-runtime" };
    Settings m_settings;
    ScriptedPrompt m_prompt;
};

TEST_F(OptionsDialogTest, defaultThenOkGivesTheNormalSizeWithAndWithoutTheLook)
{
    installPlugin();
    struct Case {
        bool skin;
        QSize size;
    };
    for (const Case& c : { Case { true, { 251, 288 } }, Case { false, { 249, 284 } } }) {
        m_settings.skin = c.skin;
        m_settings.width = 400;
        m_settings.height = 420;
        CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
        ASSERT_EQ(m_settings.skin, c.skin);
        const QPoint at = frame.pos();
        OptionsDialog dialog(frame.host(), &frame);
        click(dialog.control(1015));
        EXPECT_EQ(qobject_cast<QLineEdit*>(dialog.control(1003))->text(), QStringLiteral("288"));
        EXPECT_EQ(qobject_cast<QLineEdit*>(dialog.control(1002))->text(), QStringLiteral("251"));
        click(dialog.control(1));
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(frame.size(), c.size) << c.skin;
        EXPECT_EQ(frame.pos(), at);
        EXPECT_TRUE(frame.isVisible());
        EXPECT_TRUE(m_prompt.shown.empty());
        // Saved at once.
        Profile saved;
        ASSERT_TRUE(saved.load(m_install.path() + "Sonalto.ini"));
        EXPECT_EQ(saved.get("Sonalto", "Largeur"), "251");
        EXPECT_EQ(saved.get("Sonalto", "Skin"), c.skin ? "True" : "False");
    }
}

TEST_F(OptionsDialogTest, lookComesWithTheWindowAndLeavesForTheMiniLayout)
{
    m_settings.skin = true;
    m_settings.skinHue = 200;
    {
        // No plug-in: the plain interface, without a word.
        CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
        EXPECT_FALSE(m_settings.skin);
        EXPECT_FALSE(SkinAvailable());
        EXPECT_TRUE(m_prompt.shown.empty());
        EXPECT_EQ(frame.size(), QSize(249, 284));
    }

    installPlugin();
    m_settings.skin = true;
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    EXPECT_TRUE(m_settings.skin);
    EXPECT_TRUE(SkinApplied(&frame));
    EXPECT_TRUE(hueNear(menuBarHue(frame), 200));
    EXPECT_EQ(frame.size(), QSize(251, 288));

    frame.onSysCommand(SC_MAXIMIZE);
    EXPECT_TRUE(m_settings.miniPlayer);
    EXPECT_FALSE(SkinApplied(&frame));
    EXPECT_LT(shownHue(frame), 0);
    frame.onSysCommand(SC_MAXIMIZE);
    EXPECT_FALSE(m_settings.miniPlayer);
    EXPECT_TRUE(SkinApplied(&frame));
    EXPECT_EQ(frame.size(), QSize(251, 288));

    // The song window takes the look too.
    frame.onCommand(cmd::SongInformation);
    QWidget* song = OpenedSongWindow();
    ASSERT_NE(song, nullptr);
    EXPECT_TRUE(SkinApplied(song));
    song->close();
}

TEST_F(OptionsDialogTest, annulerAfterTheSliderRestoresTheStoredHue)
{
    installPlugin();
    m_settings.skin = true;
    m_settings.skinHue = 96;
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    ASSERT_TRUE(hueNear(menuBarHue(frame), 96));
    OptionsDialog dialog(frame.host(), &frame);
    EXPECT_TRUE(SkinApplied(&dialog));
    auto* slider = qobject_cast<QSlider*>(dialog.control(1062));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 360);
    EXPECT_EQ(slider->tickInterval(), 5);
    EXPECT_EQ(slider->value(), 96);

    slider->setValue(250);
    EXPECT_TRUE(hueNear(menuBarHue(frame), 250));
    EXPECT_TRUE(hueNear(shownHue(dialog), 250));
    click(dialog.control(2));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(hueNear(menuBarHue(frame), 96));
    EXPECT_EQ(m_settings.skinHue, 96);
}

TEST_F(OptionsDialogTest, tickingTheLookWithAndWithoutThePlugin)
{
    m_settings.width = 300;
    m_settings.height = 320;
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    {
        OptionsDialog dialog(frame.host(), &frame);
        auto* box = qobject_cast<QCheckBox*>(dialog.control(1038));
        click(box);
        EXPECT_FALSE(box->isChecked());
        ASSERT_EQ(m_prompt.shown.size(), 1u);
        EXPECT_EQ(m_prompt.shown[0].title, "Error");
        EXPECT_EQ(m_prompt.shown[0].text, kSkinFailureText);
        click(dialog.control(1));
        EXPECT_FALSE(m_settings.skin);
    }

    installPlugin();
    m_prompt.shown.clear();
    OptionsDialog dialog(frame.host(), &frame);
    auto* box = qobject_cast<QCheckBox*>(dialog.control(1038));
    qobject_cast<QLineEdit*>(dialog.control(1002))->setText(QStringLiteral("280"));
    click(box);
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(m_prompt.shown.empty());
    EXPECT_TRUE(SkinApplied(&frame));
    EXPECT_TRUE(SkinApplied(&dialog));
    // Resized at once, still with the plain frame's size until OK.
    EXPECT_EQ(frame.size(), QSize(278, 316));
    click(dialog.control(1));
    EXPECT_TRUE(m_settings.skin);
    EXPECT_EQ(frame.size(), QSize(280, 320));

    // Unticked again: the look comes off every window.
    OptionsDialog again(frame.host(), &frame);
    click(again.control(1038));
    EXPECT_FALSE(SkinApplied(&frame));
    EXPECT_FALSE(SkinApplied(&again));
    click(again.control(1));
    EXPECT_FALSE(m_settings.skin);
    EXPECT_EQ(frame.size(), QSize(278, 316));
}

TEST_F(OptionsDialogTest, optionsCommandOpensTheDialogFromEveryMenu)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    int opened = 0;
    const auto closeWhenOpen = [&opened] {
        QTimer::singleShot(0, [&opened] {
            if (auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget())) {
                ++opened;
                dialog->reject();
            }
        });
    };

    QAction* bar = frame.menuAction(cmd::Options);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isEnabled());
    closeWhenOpen();
    bar->trigger();
    EXPECT_EQ(opened, 1);

    QAction* system = MenuItem(*frame.systemMenu(), cmd::Options);
    ASSERT_NE(system, nullptr);
    EXPECT_TRUE(system->isEnabled());
    closeWhenOpen();
    system->trigger();
    EXPECT_EQ(opened, 2);

    QMenu* popup = frame.buildPopupMenu();
    QAction* item = popup->defaultAction();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->data().toInt(), cmd::Options);
    EXPECT_TRUE(item->isEnabled());
    closeWhenOpen();
    popup->triggered(item);
    EXPECT_EQ(opened, 3);
    delete popup;
}

TEST_F(OptionsDialogTest, weeklyCheckStartsTheUpdaterSilentlyOnceAWeek)
{
    const std::string log = m_install.path() + "updater.log";
    const std::time_t now = std::time(nullptr);
    // The check needs a listed update server.
    WriteTextFile(m_install.path() + "URLs_update.txt",
        "[Liste des URLs d'update]\r\nURL0=http://127.0.0.1:9\r\n");
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);

    // No updater installed: said without holding the player up.
    m_settings.updates = true;
    m_settings.lastUpdate = 0;
    frame.onInitialUpdate();
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.shown[0].title, "Vérification impossible");
    EXPECT_EQ(m_prompt.shown[0].text,
        "Le module de mise à jour de Sonalto est introuvable.\n\nRéinstallez Sonalto");
    EXPECT_FALSE(m_prompt.shown[0].waited);

    WriteTextFile(m_install.path() + "SntUpdate",
        "#!/bin/sh\necho \"started in $(pwd)/ with [$*]\" >> '" + log + "'\n");
    ::chmod((m_install.path() + "SntUpdate").c_str(), 0755);
    // Not due: the check is off, or the last one is less than a week old
    // (exactly a week is not over a week).
    m_settings.updates = false;
    frame.onInitialUpdate();
    m_settings.updates = true;
    m_settings.lastUpdate = now - 3 * 24 * 3600;
    frame.onInitialUpdate();
    m_settings.lastUpdate = now - kWeeklyCheckPeriod + 5;
    frame.onInitialUpdate();
    // Due: over a week old.
    m_settings.lastUpdate = now - kWeeklyCheckPeriod - 60;
    frame.onInitialUpdate();
    ASSERT_TRUE(testsupport::WaitForFileLine(
        log, "started in " + m_install.path() + " with [-silence]", 10s));
    QTest::qWait(200);
    EXPECT_EQ(testsupport::ReadLines(log).size(), 1u);
    EXPECT_EQ(m_prompt.shown.size(), 1u);
}

TEST_F(OptionsDialogTest, checkNowStartsTheUpdaterWithoutArguments)
{
    CMainFrame frame(m_settings, m_install.path(), &m_prompt, &m_engine);
    OptionsDialog dialog(frame.host(), &frame);
    click(dialog.control(3));
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.shown[0].title, "Impossible");
    EXPECT_EQ(m_prompt.shown[0].text,
        "Le module de mise à jour de Sonalto est introuvable.\n\nRéinstallez Sonalto");

    // A stand-in updater that writes down where and how it was started.
    const std::string log = m_install.path() + "updater.log";
    WriteTextFile(m_install.path() + "SntUpdate",
        "#!/bin/sh\necho \"started in $(pwd)/ with [$*]\" >> '" + log + "'\n");
    ::chmod((m_install.path() + "SntUpdate").c_str(), 0755);
    click(dialog.control(3));
    EXPECT_TRUE(
        testsupport::WaitForFileLine(log, "started in " + m_install.path() + " with []", 10s));
    EXPECT_EQ(m_prompt.shown.size(), 1u);
}

} // namespace
