#include "catalogue/directorydialog.h"

#include <cstdio>
#include <iterator>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/diaglog.h"
#include "common/directoryfetch.h"
#include "common/fetch.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"

namespace {

// Each server is waited for this long plus two seconds.
constexpr int kLimitSeconds = 5;
constexpr std::size_t kMaxAnswerBytes = 16 * 1024 * 1024;
constexpr std::size_t kMaxFaviconBytes = 2 * 1024 * 1024;
constexpr int kMaxLogoSide = 128;
// A favicon announcing more pixels than this is not decoded at all: a small
// compressed file can claim a picture of gigabytes.
constexpr qint64 kMaxFaviconPixels = 4096 * 4096;

std::string userAgent()
{
    return std::string("Sonalto/") + SONALTO_VERSION;
}

std::string fieldText(const QLineEdit* field)
{
    return field->text().trimmed().toStdString();
}

// A temporary file name under /tmp, made unique by mkstemps; empty when none
// could be made.
std::string temporaryFile(const char* suffix)
{
    std::string name = std::string("/tmp/sonalto-annuaire-XXXXXX") + suffix;
    const int fd
        = ::mkstemps(name.data(), static_cast<int>(std::char_traits<char>::length(suffix)));
    if (fd < 0)
        return {};
    ::close(fd);
    return name;
}

// Fetches the favicon and writes it as a PNG of at most 128 px; the PNG's
// path, or empty when the icon cannot be had or read.
std::string fetchLogo(const std::string& favicon)
{
    if (favicon.empty())
        return {};
    const std::string raw = temporaryFile(".img");
    if (raw.empty())
        return {};
    std::string png;
    if (FetchDirectoryFile(favicon, raw, userAgent(), kLimitSeconds, kMaxFaviconBytes)) {
        QImageReader reader(PathText(raw));
        const QSize size = reader.size();
        const bool sane = !size.isValid()
            || static_cast<qint64>(size.width()) * size.height() <= kMaxFaviconPixels;
        if (sane && size.isValid() && (size.width() > kMaxLogoSide || size.height() > kMaxLogoSide))
            reader.setScaledSize(
                size.scaled(kMaxLogoSide, kMaxLogoSide, Qt::KeepAspectRatio).expandedTo({ 1, 1 }));
        QImage image = sane ? reader.read() : QImage();
        if (!image.isNull()) {
            if (image.width() > kMaxLogoSide || image.height() > kMaxLogoSide)
                image = image.scaled(
                    kMaxLogoSide, kMaxLogoSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            png = temporaryFile(".png");
            if (!png.empty() && !image.save(PathText(png), "PNG")) {
                DeleteFile(png);
                png.clear();
            }
        }
    }
    DeleteFile(raw);
    return png;
}

} // namespace

DirectoryDialog::DirectoryDialog(std::string htmlDir, std::string serversSetting, Actions actions,
    QWidget* parent, Prompt* prompt)
    : QDialog(parent)
    , m_htmlDir(std::move(htmlDir))
    , m_servers(DirectoryServerList(serversSetting))
    , m_actions(std::move(actions))
    , m_ownPrompt(prompt == nullptr ? std::make_unique<MessagePrompt>(this) : nullptr)
    , m_model(m_htmlDir, prompt != nullptr ? *prompt : *m_ownPrompt)
    , m_mailbox(std::make_shared<Mailbox>(this, [this] { takeResults(); }))
{
    setWindowTitle(Utf8Text(kDirectoryTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    build();
}

DirectoryDialog::~DirectoryDialog()
{
    m_mailbox->close();
    if (m_playing && m_actions.stopPlay)
        m_actions.stopPlay();
    DeleteFile(m_htmlDir + kDirectoryTrialPage);
}

void DirectoryDialog::build()
{
    auto* fields = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("name"));
    fields->addRow(Utf8Text("&Nom :"), m_name);
    m_country = new QComboBox(this);
    m_country->setObjectName(QStringLiteral("country"));
    for (const DirectoryCountry& country : kDirectoryCountries)
        m_country->addItem(Utf8Text(country.name));
    fields->addRow(Utf8Text("&Pays :"), m_country);
    m_language = new QLineEdit(this);
    m_language->setObjectName(QStringLiteral("language"));
    fields->addRow(Utf8Text("&Langue :"), m_language);
    m_tag = new QLineEdit(this);
    m_tag->setObjectName(QStringLiteral("tag"));
    fields->addRow(Utf8Text("&Genre :"), m_tag);

    auto* searchButton = new QPushButton(Utf8Text("&Rechercher"), this);
    searchButton->setObjectName(QStringLiteral("search"));
    searchButton->setDefault(true);
    // Return in a field presses the default button: one search.
    connect(searchButton, &QPushButton::clicked, this, &DirectoryDialog::search);

    m_results = new QTreeWidget(this);
    m_results->setObjectName(QStringLiteral("results"));
    m_results->setRootIsDecorated(false);
    m_results->setHeaderLabels({ Utf8Text("Nom"), Utf8Text("Pays"), Utf8Text("Format"),
        Utf8Text("Débit"), Utf8Text("En service") });
    m_results->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    connect(m_results, &QTreeWidget::itemDoubleClicked, this, &DirectoryDialog::play);

    m_showBroken = new QCheckBox(Utf8Text("Afficher les flux en panne"), this);
    m_showBroken->setObjectName(QStringLiteral("showBroken"));
    connect(m_showBroken, &QCheckBox::toggled, this, [this](bool on) {
        m_model.setShowBroken(on);
        showResults();
    });
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));

    m_playButton = new QPushButton(Utf8Text("Écouter"), this);
    m_playButton->setObjectName(QStringLiteral("play"));
    connect(m_playButton, &QPushButton::clicked, this, &DirectoryDialog::play);
    m_addButton = new QPushButton(Utf8Text("Ajouter à ma liste"), this);
    m_addButton->setObjectName(QStringLiteral("add"));
    connect(m_addButton, &QPushButton::clicked, this, &DirectoryDialog::addSelected);
    auto* closeButton = new QPushButton(Utf8Text("Fermer"), this);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_playButton);
    buttons->addWidget(m_addButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addWidget(searchButton, 0, Qt::AlignBottom);
    layout->addLayout(top);
    layout->addWidget(m_results, 1);
    layout->addWidget(m_showBroken);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    resize(640, 480);
}

void DirectoryDialog::search()
{
    m_model.setQuery(
        fieldText(m_name), m_country->currentIndex(), fieldText(m_language), fieldText(m_tag));
    m_model.beginSearch();
    m_status->setText(Utf8Text(m_model.status().c_str()));
    const unsigned long request = ++m_search;
    const std::string path = m_model.searchPath();
    StartFetchWorker([mailbox = m_mailbox, servers = m_servers, resolved = m_resolved, path,
                         request, this]() mutable {
        // The directory's own list of servers is asked for once per window.
        if (!resolved)
            servers = ResolveDirectoryServers(servers, userAgent(), kLimitSeconds);
        // A server that answers with something else than a station list
        // (an error page) is passed over like a dead one.
        DirectoryReply reply
            = FetchFromDirectory(servers, path, userAgent(), kLimitSeconds, kMaxAnswerBytes,
                [](const std::string& body) { return ReadDirectoryStations(body).error.empty(); });
        mailbox->post([this, request, servers, reply = std::move(reply)] {
            if (!m_resolved && reply.answered) {
                m_servers = servers;
                m_resolved = true;
            }
            // Only the answer to the last search counts.
            if (request != m_search)
                return;
            m_model.takeAnswer(reply.answered, reply.unreadable, reply.body);
            showResults();
            DiagLog("directory results " + std::to_string(m_model.shown().size()));
            emit searched();
        });
    });
}

void DirectoryDialog::showResults()
{
    m_results->clear();
    for (const DirectoryStation& station : m_model.shown()) {
        auto* item = new QTreeWidgetItem(m_results);
        item->setText(0, QString::fromStdString(station.name));
        item->setText(1, QString::fromStdString(station.country));
        item->setText(2, QString::fromStdString(station.codec));
        item->setText(
            3, station.bitrate > 0 ? QStringLiteral("%1 kbit/s").arg(station.bitrate) : QString());
        item->setText(4, Utf8Text(station.working ? "oui" : "non"));
    }
    if (m_results->topLevelItemCount() > 0)
        m_results->setCurrentItem(m_results->topLevelItem(0));
    m_status->setText(Utf8Text(m_model.status().c_str()));
}

int DirectoryDialog::selectedRow() const
{
    QTreeWidgetItem* item = m_results->currentItem();
    return item == nullptr ? -1 : m_results->indexOfTopLevelItem(item);
}

void DirectoryDialog::play()
{
    const int row = selectedRow();
    const DirectoryStation* station = m_model.station(row);
    if (station == nullptr)
        return;
    const std::string page = m_model.writeTrialPage(row);
    if (page.empty() || !m_actions.play)
        return;
    m_actions.play(page);
    m_playing = true;
    // The directory counts the play; its answer is not needed.
    const std::string path = DirectoryClickPath(station->uuid);
    StartFetchWorker([servers = m_servers, path] {
        FetchFromDirectory(servers, path, userAgent(), kLimitSeconds, kMaxAnswerBytes);
    });
}

void DirectoryDialog::addSelected()
{
    const DirectoryStation* selected = m_model.station(selectedRow());
    if (selected == nullptr)
        return;
    m_addButton->setEnabled(false);
    // The station itself travels with the icon fetch: the rows may change
    // meanwhile (a new search, the broken streams shown or hidden).
    StartFetchWorker([mailbox = m_mailbox, station = *selected, this] {
        std::string logo = fetchLogo(station.favicon);
        mailbox->post([this, station, logo] {
            m_addButton->setEnabled(true);
            const bool added = m_model.add(station, logo);
            if (!logo.empty())
                DeleteFile(logo);
            if (added)
                DiagLog("directory added " + station.name);
            if (added && m_actions.added)
                m_actions.added();
            emit addFinished(added);
        });
    });
}

void DirectoryDialog::takeResults()
{
    for (std::function<void()>& result : m_mailbox->take())
        result();
}
