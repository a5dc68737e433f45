#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>
#include <QTimer>

#include "common/messages.h"
#include "common/ui/messengerserver.h"
#include "common/updatedownload.h"
#include "common/updateinstall.h"
#include "common/updateversions.h"

class WindowPrompt;
class DownloadWorkers;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

struct UpdateDialogSetup {
    InstallSetup install;
    VersionCheck check;
    bool skin = false;
    DownloadOptions downloads;
};

// "Mise à jour Sonalto": the available updates as a tree of check boxes with
// the description of the selected one, then the progress of the download
// and installation, which it hosts. The main button's text is the state:
// "Télécharger >" (selection), "Patientez..." (installing), "Terminer"
// (finished, closes the dialog with Accepted). While it is open the dialog
// can be found through the messenger as a dialog window with its title, so
// that the player knows the updater still runs, and it takes the commands of
// its buttons and tree from there as from the listener.
class UpdateDialog : public QDialog, private InstallHost {
    Q_OBJECT

public:
    UpdateDialog(UpdateDialogSetup setup, WindowPrompt& prompt, QWidget* parent = nullptr);
    ~UpdateDialog() override;

    // The launcher of the player (installDir + player program with one
    // option, or none); the real program starts it detached.
    void setPlayerLauncher(std::function<void(const std::string&)> launcher);
    // Whether a player runs; the real program asks the messenger.
    void setPlayerProbe(std::function<bool()> probe);

    // What the listener sees, for the tests.
    QTreeWidget* tree() const { return m_tree; }
    QPushButton* mainButton() const { return m_mainButton; }
    QString countText() const;
    QString countWord() const;
    QString descriptionTitle() const;
    QString descriptionBody() const;
    QString statusText() const;
    QString serverText() const;
    bool progressShown() const;
    bool descriptionShown() const;
    const UpdateInstaller& installer() const { return m_installer; }

    // Ticks or unticks an item as a click on its check box does.
    void toggleItem(int index);
    void pressMainButton();

    // Registers the dialog's window through the messenger.
    bool listen();

    // A restart of the player that still waits for the stopped one to go
    // is carried out now, waiting for it on the spot: the dialog may be
    // closing, and the radio must come back all the same.
    void finishPendingLaunch();
    bool launchPending() const { return m_pendingLaunch; }

public slots:
    void done(int result) override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The installation's host.
    void startDownload(
        int attempt, const std::string& address, const std::string& destination) override;
    void abandonDownload(int attempt) override;
    void startWatchdog(int milliseconds) override;
    void stopWatchdog() override;
    void setProgressRange(int maximum) override;
    void setProgress(int position) override;
    void showStatus(const std::string& text) override;
    bool playerRunning() override;
    void startPlayer(const std::string& option) override;
    void installFinished() override;
    void installFailed() override;
    void keepResponsive() override;

    void buildItems();
    void updateCount();
    void showDescription(QTreeWidgetItem* item);
    void showSelectionView();
    void showAbout();
    std::int64_t onMessage(const MessengerRecord& record);
    void launchWhenPlayerGone(const std::string& option, int triesLeft);

    UpdateDialogSetup m_setup;
    WindowPrompt& m_prompt;
    UpdateInstaller m_installer;
    DownloadWorkers* m_workers;
    MessengerServer m_server;
    QTimer m_watchdog; // timer 1102
    std::function<void(const std::string&)> m_launchPlayer;
    std::function<bool()> m_playerProbe;
    bool m_closed = false;
    // A restart waiting for the stopped player to go, and the count that a
    // new installation advances so that an older wait is dropped.
    bool m_pendingLaunch = false;
    int m_launchGeneration = 0;
    int m_pendingTries = 0;

    QTreeWidget* m_tree;
    QTreeWidgetItem* m_first = nullptr;
    QTreeWidgetItem* m_second = nullptr;
    QGroupBox* m_description;
    QLabel* m_descriptionTitle;
    QLabel* m_descriptionBody;
    QLabel* m_count;
    QLabel* m_countWord;
    QPushButton* m_mainButton;
    QPushButton* m_cancelButton;
    QLabel* m_status;
    QProgressBar* m_progress;
    QLabel* m_serverLabel;
};
