// The scheduler's window over a fixed clock: what "Ajouter" refuses and the
// exact texts it shows, what it adds and saves, and the message about slots
// missed while the scheduler was not running.

#include "schedulerwindow.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTreeWidget>

#include "common/profile.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "scheduletestdata.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"

namespace {

class SchedulerWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(m_install.path() + "html");
        const std::string index = IndexPath(m_install.path() + "html/");
        ASSERT_TRUE(WriteTextFile(index, EmptyIndexText()));
        ASSERT_TRUE(InsertStation(index, "Jazz Paris"));
        ASSERT_TRUE(InsertStation(index, "Radio \xC9t\xE9")); // "Radio Été"
    }

    // The window as the program makes it, on the clock of the test.
    std::unique_ptr<SchedulerWindow> open()
    {
        SchedulerSetup setup;
        setup.installDir = m_install.path();
        setup.htmlDir = m_install.path() + "html/";
        setup.autostartDir = m_autostart.path();
        auto* core = new SchedulerCore;
        core->setClock([this] { return m_now; });
        core->setLauncher([](const std::string&) {});
        core->setPlayerWindowProbe([] { return false; });
        auto window = std::make_unique<SchedulerWindow>(setup, core, &m_prompt);
        window->initialise();
        return window;
    }

    SlotEntry entry(int day, ClockTime start, ClockTime end, bool daily = false) const
    {
        SlotEntry slot;
        slot.record = true;
        slot.daily = daily;
        slot.date = { 2025, 3, day };
        slot.start = start;
        slot.end = end;
        return slot;
    }

    std::string lastText() const
    {
        return m_prompt.shown.empty() ? std::string() : m_prompt.shown.back().text;
    }

    testsupport::TempDir m_install { "sonalto-sched" };
    testsupport::TempDir m_autostart { "sonalto-autostart" };
    ScriptedPrompt m_prompt;
    std::time_t m_now = At(4, 9, 0);
};

TEST_F(SchedulerWindowTest, startsWithTheDefaultEntryAndEveryStation)
{
    m_now = At(4, 9, 12, 37);
    auto window = open();
    const SlotEntry slot = window->entry();
    EXPECT_FALSE(slot.record);
    EXPECT_FALSE(slot.daily);
    EXPECT_EQ(FormatTime(slot.start), "09:22:00");
    EXPECT_EQ(FormatTime(slot.end), "10:22:00");
    EXPECT_EQ(FormatDate(slot.date), "04/03/25");
    ASSERT_EQ(window->stations()->count(), 2);
    EXPECT_EQ(window->stations()->itemText(1), QString::fromUtf8("Radio Été"));
    EXPECT_TRUE(m_prompt.shown.empty());
}

TEST_F(SchedulerWindowTest, addRefusesWithItsMessagesAndAddsNothing)
{
    auto window = open();

    // A name typed into the box that is no entry of the list.
    window->stations()->setEditText("Radio Inconnue");
    window->setEntry(entry(4, { 10, 0, 0 }, { 11, 0, 0 }));
    window->addSlot();
    EXPECT_EQ(lastText(), "Choisissez une radio dans la liste avant d'ajouter le créneau");

    window->stations()->setCurrentIndex(0);
    window->setEntry(entry(3, { 10, 0, 0 }, { 11, 0, 0 }));
    window->addSlot();
    EXPECT_EQ(lastText(), "Date antérieure à celle actuelle");

    window->setEntry(entry(4, { 8, 59, 59 }, { 11, 0, 0 }));
    window->addSlot();
    EXPECT_EQ(lastText(), "Heure antérieure à celle actuelle");

    EXPECT_EQ(m_prompt.shown.size(), 3u);
    for (const ScriptedPrompt::Shown& shown : m_prompt.shown) {
        EXPECT_EQ(shown.title, "Erreur");
        EXPECT_EQ(shown.icon, PromptIcon::Exclamation);
    }
    EXPECT_EQ(window->list()->topLevelItemCount(), 0);
    EXPECT_FALSE(FileExists(window->schedulePath()));
}

TEST_F(SchedulerWindowTest, addsSavesAndRefusesAnOverlapNamingTheOtherSlot)
{
    auto window = open();
    window->stations()->setCurrentIndex(1);
    window->setEntry(entry(4, { 10, 0, 0 }, { 11, 0, 0 }));
    window->addSlot();
    ASSERT_TRUE(m_prompt.shown.empty()) << lastText();
    ASSERT_EQ(window->list()->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = window->list()->topLevelItem(0);
    EXPECT_EQ(row->text(1), "Rec");
    EXPECT_EQ(row->text(2), "10:00:00");
    EXPECT_EQ(row->text(4), "04/03/25");
    EXPECT_EQ(row->text(5), QString::fromUtf8("Radio Été"));

    // Saved at once, in the file's own encoding.
    Profile saved;
    ASSERT_TRUE(saved.load(window->schedulePath()));
    EXPECT_EQ(saved.get("Enregistrement n\xB0"
                        "1",
                  "Radio"),
        "Radio \xC9t\xE9");
    EXPECT_EQ(saved.get("Enregistrement n\xB0"
                        "1",
                  "Heure fin"),
        "11:00:00");

    // A daily slot whose end touches the other's start overlaps.
    window->stations()->setCurrentIndex(0);
    SlotEntry daily = entry(4, { 9, 30, 0 }, { 10, 0, 0 }, true);
    daily.record = false;
    window->setEntry(daily);
    window->addSlot();
    EXPECT_EQ(lastText(),
        "Le créneau programmé se superpose avec :  \n     04/03/25 - 10:00:00 -> 11:00:00 \n"
        "     Rec de Radio Été");
    EXPECT_EQ(window->list()->topLevelItemCount(), 1);

    // One second later no longer touches.
    daily.end = { 9, 59, 59 };
    window->setEntry(daily);
    window->addSlot();
    EXPECT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(window->list()->topLevelItemCount(), 2);
}

TEST_F(SchedulerWindowTest, reportsAndDropsASlotMissedWhileNotRunning)
{
    ASSERT_TRUE(WriteTextFile(m_install.path() + "SntScheduler.ini",
        "[SntScheduler]\r\nInfo=A utiliser avec Sonalto\r\nLaunchStartUp=False\r\n"
        "[Enregistrement n\xB0"
        "1]\r\nAction=Lecture\r\nHeure d\xE9"
        "but=07:00:00\r\n"
        "Heure fin=08:00:00\r\nPeriodicit\xE9=04/03/25\r\nRadio=Jazz Paris\r\n"
        "[Enregistrement n\xB0"
        "2]\r\nAction=Rec\r\nHeure d\xE9"
        "but=07:00:00\r\n"
        "Heure fin=08:00:00\r\nPeriodicit\xE9=Quotidien\r\nRadio=Jazz Paris\r\n"));
    auto window = open();
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.shown[0].title, "Suppression");
    EXPECT_EQ(m_prompt.shown[0].text,
        "Enregistrement raté :\n     04/03/25 - 07:00:00 -> 08:00:00 \n     Lecture de Jazz Paris"
        "\n\nSupprimé de la liste");
    // The daily slot stays, for tomorrow; the start-up box follows the file.
    ASSERT_EQ(window->list()->topLevelItemCount(), 1);
    EXPECT_EQ(window->list()->topLevelItem(0)->text(4), "Quotidien");
    EXPECT_FALSE(window->launchStartUp());
}

TEST_F(SchedulerWindowTest, theEndOfAOneTimeSlotIsSavedAndAnUnreadableFileKept)
{
    auto window = open();
    window->stations()->setCurrentIndex(0);
    window->setEntry(entry(4, { 10, 0, 0 }, { 11, 0, 0 }));
    window->addSlot();
    m_now = At(4, 10, 0);
    window->core()->startSlot();
    m_now = At(4, 11, 0);
    window->core()->endSlot();
    // Gone from the file at once, not only at the next save: a logout now
    // does not bring it back as missed.
    Profile saved;
    ASSERT_TRUE(saved.load(window->schedulePath()));
    EXPECT_EQ(saved.get("Enregistrement n\xB0"
                        "1",
                  "Action"),
        "");
    window.reset();

    // A schedule that is there but cannot be read (its link leads
    // nowhere) is never replaced by an empty list.
    const std::string path = m_install.path() + "SntScheduler.ini";
    std::filesystem::remove(path);
    std::filesystem::create_symlink("/nonexistent/SntScheduler.ini", path);
    window = open();
    window->quit();
    window.reset();
    EXPECT_TRUE(std::filesystem::is_symlink(path));
}

TEST_F(SchedulerWindowTest, typedNamesDatesAndADesktopWithoutTray)
{
    auto window = open();
    // A name typed in full, whatever the selection, is that entry.
    window->stations()->setCurrentIndex(1);
    window->stations()->setEditText("jazz paris");
    window->setEntry(entry(4, { 10, 0, 0 }, { 11, 0, 0 }));
    window->addSlot();
    ASSERT_EQ(window->list()->topLevelItemCount(), 1) << lastText();
    EXPECT_EQ(window->list()->topLevelItem(0)->text(5), "Jazz Paris");

    // The file keeps two digits of the year: no date after 2099.
    SlotEntry far = entry(4, { 10, 0, 0 }, { 11, 0, 0 });
    far.date = { 2100, 1, 5 };
    window->setEntry(far);
    EXPECT_LE(window->entry().date.year, 2099);

    // With no notification area the window is minimised, never hidden
    // out of reach.
    window->show();
    window->hideToTray();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
}

} // namespace
