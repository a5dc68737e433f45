#include "catalogue/favouritesdialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "catalogue/cataloguetexts.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/ui/messageprompt.h"
#include "common/ui/uitext.h"

namespace texts = catalogue_texts;

FavouritesDialog::FavouritesDialog(
    const std::string& htmlDir, Favourites& favourites, QWidget* parent, Prompt* prompt)
    : QDialog(parent)
    , m_favourites(favourites)
{
    if (prompt == nullptr) {
        m_ownPrompt = std::make_unique<MessagePrompt>(this);
        prompt = m_ownPrompt.get();
    }
    m_organiser = std::make_unique<FavouritesOrganiser>(
        ReadTextFile(IndexPath(htmlDir)), favourites, *prompt);

    setWindowTitle(Utf8Text(texts::kOrganiserTitle));
    m_stations = new QListWidget;
    m_stations->setObjectName("stationList");
    m_favouriteList = new QListWidget;
    m_favouriteList->setObjectName("favouriteList");
    auto* add = new QPushButton(Utf8Text(texts::kAddButton));
    add->setObjectName("addFavourite");
    auto* remove = new QPushButton(Utf8Text(texts::kRemoveButton));
    remove->setObjectName("removeFavourite");
    m_search = new QLineEdit;
    m_search->setObjectName("searchText");
    m_findNext = new QPushButton(Utf8Text(texts::kFindNextButton));
    m_findNext->setObjectName("findNext");
    m_ok = new QPushButton(Utf8Text(texts::kOk));
    m_ok->setObjectName("ok");
    auto* cancel = new QPushButton(Utf8Text(texts::kCancel));
    cancel->setObjectName("cancel");

    // Enter goes to the default button only: OK, or "v" once a search text
    // is typed.
    for (QPushButton* button : { add, remove, m_findNext, m_ok, cancel })
        button->setAutoDefault(false);

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(add);
    moves->addWidget(remove);
    moves->addStretch();
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(Utf8Text(texts::kFindLabel)));
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(m_findNext);
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(m_ok);
    closing->addWidget(cancel);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(Utf8Text(texts::kAvailableList)), 0, 0);
    layout->addWidget(new QLabel(Utf8Text(texts::kFavouritesList)), 0, 2);
    layout->addWidget(m_stations, 1, 0);
    layout->addLayout(moves, 1, 1);
    layout->addWidget(m_favouriteList, 1, 2);
    layout->addLayout(searchRow, 2, 0);
    layout->addLayout(closing, 3, 0, 1, 3);
    resize(480, 360);

    // The selection is what the buttons act on: the list that gets the focus
    // makes its first row current without selecting it.
    const auto selectedRow = [](QListWidget* list) {
        const QList<QListWidgetItem*> items = list->selectedItems();
        return items.isEmpty() ? -1 : list->row(items.first());
    };
    connect(m_stations, &QListWidget::itemSelectionChanged, this,
        [this, selectedRow] { m_organiser->chooseStation(selectedRow(m_stations)); });
    connect(m_favouriteList, &QListWidget::itemSelectionChanged, this,
        [this, selectedRow] { m_organiser->chooseFavourite(selectedRow(m_favouriteList)); });
    connect(add, &QPushButton::clicked, this, [this] {
        m_organiser->addSelected();
        showLists();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        m_organiser->removeSelected();
        showLists();
    });
    connect(m_search, &QLineEdit::textEdited, this, [this] {
        m_organiser->editSearchText();
        showDefaultButton();
    });
    connect(m_findNext, &QPushButton::clicked, this, [this] {
        if (m_organiser->findNext(FileText(m_search->text())))
            showLists();
    });
    connect(m_ok, &QPushButton::clicked, this, &FavouritesDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &FavouritesDialog::reject);

    const QSignalBlocker blocker(m_stations);
    for (const std::string& name : m_organiser->stations())
        m_stations->addItem(UiText(name));
    showLists();
    showDefaultButton();
}

FavouritesDialog::~FavouritesDialog() = default;

void FavouritesDialog::showLists()
{
    {
        const QSignalBlocker blocker(m_stations);
        m_stations->setCurrentRow(m_organiser->stationSelection());
        if (QListWidgetItem* item = m_stations->currentItem())
            m_stations->scrollToItem(item);
    }
    const QSignalBlocker blocker(m_favouriteList);
    m_favouriteList->clear();
    for (const std::string& name : m_organiser->favourites())
        m_favouriteList->addItem(UiText(name));
    m_favouriteList->setCurrentRow(m_organiser->favouriteSelection());
}

void FavouritesDialog::showDefaultButton()
{
    const bool search = m_organiser->searchIsDefault();
    m_findNext->setDefault(search);
    m_ok->setDefault(!search);
}

void FavouritesDialog::accept()
{
    m_organiser->store(m_favourites);
    QDialog::accept();
}
