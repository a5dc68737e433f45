#pragma once

#include <memory>
#include <string>

#include <QDialog>

#include "catalogue/favourites.h"

class QLineEdit;
class QListWidget;
class QPushButton;

// "Organiser les favoris" over FavouritesOrganiser. OK stores the edited
// list into the table it was given; Annuler leaves the table alone.
class FavouritesDialog : public QDialog {
    Q_OBJECT

public:
    FavouritesDialog(const std::string& htmlDir, Favourites& favourites, QWidget* parent = nullptr,
        Prompt* prompt = nullptr);
    ~FavouritesDialog() override;

    FavouritesOrganiser& organiser() { return *m_organiser; }
    void accept() override;

private:
    void showLists();
    void showDefaultButton();

    Favourites& m_favourites;
    std::unique_ptr<Prompt> m_ownPrompt;
    std::unique_ptr<FavouritesOrganiser> m_organiser;
    QListWidget* m_stations = nullptr;
    QListWidget* m_favouriteList = nullptr;
    QLineEdit* m_search = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_findNext = nullptr;
};
