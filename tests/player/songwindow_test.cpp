#include "nowplaying/songwindow.h"

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QImage>
#include <QPushButton>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include "common/hosts.h"
#include "common/textfile.h"
#include "nowplaying/fetchcover.h"
#include "nowplaying/heardsongs.h"
#include "nowplaying/nowplaying.h"
#include "nowplaying/songwindowmodel.h"
#include "nowplaying/streamtitles.h"
#include "support/testsupport.h"

class CoverClickCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

namespace {

SongList numberedSongs()
{
    SongList songs;
    for (int i = 0; i < kSongCount; ++i)
        songs[i].title = "Titre " + std::to_string(i);
    return songs;
}

TEST(SongWindowModel, stepsStopAtTheEnds)
{
    SongWindowModel model(10);
    model.setSongs(numberedSongs());
    EXPECT_FALSE(model.next());
    for (int i = 1; i < kSongCount; ++i) {
        EXPECT_TRUE(model.previous());
        EXPECT_EQ(model.selected().title, "Titre " + std::to_string(i));
    }
    EXPECT_FALSE(model.previous());
    EXPECT_EQ(model.index(), 4);
    EXPECT_TRUE(model.next());
    EXPECT_EQ(model.index(), 3);
}

TEST(SongWindowModel, periodIsAWholeNumberFrom0To180)
{
    SongWindowModel model(10);
    EXPECT_FALSE(model.setPeriod(181));
    EXPECT_FALSE(model.setPeriod(-1));
    EXPECT_EQ(model.period(), 10);
    EXPECT_TRUE(model.setPeriod(180));
    EXPECT_TRUE(model.setPeriod(0));
    // A period of 0 still leaves a second between reads.
    EXPECT_EQ(model.timerIntervalMs(), 1000);
    EXPECT_TRUE(model.setPeriod(25));
    EXPECT_EQ(model.timerIntervalMs(), 25000);

    const std::vector<std::pair<std::string, std::optional<int>>> texts {
        { "0", 0 },
        { "180", 180 },
        { " 42 ", 42 },
        { "181", std::nullopt },
        { "-1", std::nullopt },
        { "", std::nullopt },
        { "1a", std::nullopt },
        { "0180", std::nullopt },
        { "4.5", std::nullopt },
    };
    for (const auto& [text, value] : texts)
        EXPECT_EQ(SongWindowModel::parsePeriod(text), value) << text;
}

TEST(SongWindowModel, clipboardHoldsFiveLinesOfTheSelectedSong)
{
    SongWindowModel model(10);
    SongList songs;
    songs[0].title = "A";
    songs[0].artist = "B";
    songs[0].coverAddress = "http://img.example/a.jpg";
    songs[1] = { "T", "Au", "Al", "1999", "L", "c", "i" };
    model.setSongs(songs);
    EXPECT_EQ(model.clipboardText(), "A\r\nB\r\n\r\n\r\n\r\n");
    model.previous();
    EXPECT_EQ(model.clipboardText(), "T\r\nAu\r\nAl\r\n1999\r\nL\r\n");
}

TEST(SongWindowModel, coverClickOpensInfoPageOrShopSearch)
{
    const std::string shop = "http://boutique.test/mx/?tp=L&type=3&fulltext=";
    const std::vector<std::pair<std::string, std::string>> cases {
        { "http://info.example/fiche?id=3", "http://info.example/fiche?id=3" },
        { "HTTPS://info.example/fiche", "HTTPS://info.example/fiche" },
        { "Introuvable", shop + "Deux mots" },
        { "", shop + "Deux mots" },
        // Nothing but a web page is opened for a feed.
        { "file:///etc/passwd", shop + "Deux mots" },
        { "/usr/bin/xterm", shop + "Deux mots" },
        { "javascript:alert(1)//http://x", shop + "Deux mots" },
    };
    for (const auto& [info, expected] : cases) {
        SongWindowModel model(10);
        model.setShopSearch(shop);
        SongList songs;
        songs[0].title = "Deux mots";
        songs[0].infoAddress = info;
        model.setSongs(songs);
        EXPECT_EQ(model.coverClickAddress(), expected) << info;
        // A stream's song opens its release page, or nothing at all.
        model.setFromStream(true);
        EXPECT_EQ(model.coverClickAddress(), IsDesktopWebAddress(info) ? info : "") << info;
    }
}

TEST(SongWindowPlacement, besideOnTheLeftOrCentred)
{
    struct Case {
        WindowRect main;
        int width, height;
        bool hidden;
        WindowRect expected;
    };
    const std::vector<Case> cases {
        // Room on the right.
        { { 100, 50, 500, 450 }, 300, 200, false, { 500, 50, 800, 250 } },
        // 100 pixels from the right edge of a 1024-pixel screen: on the left.
        { { 424, 50, 924, 450 }, 300, 200, false, { 124, 50, 424, 250 } },
        // Exactly filling the screen to its edge still fits.
        { { 100, 50, 724, 450 }, 300, 200, false, { 724, 50, 1024, 250 } },
        // Hidden main window: centred, halves truncated.
        { { 424, 50, 924, 450 }, 301, 201, true, { 361, 283, 662, 484 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceSongWindow(c.main, c.width, c.height, 1024, 768, c.hidden), c.expected)
            << c.expected.left << "," << c.expected.top;
}

TEST(SongWindowSnapping, snapsWithinFivePixelsAndSaysAttached)
{
    const WindowRect m { 100, 100, 500, 400 };
    struct Case {
        const char* what;
        WindowRect proposed;
        WindowRect expected;
        bool attached;
    };
    const std::vector<Case> cases {
        { "left edge 4 right of main's right, tops 3 apart", { 504, 103, 804, 303 },
            { 500, 100, 800, 300 }, true },
        { "5 pixels away does not snap", { 505, 103, 805, 303 }, { 505, 103, 805, 303 }, false },
        { "right edge near main's left, bottoms near", { -201, 198, 97, 398 },
            { -198, 200, 100, 400 }, true },
        { "side snap without vertical alignment", { 502, 150, 802, 350 }, { 500, 150, 800, 350 },
            true },
        { "below the main window, lefts near", { 103, 404, 403, 604 }, { 100, 400, 400, 600 },
            true },
        { "above the main window, rights near", { 260, -101, 498, 96 }, { 262, -97, 500, 100 },
            true },
        { "side by side but far below", { 500, 500, 800, 700 }, { 500, 500, 800, 700 }, false },
        { "far away", { 900, 900, 1200, 1100 }, { 900, 900, 1200, 1100 }, false },
    };
    for (const Case& c : cases) {
        const SnapResult result = SnapToMainWindow(c.proposed, m);
        EXPECT_EQ(result.rect, c.expected) << c.what;
        EXPECT_EQ(result.attached, c.attached) << c.what;
    }
}

// The HTML directory with its "introuvable.jpg" (3 x 2 pixels), and a
// server with covers of several kinds.
class CoverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_html = m_htmlDir.path();
        ASSERT_TRUE(QImage(3, 2, QImage::Format_RGB32)
                        .save(QString::fromStdString(m_html + kMissingCoverFileName), "JPG"));
        QImage cover(16, 12, QImage::Format_RGB32);
        cover.fill(Qt::red);
        ASSERT_TRUE(cover.save(QString::fromStdString(m_root.path() + "img.JPG"), "JPG"));
        ASSERT_TRUE(cover.save(QString::fromStdString(m_root.path() + "cover.jpeg"), "JPG"));
        ASSERT_TRUE(cover.save(QString::fromStdString(m_root.path() + "cover.png"), "PNG"));
        write("nine.jpg", "123456789");
        write("ten.jpg", "1234567890");
        ASSERT_TRUE(m_server.start(m_root.path()));
    }

    void write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(m_root.path() + name, std::ios::binary) << bytes;
    }

    testsupport::TempDir m_root { "sonalto-cover-root" };
    testsupport::TempDir m_htmlDir { "sonalto-cover-html" };
    std::string m_html;
    testsupport::HttpServer m_server;
};

TEST_F(CoverTest, addressTestAndTenByteRulePickThePictureFile)
{
    struct Case {
        std::string address;
        const char* file;
        QSize size; // of the picture shown; empty for none
    };
    const std::vector<Case> cases {
        // The extension is looked for lower-cased and anywhere.
        { m_server.url("/img.JPG?w=100"), kCoverFileName, { 16, 12 } },
        { m_server.url("/cover.jpeg"), kMissingCoverFileName, { 3, 2 } },
        // Saved as "pochette.jpg" whatever it holds; decoded by content.
        { m_server.url("/cover.png"), kCoverFileName, { 16, 12 } },
        { m_server.url("/nine.jpg"), kMissingCoverFileName, { 3, 2 } },
        // Ten bytes pass, but they are no picture: nothing is shown.
        { m_server.url("/ten.jpg"), kCoverFileName, {} },
        { m_server.url("/absent.jpg"), kCoverFileName, {} }, // the error page is content
        { "http://127.0.0.1:1/refused.jpg", kMissingCoverFileName, { 3, 2 } },
        { "Introuvable", kMissingCoverFileName, { 3, 2 } },
        { m_root.path() + "img.JPG", kCoverFileName, { 16, 12 } },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FetchCoverFile(c.address, m_html), m_html + c.file) << c.address;
        const QImage image = FetchCover(c.address, m_html);
        if (c.size.isEmpty())
            EXPECT_TRUE(image.isNull()) << c.address;
        else
            EXPECT_EQ(image.size(), c.size) << c.address;
    }
}

TEST_F(CoverTest, missingFallbackPictureShowsNothing)
{
    DeleteFile(m_html + kMissingCoverFileName);
    EXPECT_TRUE(FetchCover(m_server.url("/nine.jpg"), m_html).isNull());
    EXPECT_TRUE(FetchCover("", m_html).isNull());
}

std::string scriptFeed(const std::string& prefix, const std::string& coverBase)
{
    std::string feed;
    for (int i = 0; i < kSongCount; ++i) {
        const std::string e = "radio_entry[" + std::to_string(i) + "]";
        feed += e + ".titre = \"" + prefix + " " + std::to_string(i) + "\";\n";
        feed += e + ".interprete = \"Voix " + std::to_string(i) + "\";\n";
        feed += e + ".album = \"Album\";\n" + e + ".dateSortie = \"2001\";\n" + e
            + ".label = \"Étiquette\";\n";
        feed += e + ".urlPochette = \"" + coverBase + "/c" + std::to_string(i) + ".jpg\";\n";
    }
    return feed;
}

class SongWindowTest : public CoverTest {
protected:
    void SetUp() override
    {
        CoverTest::SetUp();
        for (int i = 0; i < kSongCount; ++i) {
            QImage cover(20 + i, 20, QImage::Format_RGB32);
            cover.fill(Qt::blue);
            ASSERT_TRUE(cover.save(
                QString::fromStdString(m_root.path() + "c" + std::to_string(i) + ".jpg"), "JPG"));
        }
        writeFeed("Titre");
        m_settings.pathHtml = m_html;
        m_settings.refreshSeconds = 10;
        m_settings.shopSearch = "http://boutique.test/mx/?tp=L&type=3&fulltext=";
        m_current.liveId = m_server.url("/feed.js");
        m_main.setGeometry(100, 100, 200, 150);
        m_main.show();
    }

    void TearDown() override
    {
        if (SongWindow* window = OpenedSongWindow())
            delete window;
    }

    void writeFeed(const std::string& prefix)
    {
        write("feed.js", scriptFeed(prefix, m_server.url("")));
    }

    SongWindow* openAndRead(bool docked = false)
    {
        OpenSongWindow(&m_main, m_settings, m_current, docked);
        SongWindow* window = OpenedSongWindow();
        if (window == nullptr)
            return nullptr;
        QSignalSpy read(window, &SongWindow::feedRead);
        if (!read.wait(6000) || !read.at(0).at(0).toBool())
            return nullptr;
        return window;
    }

    static QString value(SongWindow* window, int id)
    {
        return window->findChild<QLabel*>(QStringLiteral("id%1").arg(id))->text();
    }

    static void click(SongWindow* window, int id)
    {
        QTest::mouseClick(
            window->findChild<QPushButton*>(QStringLiteral("id%1").arg(id)), Qt::LeftButton);
    }

    Settings m_settings;
    StationPageInfo m_current;
    QWidget m_main;
};

TEST_F(SongWindowTest, showsTheFeedStepsThroughItAndCopies)
{
    SongWindow* window = openAndRead();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Chanson en cours"));
    EXPECT_EQ(value(window, SongWindow::TitleValue), QStringLiteral("Titre 0"));
    EXPECT_EQ(value(window, SongWindow::LabelValue), QStringLiteral("Étiquette"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->cover().size() == QSize(20, 20); }, 5000));
    EXPECT_EQ(window->refreshIntervalMs(), 10000);

    click(window, SongWindow::NextButton); // already on the song on air
    EXPECT_EQ(window->model().index(), 0);
    for (int i = 0; i < 6; ++i)
        click(window, SongWindow::PreviousButton);
    EXPECT_EQ(window->model().index(), 4);
    EXPECT_EQ(value(window, SongWindow::TitleValue), QStringLiteral("Titre 4"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->cover().size() == QSize(24, 20); }, 5000));
    click(window, SongWindow::NextButton);
    EXPECT_EQ(value(window, SongWindow::ArtistValue), QStringLiteral("Voix 3"));

    QGuiApplication::clipboard()->clear();
    click(window, SongWindow::CopyButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
        QStringLiteral("Titre 3\r\nVoix 3\r\nAlbum\r\n2001\r\nÉtiquette\r\n"));

    // Escape copies too, and the window stays.
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(SongWindowIsOpen());

    // A second opening only brings the same window forward.
    OpenSongWindow(&m_main, m_settings, m_current, false);
    EXPECT_EQ(OpenedSongWindow(), window);
}

// The feed's song on air goes into the journal, once however often it is
// read, and the window's "J'aime ce titre" marks it.
TEST_F(SongWindowTest, feedSongOnAirIsJournalledAndLiked)
{
    m_current.title = "Radio Test";
    HeardSongs heard(m_current, m_root.path() + "journal/");
    OpenSongWindow(&m_main, m_settings, m_current, false, nullptr, &heard);
    SongWindow* window = OpenedSongWindow();
    ASSERT_NE(window, nullptr);
    auto* like = window->findChild<QPushButton*>(QStringLiteral("like"));
    ASSERT_NE(like, nullptr);
    EXPECT_FALSE(like->isEnabled());
    QSignalSpy read(window, &SongWindow::feedRead);
    ASSERT_TRUE(read.wait(6000));
    window->refresh();
    ASSERT_TRUE(read.wait(6000));
    QTest::mouseClick(like, Qt::LeftButton);
    EXPECT_FALSE(like->isEnabled());
    const auto journal = heard.journal().ReadAll();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].station + '|' + journal[0].artist + '|' + journal[0].title,
        "Radio Test|Voix 0|Titre 0");
    EXPECT_TRUE(journal[0].liked);
    delete window;
}

TEST_F(SongWindowTest, okStoresThePeriodButTheTitleBarDoesNot)
{
    SongWindow* window = openAndRead();
    ASSERT_NE(window, nullptr);
    auto* period = window->findChild<QSpinBox*>(QStringLiteral("id%1").arg(SongWindow::PeriodEdit));
    period->setValue(500); // the edit holds no more than 180
    EXPECT_EQ(window->model().period(), 180);
    period->setValue(42);
    EXPECT_EQ(window->refreshIntervalMs(), 42000);
    window->close();
    EXPECT_TRUE(QTest::qWaitFor([] { return !SongWindowIsOpen(); }, 2000));
    EXPECT_EQ(m_settings.refreshSeconds, 10);

    window = openAndRead();
    ASSERT_NE(window, nullptr);
    window->findChild<QSpinBox*>(QStringLiteral("id%1").arg(SongWindow::PeriodEdit))->setValue(42);
    click(window, SongWindow::OkButton);
    EXPECT_TRUE(QTest::qWaitFor([] { return !SongWindowIsOpen(); }, 2000));
    EXPECT_EQ(m_settings.refreshSeconds, 42);
}

TEST_F(SongWindowTest, refreshKeepsTheIndexAndATimeoutKeepsTheList)
{
    SongWindow* window = openAndRead();
    ASSERT_NE(window, nullptr);
    click(window, SongWindow::PreviousButton);
    click(window, SongWindow::PreviousButton);

    writeFeed("Nouveau");
    QSignalSpy read(window, &SongWindow::feedRead);
    window->refresh();
    ASSERT_TRUE(read.wait(6000));
    EXPECT_TRUE(read.takeFirst().at(0).toBool());
    EXPECT_EQ(window->model().index(), 2);
    EXPECT_EQ(value(window, SongWindow::TitleValue), QStringLiteral("Nouveau 2"));

    // A feed that never answers in time: the list and selection stay.
    const SongList before = window->model().songs();
    m_current.liveId = m_server.url("/_stall/30/feed.js");
    window->refresh();
    window->refresh(); // a read on its way is not doubled
    ASSERT_TRUE(read.wait(4000 + 2500));
    EXPECT_FALSE(read.takeFirst().at(0).toBool());
    EXPECT_EQ(window->model().songs(), before);
    EXPECT_EQ(window->model().index(), 2);
    EXPECT_EQ(value(window, SongWindow::TitleValue), QStringLiteral("Nouveau 2"));
    EXPECT_FALSE(read.wait(300));
}

TEST_F(SongWindowTest, coverClickHandsOnlyWebAddressesToTheDesktop)
{
    write("feed.js",
        "radio_entry[0].titre = \"Deux mots\";radio_entry[0].urlPochette = \"x.jpg\";"
        "radio_entry[1].titre = \"Autre\";");
    CoverClickCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    SongWindow* window = openAndRead();
    ASSERT_NE(window, nullptr);
    click(window, SongWindow::CoverButton);
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1u);
    // The title goes in as it stands, the blank included.
    const QUrl shop(QString::fromStdString(m_settings.shopSearch));
    EXPECT_EQ(catcher.urls[0].toString(QUrl::RemoveQuery), shop.toString(QUrl::RemoveQuery));
    EXPECT_EQ(
        catcher.urls[0].query(QUrl::FullyDecoded), shop.query() + QStringLiteral("Deux mots"));
}

TEST_F(SongWindowTest, streamTitlesStandInForAFeedThatGivesNothing)
{
    m_settings.songLookups = false;
    StreamTitles titles(m_settings);
    titles.onTitle(QStringLiteral("Alpha - Un"));
    titles.onTitle(QStringLiteral("Titre sans tiret"));
    write("feed.js", "<html>plus de flux</html>");
    OpenSongWindow(&m_main, m_settings, m_current, false, &titles);
    SongWindow* window = OpenedSongWindow();
    ASSERT_NE(window, nullptr);
    QSignalSpy read(window, &SongWindow::feedRead);
    ASSERT_TRUE(read.wait(6000));
    EXPECT_EQ(value(window, SongWindow::TitleValue), QStringLiteral("Titre sans tiret"));
    EXPECT_EQ(value(window, SongWindow::ArtistValue), QStringLiteral("Introuvable"));
    EXPECT_EQ(value(window, SongWindow::AlbumValue), QStringLiteral("Introuvable"));
    click(window, SongWindow::PreviousButton);
    EXPECT_EQ(value(window, SongWindow::TitleValue), QStringLiteral("Un"));
    EXPECT_EQ(value(window, SongWindow::ArtistValue), QStringLiteral("Alpha"));
    // A stream's song without a release page: the cover opens nothing.
    EXPECT_EQ(window->model().coverClickAddress(), "");
    // A new title while the window is open comes in front; the older song
    // selected stays selected.
    titles.onTitle(QStringLiteral("Beta - Deux"));
    EXPECT_EQ(window->model().songs()[0].title, "Deux");
    EXPECT_EQ(window->model().index(), 1);

    // The feed works again: its songs are shown, and the stream's give way.
    writeFeed("Flux");
    window->refresh();
    ASSERT_TRUE(read.wait(6000));
    EXPECT_EQ(window->model().songs()[0].title, "Flux 0");
    EXPECT_FALSE(window->model().fromStream());

    // Another station, without a feed: nothing of the last one is shown,
    // then its own titles come.
    m_current.liveId = "Introuvable";
    titles.stationChanged();
    SongWindowStationChanged();
    EXPECT_EQ(value(window, SongWindow::TitleValue), QString());
    EXPECT_EQ(window->model().index(), 0);
    titles.onTitle(QStringLiteral("Gamma - Trois"));
    EXPECT_EQ(value(window, SongWindow::TitleValue), QStringLiteral("Trois"));
    EXPECT_FALSE(read.wait(300)); // no feed to read
    delete window;
}

TEST_F(SongWindowTest, coverIsScaledToFitKeepingItsProportions)
{
    QImage wide(250, 125, QImage::Format_RGB32);
    wide.fill(Qt::green);
    ASSERT_TRUE(wide.save(QString::fromStdString(m_root.path() + "c0.jpg"), "JPG"));
    SongWindow* window = openAndRead();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->cover().size() == QSize(250, 125); }, 5000));
    EXPECT_EQ(window->shownCoverSize(), QSize(104, 52));

    // Each read of the feed fetches the cover again: the same picture keeps
    // the icon on show (a new one each time filled the pixmap cache), and
    // another picture replaces it.
    auto* button
        = window->findChild<QPushButton*>(QStringLiteral("id%1").arg(SongWindow::CoverButton));
    const qint64 shown = button->icon().cacheKey();
    QSignalSpy covers(window, &SongWindow::coverShown);
    for (int read = 0; read < 2; ++read) {
        window->refresh();
        ASSERT_TRUE(covers.wait(6000));
    }
    EXPECT_EQ(button->icon().cacheKey(), shown);
    // Drawn, as on screen, then replaced: nothing keeps the old picture.
    button->repaint();
    const QPixmap green = button->icon().pixmap(button->iconSize());
    wide.fill(Qt::red);
    ASSERT_TRUE(wide.save(QString::fromStdString(m_root.path() + "c0.jpg"), "JPG"));
    window->refresh();
    ASSERT_TRUE(covers.wait(6000));
    EXPECT_NE(button->icon().cacheKey(), shown);
    button->repaint();
    EXPECT_TRUE(green.isDetached()) << "the replaced cover stays in the pixmap cache";
}

TEST_F(SongWindowTest, dockedWindowFollowsTheMainWindowAndDragsSnap)
{
    SongWindow* window = openAndRead(true);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isAttached());
    const QPoint start = window->frameGeometry().topLeft();
    MoveDockedSongWindow(15, -7);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->frameGeometry().topLeft() == start + QPoint(15, -7); }, 2000));

    // A drag that ends far away loosens it; one near the right edge snaps.
    const QRect m = m_main.frameGeometry();
    window->move(m.left() + m.width() + 60, m.top() + 200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isAttached(); }, 2000));
    const QPoint loose = window->frameGeometry().topLeft();
    MoveDockedSongWindow(10, 10);
    QTest::qWait(50);
    EXPECT_EQ(window->frameGeometry().topLeft(), loose);

    window->move(m.left() + m.width() + 4, m.top() + 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isAttached(); }, 2000));
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(m.left() + m.width(), m.top()));
}

} // namespace

#include "songwindow_test.moc"
