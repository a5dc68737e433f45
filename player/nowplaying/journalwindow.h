#pragma once

#include <memory>
#include <string>

#include <QDialog>

#include "common/settings.h"
#include "nowplaying/journalmodel.h"

class HeardSongs;
class JournalTable;
class Prompt;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableView;
struct JournalEntry;

// "Journal des titres": the journal's songs newest first, a search box and
// filters by station, by day and for the liked songs, "Copier", the song's
// page and "Exporter…" of the liked songs. A modeless window that deletes
// itself when closed; songs heard while it is open come in front.
class JournalWindow : public QDialog {
    Q_OBJECT

public:
    // settings give the shop search and the recordings service; heard
    // gives the journal and the songs heard next; both outlive the window.
    // prompt tells of a failed export; message boxes when none is given.
    JournalWindow(const Settings& settings, HeardSongs& heard, QWidget* parent = nullptr,
        Prompt* prompt = nullptr);
    ~JournalWindow() override;

    const JournalModel& model() const { return m_model; }
    QTableView* table() const { return m_table; }
    QLineEdit* searchBox() const { return m_search; }
    QComboBox* stationBox() const { return m_station; }
    QComboBox* dayBox() const { return m_day; }
    QCheckBox* likedBox() const { return m_liked; }

    // "Copier": the selected songs to the clipboard.
    void copySelection();
    // The page of the current song, as the desktop is to open it; empty
    // when no song is selected.
    std::string pageOfCurrent() const;
    // Writes the liked songs as CSV to path, atomically; tells the
    // listener and returns false when the file cannot be written.
    bool exportLiked(const std::string& path);

private:
    void build();
    void applyFilter();
    void fillStations();
    void fillDays();
    void onSongHeard(const JournalEntry& entry);
    void onSongLiked(const JournalEntry& entry);
    void onExport();
    void openPage();

    const Settings& m_settings;
    JournalModel m_model;
    std::unique_ptr<Prompt> m_ownPrompt;
    Prompt* m_prompt;
    JournalTable* m_rows = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_search = nullptr;
    QComboBox* m_station = nullptr;
    QComboBox* m_day = nullptr;
    QCheckBox* m_liked = nullptr;
};

// Opens the player's single journal window, or brings it to the front when
// it is open.
void OpenJournalWindow(QWidget* mainWindow, const Settings& settings, HeardSongs& heard);
// The open window, or null.
JournalWindow* OpenedJournalWindow();
