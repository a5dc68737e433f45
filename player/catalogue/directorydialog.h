#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "catalogue/directorymodel.h"
#include "common/ui/messageprompt.h"
#include "common/ui/workermailbox.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The window over DirectoryModel: the search fields, the results, and the
// play and add buttons. Every call to the directory runs on a fetch worker
// and comes back through the mailbox.
class DirectoryDialog : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        // Plays a trial page (full path) at once; ends that play.
        std::function<void(const std::string& pagePath)> play;
        std::function<void()> stopPlay;
        // A station was added to the list.
        std::function<void()> added;
    };

    DirectoryDialog(std::string htmlDir, std::string serversSetting, Actions actions,
        QWidget* parent, Prompt* prompt);
    ~DirectoryDialog() override;

    const DirectoryModel& model() const { return m_model; }

public slots:
    void search();
    void play();
    void addSelected();

signals:
    // The last search's answer is on show.
    void searched();
    // The last add finished, added or not.
    void addFinished(bool added);

private:
    void build();
    void showResults();
    void takeResults();
    int selectedRow() const;

    using Mailbox = WorkerMailbox<std::function<void()>>;

    std::string m_htmlDir;
    // The setting's sources until a search has used the directory's list.
    std::vector<std::string> m_servers;
    bool m_resolved = false;
    Actions m_actions;
    std::unique_ptr<MessagePrompt> m_ownPrompt;
    DirectoryModel m_model;
    std::shared_ptr<Mailbox> m_mailbox;
    unsigned long m_search = 0;
    bool m_playing = false;

    QLineEdit* m_name = nullptr;
    QComboBox* m_country = nullptr;
    QLineEdit* m_language = nullptr;
    QLineEdit* m_tag = nullptr;
    QTreeWidget* m_results = nullptr;
    QCheckBox* m_showBroken = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_playButton = nullptr;
    QPushButton* m_addButton = nullptr;
};
