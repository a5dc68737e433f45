#include "catalogue/stationsearchdialog.h"

#include <utility>

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "catalogue/cataloguetexts.h"
#include "catalogue/favourites.h"
#include "common/cp1252.h"
#include "common/diaglog.h"
#include "common/textfile.h"
#include "common/ui/messageprompt.h"
#include "common/ui/uitext.h"

namespace texts = catalogue_texts;

QPoint SearchDialogPosition(
    const QRect& mainWindow, bool mainHidden, const QSize& fullSize, const QRect& screen)
{
    if (mainHidden) {
        return { screen.x() + (screen.width() - fullSize.width()) / 2,
            screen.y() + (screen.height() - fullSize.height()) / 2 };
    }
    // QRect::right() is the last pixel; the window ends one past it.
    const int mainRight = mainWindow.x() + mainWindow.width();
    if (screen.x() + screen.width() < mainRight + fullSize.width())
        return { mainWindow.x() - fullSize.width(), mainWindow.y() };
    return { mainRight, mainWindow.y() };
}

StationSearchDialog::StationSearchDialog(const std::string& htmlDir, Favourites& favourites,
    std::function<void(const std::string&)> play, QWidget* parent, Prompt* prompt)
    : QDialog(parent)
    , m_favourites(favourites)
    , m_play(std::move(play))
{
    if (prompt == nullptr) {
        m_ownPrompt = std::make_unique<MessagePrompt>(this);
        prompt = m_ownPrompt.get();
    }
    m_model = std::make_unique<StationSearchModel>(htmlDir, *prompt);
    setWindowTitle(Utf8Text(texts::kSearchTitle));

    // Fixed places: the dialog shows more or less of its content by its
    // height alone, the search box always at the top.
    auto* label = new QLabel(Utf8Text(texts::kSearchLabel), this);
    label->setGeometry(10, 10, 280, 20);
    m_text = new QLineEdit(this);
    m_text->setObjectName("searchText");
    m_text->setMaxLength(256);
    m_text->setGeometry(10, 32, 280, 26);
    auto* search = new QPushButton(Utf8Text(texts::kSearchButton), this);
    search->setObjectName("search");
    search->setGeometry(100, 66, 90, 26);
    search->setDefault(true);
    auto* close = new QPushButton(Utf8Text(texts::kCloseButton), this);
    close->setObjectName("close");
    close->setGeometry(200, 66, 90, 26);
    close->setAutoDefault(false);
    m_noResult = new QLabel(Utf8Text(texts::kNoResult), this);
    m_noResult->setObjectName("noResult");
    m_noResult->setAlignment(Qt::AlignCenter);
    m_noResult->setGeometry(10, 100, 280, 22);
    m_names = new QListWidget(this);
    m_names->setObjectName("results");
    m_names->setGeometry(10, 130, 280, 180);
    auto* addFavourite = new QPushButton(Utf8Text(texts::kAddToFavourites), this);
    addFavourite->setObjectName("addToFavourites");
    addFavourite->setGeometry(10, 318, 170, 26);
    addFavourite->setAutoDefault(false);
    auto* listenButton = new QPushButton(Utf8Text(texts::kListen), this);
    listenButton->setObjectName("listen");
    listenButton->setGeometry(190, 318, 100, 26);
    listenButton->setAutoDefault(false);

    connect(search, &QPushButton::clicked, this, &StationSearchDialog::runSearch);
    connect(close, &QPushButton::clicked, this, &StationSearchDialog::reject);
    connect(listenButton, &QPushButton::clicked, this, &StationSearchDialog::listen);
    connect(m_names, &QListWidget::itemDoubleClicked, this, &StationSearchDialog::listen);
    connect(addFavourite, &QPushButton::clicked, this,
        [this] { m_model->addToFavourites(m_names->currentRow(), m_favourites); });

    m_noResult->hide();
    setFixedSize(kWidth, kSearchBoxHeight);
}

StationSearchDialog::~StationSearchDialog() = default;

void StationSearchDialog::placeBeside(const QRect& mainWindow, bool mainHidden, bool onTop)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(SearchDialogPosition(mainWindow, mainHidden, QSize(kWidth, kFullHeight), area));
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

void StationSearchDialog::runSearch()
{
    const bool found = m_model->search(FileText(m_text->text()));
    m_names->clear();
    std::string shown;
    for (const StationEntry& entry : m_model->results()) {
        m_names->addItem(UiText(entry.name));
        shown += " | " + cp1252::toUtf8(entry.name);
    }
    DiagLog("station search" + shown);
    m_noResult->setVisible(!found);
    setFixedSize(kWidth, found ? kFullHeight : kNoResultHeight);
}

void StationSearchDialog::listen()
{
    const std::string page = m_model->pageOf(m_names->currentRow());
    if (!page.empty() && m_play)
        m_play(page);
}
