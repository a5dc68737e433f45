#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "catalogue/stationsearchmodel.h"
#include "common/prompt.h"
#include "common/settings.h"

class QLabel;
class QLineEdit;
class QListWidget;

// Where the search dialog opens: right of the main window, top to top; left
// of it when the screen ends before the dialog would; centred on the screen
// at its full size when the main window is hidden away.
QPoint SearchDialogPosition(
    const QRect& mainWindow, bool mainHidden, const QSize& fullSize, const QRect& screen);

// "Rechercher une radio". Opens with only its search box showing; grows to
// its full height with results, or to show "0 résultat.".
class StationSearchDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kSearchBoxHeight = 121;
    static constexpr int kNoResultHeight = 132;
    static constexpr int kFullHeight = 354;
    static constexpr int kWidth = 300;

    // play is asked to show a result's page (a full path) in the frame
    // "live"; favourites receives "Ajouter aux favoris".
    StationSearchDialog(const std::string& htmlDir, Favourites& favourites,
        std::function<void(const std::string& pagePath)> play, QWidget* parent = nullptr,
        Prompt* prompt = nullptr);
    ~StationSearchDialog() override;

    StationSearchModel& model() { return *m_model; }

    // Places the dialog beside mainWindow (or centred when it is hidden) and
    // keeps it above other windows when onTop is set.
    void placeBeside(const QRect& mainWindow, bool mainHidden, bool onTop);

private:
    void runSearch();
    void listen();

    Favourites& m_favourites;
    std::function<void(const std::string&)> m_play;
    std::unique_ptr<Prompt> m_ownPrompt;
    std::unique_ptr<StationSearchModel> m_model;
    QLineEdit* m_text = nullptr;
    QLabel* m_noResult = nullptr;
    QListWidget* m_names = nullptr;
};
