#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "common/prompt.h"
#include "common/settings.h"
#include "schedulercore.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QMenu;
class QRadioButton;
class QTimeEdit;
class QTreeWidget;
class TrayIcon;

// What the window needs from the installation around it.
struct SchedulerSetup {
    std::string installDir; // ends with '/'
    std::string htmlDir; // from "Path HTML", as stored
    int hue = kDefaultSkinHue; // "Couleur du skin"
    std::string autostartDir; // where the start-up entry goes
};

// Reads "Path HTML" and "Couleur du skin" from installDir + "Sonalto.ini";
// without that file the HTML directory is installDir + "html/" and the hue 96.
void ReadPlayerSettings(SchedulerSetup& setup);

// Every station of htmlDir + "haut.htm", inactive ones included, as display
// names and page names in file order; false when the index cannot be read.
bool ReadStationList(
    const std::string& htmlDir, std::vector<std::string>& names, std::vector<std::string>& pages);

// The scheduler's only window: the entry controls, the list of slots, the
// start-up check box, and the notification-area icon it hides into.
class SchedulerWindow : public QDialog {
    Q_OBJECT

public:
    // Messages go through prompt; without one, message boxes over the window.
    SchedulerWindow(SchedulerSetup setup, SchedulerCore* core, Prompt* prompt = nullptr,
        QWidget* parent = nullptr);
    ~SchedulerWindow() override;

    // Loads the schedule, reads the station list, sets the defaults and the
    // start-up entry. Messages about missed slots are shown here.
    void initialise();

    // Hides into the notification area (minimise and "OK").
    void hideToTray();
    // Shows the window again and removes the icon.
    void restoreFromTray();

    void addSlot();
    void deleteSlot();
    // Saves and ends the program.
    void quit();
    // The about box, modal.
    void showAbout();

    SchedulerCore* core() const { return m_core; }
    QTreeWidget* list() const { return m_list; }
    QComboBox* stations() const { return m_stations; }
    std::string schedulePath() const { return m_setup.installDir + kScheduleFileName; }
    bool launchStartUp() const;

    // The entry as the controls describe it.
    SlotEntry entry() const;
    void setEntry(const SlotEntry& entry);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void refreshList();
    void applyDefaults();
    void startUpToggled(bool checked);
    void showTrayMenu(const QPoint& at);
    void refuse(const QString& text);
    void reportMissed(const ScheduleRow& row);

    SchedulerSetup m_setup;
    SchedulerCore* m_core;
    std::unique_ptr<Prompt> m_ownPrompt;
    Prompt* m_prompt;
    std::vector<std::string> m_stationPages;
    QRadioButton* m_play;
    QRadioButton* m_record;
    QTimeEdit* m_start;
    QTimeEdit* m_end;
    QRadioButton* m_daily;
    QRadioButton* m_thisDay;
    QDateEdit* m_date;
    QComboBox* m_stations;
    QTreeWidget* m_list;
    QCheckBox* m_startUp;
    TrayIcon* m_tray;
    QMenu* m_trayMenu;
    bool m_saved = false;
};
