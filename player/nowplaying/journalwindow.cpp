#include "nowplaying/journalwindow.h"

#include <algorithm>
#include <vector>

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include "common/diaglog.h"
#include "common/textfile.h"
#include "common/ui/messageprompt.h"
#include "common/ui/skinloader.h"
#include "common/ui/uitext.h"
#include "nowplaying/covercache.h"
#include "nowplaying/heardsongs.h"
#include "nowplaying/nowplayingtexts.h"
#include "nowplaying/songlookup.h"

namespace {

QPointer<JournalWindow> g_journalWindow;

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

// The rows of the model for the table: only the rows on show are asked
// for, so a year of journal opens at once.
class JournalTable : public QAbstractTableModel {
public:
    explicit JournalTable(const JournalModel& model, QObject* parent)
        : QAbstractTableModel(parent)
        , m_model(model)
    {
    }

    // The model's rows changed.
    void reload()
    {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_model.rowCount());
    }
    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : 1 + static_cast<int>(std::size(texts::kJournalColumns));
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const JournalEntry& e = m_model.row(static_cast<std::size_t>(index.row()));
        switch (index.column()) {
        case 0:
            return e.liked ? Utf8Text(texts::kJournalLikedMark) : QString();
        case 1:
            return text(e.when.substr(0, 10));
        case 2:
            return text(e.when.substr(11));
        case 3:
            return text(e.station);
        case 4:
            return text(e.artist);
        default:
            return text(e.title);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section == 0)
            return {};
        return Utf8Text(texts::kJournalColumns[section - 1]);
    }

private:
    const JournalModel& m_model;
};

JournalWindow::JournalWindow(
    const Settings& settings, HeardSongs& heard, QWidget* parent, Prompt* prompt)
    : QDialog(parent)
    , m_settings(settings)
    , m_model(heard.journal().ReadAll())
    , m_ownPrompt(prompt == nullptr ? std::make_unique<MessagePrompt>(this) : nullptr)
    , m_prompt(prompt == nullptr ? m_ownPrompt.get() : prompt)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(Utf8Text(texts::kJournalTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    build();
    connect(&heard, &HeardSongs::songHeard, this, &JournalWindow::onSongHeard);
    connect(&heard, &HeardSongs::songLiked, this, &JournalWindow::onSongLiked);
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::build()
{
    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(Utf8Text(texts::kJournalSearch));
    m_search->setClearButtonEnabled(true);
    m_station = new QComboBox(this);
    m_day = new QComboBox(this);
    m_liked = new QCheckBox(Utf8Text(texts::kJournalLikedOnly), this);
    fillStations();
    fillDays();
    connect(m_search, &QLineEdit::textChanged, this, &JournalWindow::applyFilter);
    connect(m_station, &QComboBox::currentIndexChanged, this, &JournalWindow::applyFilter);
    connect(m_day, &QComboBox::currentIndexChanged, this, &JournalWindow::applyFilter);
    connect(m_liked, &QCheckBox::toggled, this, &JournalWindow::applyFilter);

    m_rows = new JournalTable(m_model, this);
    m_table = new QTableView(this);
    m_table->setModel(m_rows);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Fixed row heights and column widths: nothing is measured over the
    // whole journal.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = { 24, 90, 70, 130, 160 };
    for (int column = 0; column < static_cast<int>(std::size(widths)); ++column)
        m_table->setColumnWidth(column, widths[column]);
    connect(m_table, &QTableView::doubleClicked, this, &JournalWindow::openPage);

    const auto button = [this](const char* label, auto slot) {
        auto* b = new QPushButton(Utf8Text(label), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* filters = new QHBoxLayout;
    filters->addWidget(m_search, 1);
    filters->addWidget(m_station);
    filters->addWidget(m_day);
    filters->addWidget(m_liked);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button(texts::kJournalCopy, &JournalWindow::copySelection));
    buttons->addWidget(button(texts::kJournalPage, &JournalWindow::openPage));
    buttons->addWidget(button(texts::kJournalExport, &JournalWindow::onExport));
    buttons->addStretch(1);
    buttons->addWidget(button(texts::kJournalClose, &JournalWindow::close));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(760, 480);
}

void JournalWindow::fillStations()
{
    const QString chosen = m_station->currentData().toString();
    const QSignalBlocker quiet(m_station);
    m_station->clear();
    m_station->addItem(Utf8Text(texts::kJournalAllStations), QString());
    for (const std::string& station : m_model.stations())
        m_station->addItem(text(station), text(station));
    m_station->setCurrentIndex(std::max(0, m_station->findData(chosen)));
}

void JournalWindow::fillDays()
{
    const QString chosen = m_day->currentData().toString();
    const QSignalBlocker quiet(m_day);
    m_day->clear();
    m_day->addItem(Utf8Text(texts::kJournalAllDays), QString());
    for (const std::string& day : m_model.days())
        m_day->addItem(text(day), text(day));
    m_day->setCurrentIndex(std::max(0, m_day->findData(chosen)));
}

void JournalWindow::applyFilter()
{
    m_model.setFilter(
        { m_search->text().toStdString(), m_station->currentData().toString().toStdString(),
            m_day->currentData().toString().toStdString(), m_liked->isChecked() });
    m_rows->reload();
}

void JournalWindow::onSongHeard(const JournalEntry& entry)
{
    m_model.add(entry);
    fillStations();
    fillDays();
    m_rows->reload();
}

void JournalWindow::onSongLiked(const JournalEntry& entry)
{
    if (m_model.markLiked(entry))
        m_rows->reload();
}

void JournalWindow::copySelection()
{
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.push_back(static_cast<std::size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    if (!rows.empty())
        QGuiApplication::clipboard()->setText(text(m_model.copyText(rows)));
}

std::string JournalWindow::pageOfCurrent() const
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return {};
    const auto row = static_cast<std::size_t>(current.row());
    const JournalEntry& e = m_model.row(row);
    // The release the lookups found for the song, kept in the covers'
    // cache.
    std::string releasePage;
    const auto known
        = CoverCache(CoverCache::DefaultDirectory()).find(CoverCache::Key(e.artist, e.title));
    if (known && !known->releasePage.empty())
        releasePage = ReleasePageAddress(m_settings.recordingService, known->releasePage);
    return m_model.pageAddress(row, releasePage, m_settings.shopSearch);
}

void JournalWindow::openPage()
{
    const std::string address = pageOfCurrent();
    if (address.empty())
        return;
    const QUrl url(text(address), QUrl::TolerantMode);
    DiagLog("journal page " + url.toString().toStdString());
    if (url.isValid()
        && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")))
        QDesktopServices::openUrl(url);
}

bool JournalWindow::exportLiked(const std::string& path)
{
    if (WriteTextFile(path, m_model.likedCsv()))
        return true;
    m_prompt->message(texts::kJournalExportFailedTitle,
        Utf8Text(texts::kJournalExportFailed).arg(PathText(path)).toStdString(),
        PromptIcon::Exclamation);
    return false;
}

void JournalWindow::onExport()
{
    const QString path = QFileDialog::getSaveFileName(this, Utf8Text(texts::kJournalExportTitle),
        QDir::home().filePath(Utf8Text(texts::kJournalExportName)),
        Utf8Text(texts::kJournalExportFilter));
    if (!path.isEmpty())
        exportLiked(PathBytes(path));
}

void OpenJournalWindow(QWidget* mainWindow, const Settings& settings, HeardSongs& heard)
{
    if (g_journalWindow) {
        g_journalWindow->raise();
        g_journalWindow->activateWindow();
        return;
    }
    g_journalWindow = new JournalWindow(settings, heard, mainWindow);
    if (settings.skin)
        ApplySkin(g_journalWindow);
    g_journalWindow->show();
    DiagLog("journal window " + std::to_string(g_journalWindow->model().rowCount()));
}

JournalWindow* OpenedJournalWindow()
{
    return g_journalWindow.data();
}
