#include "nowplaying/songwindow.h"

#include <functional>
#include <system_error>
#include <thread>
#include <utility>

#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMoveEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include "common/diaglog.h"
#include "common/fetch.h"
#include "common/textfile.h"
#include "common/ui/plainicon.h"
#include "common/ui/uitext.h"
#include "common/ui/workermailbox.h"
#include "nowplaying/fetchcover.h"
#include "nowplaying/heardsongs.h"
#include "nowplaying/nowplayingtexts.h"
#include "nowplaying/streamtitles.h"

namespace {

// The area a cover is shown in; a cover is scaled to fit it.
constexpr int kCoverSide = 104;

WindowRect toWindowRect(const QRect& r)
{
    return { r.left(), r.top(), r.left() + r.width(), r.top() + r.height() };
}

// Counted with the fetch workers, so that the program waits for them
// before it leaves.
bool startWorker(std::function<void()> work)
{
    return StartFetchWorker(std::move(work));
}

} // namespace

SongWindow::SongWindow(Settings& settings, const StationPageInfo& current, QWidget* mainWindow,
    StreamTitles* titles, HeardSongs* heard)
    : QDialog(mainWindow)
    , m_settings(settings)
    , m_current(current)
    , m_mainWindow(mainWindow)
    , m_titles(titles)
    , m_heard(heard)
    , m_model(settings.refreshSeconds)
    , m_mailbox(std::make_shared<ResultMailbox>(this, [this] { takeResults(); }))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(Utf8Text(texts::kSongWindowTitle));
    setWindowFlag(Qt::WindowStaysOnTopHint, settings.onTop);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_refreshTimer.setObjectName(QStringLiteral("timer106"));
    connect(&m_refreshTimer, &QTimer::timeout, this, &SongWindow::refresh);
    if (!settings.shopSearch.empty())
        m_model.setShopSearch(settings.shopSearch);
    if (m_titles != nullptr)
        connect(m_titles, &StreamTitles::changed, this, &SongWindow::onTitlesChanged);
    build();
}

SongWindow::~SongWindow()
{
    m_mailbox->close();
}

void SongWindow::build()
{
    auto* fields = new QGridLayout;
    const char* names[5] = { texts::kSongTitleLabel, texts::kSongArtistLabel,
        texts::kSongAlbumLabel, texts::kSongDateLabel, texts::kSongLabelLabel };
    const int ids[5] = { TitleValue, ArtistValue, AlbumValue, DateValue, LabelValue };
    for (int i = 0; i < 5; ++i) {
        auto* name = new QLabel(Utf8Text(names[i]), this);
        m_values[i] = new QLabel(this);
        m_values[i]->setObjectName(QStringLiteral("id%1").arg(ids[i]));
        m_values[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_values[i]->setMinimumWidth(200);
        fields->addWidget(name, i, 0);
        fields->addWidget(m_values[i], i, 1);
    }
    fields->setColumnStretch(1, 1);

    // The normal interface shows the cover on a button that opens a page
    // about the song; the skinned one on a plain picture.
    m_coverButton = new QPushButton(this);
    m_coverButton->setObjectName(QStringLiteral("id%1").arg(CoverButton));
    m_coverButton->setFixedSize(kCoverSide, kCoverSide);
    m_coverButton->setAutoDefault(false);
    connect(m_coverButton, &QPushButton::clicked, this, &SongWindow::onCoverClicked);
    m_coverStatic = new QLabel(this);
    m_coverStatic->setObjectName(QStringLiteral("id%1").arg(CoverStatic));
    m_coverStatic->setFixedSize(kCoverSide, kCoverSide);
    m_coverStatic->setAlignment(Qt::AlignCenter);
    m_coverButton->setVisible(!m_settings.skin);
    m_coverStatic->setVisible(m_settings.skin);

    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addWidget(m_coverButton, 0, Qt::AlignTop);
    top->addWidget(m_coverStatic, 0, Qt::AlignTop);

    auto* previous = new QPushButton(Utf8Text(texts::kSongPrevious), this);
    previous->setObjectName(QStringLiteral("id%1").arg(PreviousButton));
    previous->setAutoDefault(false);
    connect(previous, &QPushButton::clicked, this, &SongWindow::onPrevious);
    auto* next = new QPushButton(Utf8Text(texts::kSongNext), this);
    next->setObjectName(QStringLiteral("id%1").arg(NextButton));
    next->setAutoDefault(false);
    connect(next, &QPushButton::clicked, this, &SongWindow::onNext);

    m_periodEdit = new QSpinBox(this);
    m_periodEdit->setObjectName(QStringLiteral("id%1").arg(PeriodEdit));
    m_periodEdit->setRange(SongWindowModel::kMinPeriod, SongWindowModel::kMaxPeriod);
    m_periodEdit->setValue(m_model.period());
    connect(m_periodEdit, &QSpinBox::valueChanged, this, &SongWindow::onPeriodChanged);

    auto* ok = new QPushButton(Utf8Text(texts::kSongOk), this);
    ok->setObjectName(QStringLiteral("id%1").arg(OkButton));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &SongWindow::onOk);
    auto* copy = new QPushButton(Utf8Text(texts::kSongCopy), this);
    copy->setObjectName(QStringLiteral("id%1").arg(CopyButton));
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, &SongWindow::copyToClipboard);

    auto* steps = new QHBoxLayout;
    steps->addWidget(previous);
    steps->addWidget(next);
    steps->addStretch(1);
    steps->addWidget(new QLabel(Utf8Text(texts::kSongRefreshBefore), this));
    steps->addWidget(m_periodEdit);
    steps->addWidget(new QLabel(Utf8Text(texts::kSongRefreshAfter), this));

    // "J'aime ce titre" marks the song on air in the journal.
    m_likeButton = new QPushButton(Utf8Text(texts::kSongLike), this);
    m_likeButton->setObjectName(QStringLiteral("like"));
    m_likeButton->setAutoDefault(false);
    m_likeButton->setVisible(m_heard != nullptr);
    if (m_heard != nullptr) {
        connect(m_likeButton, &QPushButton::clicked, m_heard, &HeardSongs::likeOnAir);
        connect(m_heard, &HeardSongs::onAirChanged, this, &SongWindow::showLikeState);
    }
    showLikeState();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_likeButton);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(copy);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(steps);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

void SongWindow::open()
{
    if (hasFeed())
        startFeedRead();
    takeSongs(true);
    onCommand(RedisplayCommand);
    show();
    place();
}

void SongWindow::onCommand(int id)
{
    if (id != RedisplayCommand)
        return;
    const SongRecord& song = m_model.selected();
    const std::string* values[5]
        = { &song.title, &song.artist, &song.album, &song.releaseDate, &song.label };
    for (int i = 0; i < 5; ++i)
        m_values[i]->setText(FeedText(*values[i]));
    const std::string shown = std::to_string(m_model.index()) + ": " + song.title + " / "
        + song.artist + " / " + song.album + " / " + song.releaseDate;
    if (shown != m_logged) {
        m_logged = shown;
        DiagLog("song window " + shown);
    }
    startCoverFetch();
    m_refreshTimer.start(m_model.timerIntervalMs());
}

void SongWindow::refresh()
{
    // A read still on its way is the refresh; the next one waits for it.
    if (!m_fetchingFeed && hasFeed())
        startFeedRead();
}

void SongWindow::stationChanged()
{
    ++m_feedGeneration;
    m_fetchingFeed = false;
    m_feedSongs = SongList {};
    m_feedWorks = false;
    if (hasFeed())
        startFeedRead();
    takeSongs(true);
    onCommand(RedisplayCommand);
}

bool SongWindow::hasFeed() const
{
    // Without the titles to fall back on, the feed is read as it stands.
    return m_titles == nullptr || (!m_current.liveId.empty() && m_current.liveId != kNotFound);
}

void SongWindow::takeSongs(bool reset)
{
    const bool fromStream = m_titles != nullptr && !m_feedWorks;
    const SongList& songs = fromStream ? m_titles->songs() : m_feedSongs;
    if (reset || fromStream != m_model.fromStream())
        m_model.resetSongs(songs);
    else
        m_model.setSongs(songs);
    m_model.setFromStream(fromStream);
    std::string list = fromStream ? "song list stream:" : "song list feed:";
    for (const SongRecord& song : songs)
        list += " | " + song.title;
    if (list != m_loggedList) {
        m_loggedList = list;
        DiagLog(list);
    }
}

void SongWindow::onTitlesChanged()
{
    if (m_feedWorks)
        return;
    takeSongs(false);
    onCommand(RedisplayCommand);
}

void SongWindow::takeResults()
{
    for (std::function<void()>& result : m_mailbox->take())
        result();
}

void SongWindow::startFeedRead()
{
    m_fetchingFeed = true;
    const std::string address = m_current.liveId;
    SongList songs = m_feedSongs;
    const unsigned long generation = m_feedGeneration;
    const bool started
        = startWorker([mailbox = m_mailbox, address, songs, generation, this]() mutable {
              const bool ok = ParseLiveFeed(address, songs);
              mailbox->post([this, generation, ok, songs = std::move(songs)] {
                  onFeedRead(generation, ok, songs);
              });
          });
    if (!started)
        m_fetchingFeed = false;
}

void SongWindow::onFeedRead(unsigned long generation, bool ok, const SongList& songs)
{
    if (generation != m_feedGeneration)
        return;
    m_fetchingFeed = false;
    // A read that ran out of time leaves the list on show as it was. A feed
    // that names no song on air gives way to the stream's titles.
    if (ok) {
        m_feedSongs = songs;
        const std::string& onAir = songs[0].title;
        m_feedWorks = !onAir.empty() && onAir != kNotFound;
        if (m_feedWorks && m_heard != nullptr)
            m_heard->onFeedSong(songs[0]);
    }
    takeSongs(false);
    onCommand(RedisplayCommand);
    emit feedRead(ok);
}

void SongWindow::startCoverFetch()
{
    const unsigned long request = ++m_coverRequest;
    const std::string address = m_model.selected().coverAddress;
    const std::string htmlDir = m_settings.pathHtml;
    startWorker([mailbox = m_mailbox, address, htmlDir, request, this] {
        QImage image = FetchCover(address, htmlDir);
        mailbox->post(
            [this, request, image = std::move(image)] { onCoverFetched(request, image); });
    });
}

void SongWindow::onCoverFetched(unsigned long request, const QImage& image)
{
    // Only the cover of the song on show now counts.
    if (request != m_coverRequest)
        return;
    // The feed is read again every few seconds and names the same cover
    // for as long as the song plays: the picture on show stays.
    if (!image.isNull() && image == m_cover) {
        emit coverShown();
        return;
    }
    m_cover = image;
    // The whole cover, its proportions kept, in the place it has.
    const QPixmap pixmap = image.isNull() ? QPixmap()
                                          : QPixmap::fromImage(image.scaled(kCoverSide, kCoverSide,
                                              Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_shownCoverSize = pixmap.size();
    if (!image.isNull())
        DiagLog("song window cover " + std::to_string(image.width()) + "x"
            + std::to_string(image.height()) + " shown " + std::to_string(pixmap.width()) + "x"
            + std::to_string(pixmap.height()));
    m_coverButton->setIcon(PlainIcon(pixmap));
    m_coverButton->setIconSize(pixmap.size());
    m_coverStatic->setPixmap(pixmap);
    emit coverShown();
}

void SongWindow::showLikeState()
{
    // Only a song on air that is not marked yet can be.
    m_likeButton->setEnabled(
        m_heard != nullptr && m_heard->onAir().has_value() && !m_heard->onAir()->liked);
}

void SongWindow::onPrevious()
{
    if (m_model.previous())
        onCommand(RedisplayCommand);
}

void SongWindow::onNext()
{
    if (m_model.next())
        onCommand(RedisplayCommand);
}

void SongWindow::onPeriodChanged(int seconds)
{
    if (m_model.setPeriod(seconds))
        m_refreshTimer.start(m_model.timerIntervalMs());
}

void SongWindow::onCoverClicked()
{
    const std::string address = m_model.coverClickAddress();
    if (address.empty())
        return;
    const QUrl url(FeedText(address), QUrl::TolerantMode);
    // Only web pages are handed to the desktop, whatever a feed says.
    if (url.isValid()
        && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")))
        QDesktopServices::openUrl(url);
}

void SongWindow::copyToClipboard()
{
    QGuiApplication::clipboard()->setText(FeedText(m_model.clipboardText()));
}

void SongWindow::onOk()
{
    m_settings.refreshSeconds = m_model.period();
    close();
}

void SongWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape copies, as "Copier" does, and the window stays open.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        copyToClipboard();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SongWindow::closeEvent(QCloseEvent* event)
{
    // Closing by the title bar keeps the stored period.
    event->accept();
}

void SongWindow::place()
{
    QScreen* screen = m_mainWindow != nullptr ? m_mainWindow->screen() : nullptr;
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    // The arithmetic works from the screen's top-left corner.
    WindowRect main {};
    bool mainHidden = true;
    if (m_mainWindow != nullptr) {
        main = toWindowRect(m_mainWindow->frameGeometry().translated(-area.topLeft()));
        mainHidden = !m_mainWindow->isVisible();
    }
    const QSize size = frameGeometry().size();
    const WindowRect placed = PlaceSongWindow(
        main, size.width(), size.height(), area.width(), area.height(), mainHidden);
    moveProgrammatically(QPoint(placed.left, placed.top) + area.topLeft());
}

void SongWindow::moveWith(int dx, int dy)
{
    moveProgrammatically(frameGeometry().topLeft() + QPoint(dx, dy));
}

void SongWindow::moveProgrammatically(const QPoint& topLeft)
{
    m_selfMoving = true;
    m_ownPosition = topLeft;
    move(topLeft);
    m_selfMoving = false;
}

void SongWindow::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    // Window positions mean nothing under Wayland, and the window's own
    // moves are not drags.
    if (m_selfMoving || frameGeometry().topLeft() == m_ownPosition || !isVisible()
        || m_mainWindow == nullptr
        || QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    const SnapResult snapped = SnapToMainWindow(
        toWindowRect(frameGeometry()), toWindowRect(m_mainWindow->frameGeometry()));
    m_attached = snapped.attached;
    if (snapped.rect.left != frameGeometry().left() || snapped.rect.top != frameGeometry().top())
        moveProgrammatically(QPoint(snapped.rect.left, snapped.rect.top));
}
