#include "view/lumoview.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include "commandids.h"
#include "common/rebuild.h"
#include "common/textfile.h"
#include "support/eventwait.h"
#include "shell/playertray.h"
#include "support/testsupport.h"
#include "view/framebridge.h"
#include "support/framepages.h"

namespace {

using testsupport::TempDir;

// A station page with the markers the player reads.
std::string stationPage(const std::string& title, const std::string& stream)
{
    return "<html><body><font name=\"titre\">" + title
        + "</font>\r\n"
          "<param name=\"filename\" value=\""
        + stream
        + "\">\r\n"
          "<a id=\"rec\" href=\"app:rec()\">REC</a>\r\n"
          "<a id=\"live\" href=\"app:live('feed42')\">Titre</a>\r\n"
          "<a id=\"site\" href=\"http://example.org/site\" target=\"_blank\">site</a>\r\n"
          "<script>window.addEventListener('message', function (e) {"
          " document.getElementById(e.data).click(); });</script>\r\n"
          "</body></html>";
}

// The index's drop-down navigates "live" from its own onChange script; the
// test picks a station by posting the option's value to the frame.
constexpr const char* kIndexPage
    = "<html><body><form name=\"loc\">"
      "<select name=\"select\" size=\"1\" onChange=\"parent.frames['live'].window.location="
      "this.options[this.selectedIndex].value\">"
      "<option value=\"bienvenue.htm\">Choisir</option>"
      "<option value=\"Alpha.htm\">Radio Alpha</option>"
      "<option value=\"Beta.htm\">Radio Beta</option></select></form>"
      "<a id=\"rec\" href=\"app:rec()\">REC</a><a id=\"sched\" href=\"app:scheduler()\">P</a>"
      "<script>window.addEventListener('message', function (e) {"
      " if (e.data.pick) { var s = document.loc.select; s.value = e.data.pick;"
      " s.dispatchEvent(new Event('change')); } else document.getElementById(e.data).click();"
      " });</script></body></html>";

class LumoViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string& dir = m_html.path();
        ASSERT_TRUE(testsupport::WriteFramePages(dir));
        WriteTextFile(dir + "capital.htm",
            "<html><frameset rows=\"40,*\"><frame name=\"haut\" src=\"haut.htm\">"
            "<frame name=\"Live\" src=\"Alpha.htm\"></frameset></html>");
        WriteTextFile(dir + "haut.htm", kIndexPage);
        WriteTextFile(dir + "black.htm", "<html><body bgcolor=black></body></html>");
        WriteTextFile(dir + "Alpha.htm", stationPage("Radio Alpha", "http://127.0.0.1:9/alpha"));
        WriteTextFile(dir + "Beta.htm", stationPage("Radio Beta", "beta.mp3"));
        m_settings.pathHtml = dir;
        m_settings.pathRec = dir;
    }

    // Waits until a document has loaded in the frame, its address ending
    // with page.
    bool waitLoaded(
        QSignalSpy& loads, const QString& frame, const QString& page, int timeout = 15000)
    {
        return WaitUntil(
            [&] {
                for (const QList<QVariant>& load : loads) {
                    if (load.at(0).toString() == frame && load.at(1).toString().endsWith(page))
                        return true;
                }
                return false;
            },
            timeout);
    }

    // Posts a message to a frame of the frame page, as a click of the user.
    static void postToFrame(CLumoView& view, const QString& frame, const QString& message)
    {
        view.page()->runJavaScript(
            QStringLiteral("frames['%1'].postMessage(%2, '*')").arg(frame, message));
    }

    TempDir m_html { "sonalto-view" };
    Settings m_settings;
};

TEST_F(LumoViewTest, startPageIsShownOnceAfterTheFramePage)
{
    m_settings.startPage = m_html.path() + "Alpha.htm";
    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    QSignalSpy reads(&view, &CLumoView::stationRead);
    QSignalSpy cleared(&view, &CLumoView::stationCleared);
    view.navigate2(m_html.path() + "index.htm");

    ASSERT_TRUE(waitLoaded(loads, "live", "Alpha.htm"));
    EXPECT_TRUE(m_settings.startPage.empty());
    // The frame page's own welcome page came first and cleared the station.
    EXPECT_GE(cleared.count(), 1);
    ASSERT_EQ(reads.count(), 1);
    EXPECT_EQ(view.currentStation().title, "Radio Alpha");
    EXPECT_EQ(view.currentStation().streamLink, "http://127.0.0.1:9/alpha");
    EXPECT_EQ(view.currentStation().pagePath, m_html.path() + "Alpha.htm");
    EXPECT_EQ(view.currentStation().liveId, "feed42");

    // Loading the frame page again shows the welcome page and nothing else:
    // the start page was consumed.
    loads.clear();
    view.navigate2(m_html.path() + "index.htm");
    ASSERT_TRUE(waitLoaded(loads, "", "index.htm"));
    EXPECT_TRUE(waitLoaded(loads, "live", "bienvenue.htm", 100));
    EXPECT_EQ(reads.count(), 1);
    EXPECT_TRUE(view.currentStation().title.empty());
    EXPECT_TRUE(view.currentStation().streamLink.empty());

    // A start page without ".htm" is not shown either.
    m_settings.startPage = m_html.path() + "Alpha";
    loads.clear();
    view.navigate2(m_html.path() + "index.htm");
    ASSERT_TRUE(waitLoaded(loads, "", "index.htm"));
    RunEventsFor(300);
    EXPECT_EQ(reads.count(), 1);
    EXPECT_EQ(m_settings.startPage, m_html.path() + "Alpha");
}

// Station changes leave documents behind in the page's process, and
// history entries in the player's; once the loads settle, the page has the
// documents collected, and it keeps no history.
TEST_F(LumoViewTest, documentsAndHistoryLeftByStationChangesGo)
{
    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    QSignalSpy collected(view.framePage(), &FramePage::garbageCollected);
    view.navigate2(m_html.path() + "index.htm");
    ASSERT_TRUE(waitLoaded(loads, "", "index.htm"));
    ASSERT_TRUE(WaitUntil([&] { return collected.count() == 1; }, 10000));

    // Two changes in a row: one collection, after the second has loaded.
    postToFrame(view, "haut", "{pick: 'Alpha.htm'}");
    ASSERT_TRUE(waitLoaded(loads, "live", "Alpha.htm"));
    postToFrame(view, "haut", "{pick: 'Beta.htm'}");
    ASSERT_TRUE(waitLoaded(loads, "live", "Beta.htm"));
    EXPECT_EQ(collected.count(), 1);
    EXPECT_EQ(view.page()->history()->count(), 1);
    ASSERT_TRUE(WaitUntil([&] { return collected.count() == 2; }, 10000));
    QTest::qWait(4000);
    EXPECT_EQ(collected.count(), 2);
}

TEST_F(LumoViewTest, dropDownSetsTheCurrentStationAndCommandsNeverLeaveThePage)
{
    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    QSignalSpy commands(&view, &CLumoView::commandRequested);
    QSignalSpy songWindow(&view, &CLumoView::songWindowRequested);
    QSignalSpy created(view.framePage(), &FramePage::documentCreated);
    view.navigate2(m_html.path() + "index.htm");
    ASSERT_TRUE(waitLoaded(loads, "", "index.htm"));

    postToFrame(view, "haut", "{pick: 'Beta.htm'}");
    ASSERT_TRUE(waitLoaded(loads, "live", "Beta.htm"));
    EXPECT_EQ(view.currentStation().title, "Radio Beta");
    EXPECT_EQ(view.currentStation().streamLink, "beta.mp3");
    EXPECT_FALSE(view.currentStation().windowsMedia == false);

    // In-page commands from the index and from the station page: each one
    // reaches the window and no frame loads anything.
    created.clear();
    postToFrame(view, "haut", "'rec'");
    ASSERT_TRUE(WaitUntil([&] { return commands.count() == 1; }, 10000));
    EXPECT_EQ(commands.at(0).at(0).toInt(), cmd::ToggleRecording);
    postToFrame(view, "haut", "'sched'");
    ASSERT_TRUE(WaitUntil([&] { return commands.count() == 2; }, 10000));
    EXPECT_EQ(commands.at(1).at(0).toInt(), cmd::StartScheduler);
    postToFrame(view, "live", "'rec'");
    ASSERT_TRUE(WaitUntil([&] { return commands.count() == 3; }, 10000));
    EXPECT_EQ(commands.at(2).at(0).toInt(), cmd::ToggleRecording);
    postToFrame(view, "live", "'live'");
    ASSERT_TRUE(WaitUntil([&] { return songWindow.count() == 1; }, 10000));
    RunEventsFor(300);
    EXPECT_EQ(created.count(), 0);
    EXPECT_EQ(view.currentStation().title, "Radio Beta");

    // The drop-down still works: the page stayed.
    postToFrame(view, "haut", "{pick: 'Alpha.htm'}");
    ASSERT_TRUE(waitLoaded(loads, "live", "Alpha.htm"));
    EXPECT_EQ(view.currentStation().title, "Radio Alpha");
}

// Pages copied in by hand under accented names, listed by the rebuild: the
// drop-down of the real index reaches them and the view finds their logo.
TEST_F(LumoViewTest, dropDownOfTheRebuiltIndexOpensAccentedPages)
{
    const std::string& dir = m_html.path();
    for (const char* file : { "haut.htm", "Alpha.htm", "Beta.htm", "capital.htm" })
        DeleteFile(dir + file);
    WriteTextFile(dir + "Caf\xC3\xA9 Noir.htm",
        stationPage("Caf\xE9 Noir", "http://127.0.0.1:9/cafe")
            + "<IMG SRC=\"logo/caf\xE9.png\" BORDER=0 WIDTH=66 HEIGHT=50>");
    QImage logo(66, 50, QImage::Format_RGB32);
    logo.fill(Qt::darkGreen);
    QDir().mkpath(QString::fromStdString(dir + "logo"));
    ASSERT_TRUE(logo.save(QString::fromUtf8((dir + "logo/caf\xC3\xA9.png").c_str()), "PNG"));
    ASSERT_TRUE(RebuildIndex(dir));
    // The real index, with a listener for the test's picks. The player's
    // own orders reach every frame as messages too: taken as picks, they
    // would choose the welcome page, whose load brings another order.
    std::string index = ReadTextFile(dir + "haut.htm");
    ReplaceFirst(index, "</BODY>",
        "<script>window.addEventListener('message', function (e) {"
        " if (typeof e.data.pickIndex !== 'number') return;"
        " var s = document.loc.select; s.selectedIndex = e.data.pickIndex;"
        " s.dispatchEvent(new Event('change')); });</script></BODY>");
    ASSERT_TRUE(WriteTextFile(dir + "haut.htm", index));
    m_settings.assignLogo = true;

    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    view.navigate2(dir + "index.htm");
    ASSERT_TRUE(waitLoaded(loads, "", "index.htm"));
    postToFrame(view, "haut", "{pickIndex: 1}");
    ASSERT_TRUE(waitLoaded(loads, "live", "Caf%C3%A9%20Noir.htm"));
    EXPECT_EQ(view.currentStation().title, "Caf\xE9 Noir");
    EXPECT_EQ(view.currentStation().pagePath, dir + "Caf\xC3\xA9 Noir.htm");
    EXPECT_EQ(TrayLogoPath(view.currentStation(), m_settings), dir + "logo/caf\xC3\xA9.png");
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

TEST_F(LumoViewTest, linksAskingForANewWindowGoToTheDesktopBrowser)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    m_settings.startPage = m_html.path() + "Alpha.htm";
    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    view.navigate2(m_html.path() + "index.htm");
    ASSERT_TRUE(waitLoaded(loads, "live", "Alpha.htm"));

    // The listener clicks the station's site link (a script's click would
    // open no window): here it covers the whole frame.
    view.page()->runJavaScript(
        QStringLiteral("var a = frames['live'].document.getElementById('site');"
                       "a.style.display = 'block'; a.style.position = 'fixed'; a.style.left = '0';"
                       "a.style.top = '0'; a.style.width = '100%'; a.style.height = '100%';"
                       "a.style.zIndex = '9';"));
    QTest::qWait(300);
    QTest::mouseClick(view.webView()->focusProxy() ? view.webView()->focusProxy() : view.webView(),
        Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_TRUE(WaitUntil([&] { return !catcher.urls.empty(); }, 10000));
    QDesktopServices::unsetUrlHandler("http");
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0], QUrl("http://example.org/site"));
    // The station frame kept its page.
    EXPECT_EQ(view.currentStation().title, "Radio Alpha");
}

// A click on a station page's link of another scheme than http(s) goes to
// no desktop handler, and the station stays; a script cannot open a window
// without a click.
TEST_F(LumoViewTest, onlyWebAddressesReachTheDesktop)
{
    UrlCatcher catcher;
    const char* schemes[] = { "http", "mailto", "smb", "sonaltotest", "file" };
    for (const char* scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    // Each page is one link over the whole frame, so that a click anywhere
    // in it follows the link.
    const char* links[] = { "mailto:auditeur@example.org", "smb://serveur/partage",
        "sonaltotest:essai", "file:///etc/hostname" };
    int n = 0;
    for (const char* link : links)
        WriteTextFile(m_html.path() + "Lien" + std::to_string(n++) + ".htm",
            std::string("<html><body style=\"margin:0\"><a href=\"") + link
                + "\" style=\"display:block;width:100%;height:1000px\">lien</a></body></html>");
    WriteTextFile(m_html.path() + "Fenetre.htm",
        "<html><body><script>setTimeout(function () {"
        " window.open('http://example.org/fenetre'); }, 200);</script></body></html>");

    m_settings.startPage = m_html.path() + "Alpha.htm";
    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    view.navigate2(m_html.path() + "index.htm");
    ASSERT_TRUE(waitLoaded(loads, "live", "Alpha.htm"));
    for (int i = 0; i < n; ++i) {
        const QString page = QStringLiteral("Lien%1.htm").arg(i);
        SCOPED_TRACE(links[i]);
        view.page()->runJavaScript(QStringLiteral("frames['live'].location.href = '%1'").arg(page));
        ASSERT_TRUE(waitLoaded(loads, "live", page));
        QTest::qWait(200);
        QWidget* input
            = view.webView()->focusProxy() ? view.webView()->focusProxy() : view.webView();
        QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(200, 200));
        QTest::qWait(1000);
        loads.clear();
    }
    QTest::qWait(1000); // the last click is long past
    view.page()->runJavaScript(QStringLiteral("frames['live'].location.href = 'Fenetre.htm'"));
    ASSERT_TRUE(waitLoaded(loads, "live", "Fenetre.htm"));
    QTest::qWait(1500);
    for (const char* scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);
    std::string reached;
    for (const QUrl& url : catcher.urls)
        reached += url.toString().toStdString() + " ";
    EXPECT_TRUE(catcher.urls.empty()) << reached;
}

TEST_F(LumoViewTest, miniLayoutShowsTheMiniPageInMainInsteadOfTheStation)
{
    m_settings.miniPlayer = true;
    m_settings.startPage = m_html.path() + "Beta.htm";
    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    QSignalSpy shown(&view, &CLumoView::miniStationShown);
    QSignalSpy created(view.framePage(), &FramePage::documentCreated);
    view.navigate2(m_html.path() + "indexmini.htm");

    ASSERT_TRUE(waitLoaded(loads, "main", "playermini.html"));
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(view.currentStation().title, "Radio Beta");
    const std::string mini = ReadTextFile(m_html.path() + "playermini.html");
    EXPECT_NE(mini.find("beta.mp3"), std::string::npos);
    for (const QList<QVariant>& doc : created)
        EXPECT_FALSE(doc.at(1).toString().endsWith("Beta.htm")) << "the station page loaded";

    // The welcome page is refused in "live"; the index passes in "main".
    postToFrame(view, "main", "'x'");
    view.navigate2(m_html.path() + "bienvenue.htm", "live");
    view.navigate2(m_html.path() + "haut.htm", "main");
    ASSERT_TRUE(waitLoaded(loads, "main", "haut.htm"));
    RunEventsFor(200);
    for (const QList<QVariant>& doc : created)
        EXPECT_FALSE(doc.at(1).toString().endsWith("bienvenue.htm"));
}

TEST_F(LumoViewTest, aFrameNamedLiveInAnotherCaseIsNotTheStationFrame)
{
    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    QSignalSpy reads(&view, &CLumoView::stationRead);
    view.navigate2(m_html.path() + "capital.htm");
    ASSERT_TRUE(waitLoaded(loads, "Live", "Alpha.htm"));
    view.navigate2(m_html.path() + "Beta.htm", "Live");
    ASSERT_TRUE(waitLoaded(loads, "Live", "Beta.htm"));
    EXPECT_EQ(reads.count(), 0);
    EXPECT_TRUE(view.currentStation().title.empty());
}

// A view never shown has no web view, and the frames follow the same rules
// on the pages' files: the frame page's welcome page, then the start page
// in "live", the commands, the mini layout. Shown, the web view comes on
// the current station; let go, the rules hold again without it.
TEST_F(LumoViewTest, withoutAWebViewTheFramesFollowTheSameRules)
{
    m_settings.startPage = m_html.path() + "Alpha.htm";
    CLumoView view(m_settings);
    QSignalSpy reads(&view, &CLumoView::stationRead);
    QSignalSpy cleared(&view, &CLumoView::stationCleared);
    QSignalSpy commands(&view, &CLumoView::commandRequested);
    view.navigate2(m_html.path() + "index.htm");
    EXPECT_EQ(view.page(), nullptr);
    ASSERT_EQ(cleared.count(), 1);
    ASSERT_EQ(reads.count(), 1);
    EXPECT_EQ(view.currentStation().title, "Radio Alpha");
    EXPECT_EQ(view.currentStation().streamLink, "http://127.0.0.1:9/alpha");
    EXPECT_TRUE(m_settings.startPage.empty());
    view.showInLive(m_html.path() + "Beta.htm");
    EXPECT_EQ(view.currentStation().title, "Radio Beta");
    view.navigate2("app:rec()", "haut");
    EXPECT_EQ(commands.count(), 1);
    // Another frame's station page changes nothing.
    view.navigate2(m_html.path() + "Alpha.htm", "haut");
    EXPECT_EQ(view.currentStation().title, "Radio Beta");

    view.resize(400, 300);
    QSignalSpy loads(&view, &CLumoView::frameLoaded);
    view.show();
    ASSERT_NE(view.framePage(), nullptr);
    ASSERT_TRUE(waitLoaded(loads, "live", "Beta.htm"));
    EXPECT_EQ(view.currentStation().title, "Radio Beta");

    view.releaseWebView();
    EXPECT_EQ(view.page(), nullptr);
    m_settings.miniPlayer = true;
    view.navigate2(m_html.path() + "indexmini.htm");
    view.showInLive(m_html.path() + "Alpha.htm");
    EXPECT_EQ(view.currentStation().title, "Radio Alpha");
    EXPECT_NE(ReadTextFile(m_html.path() + "playermini.html").find("127.0.0.1:9/alpha"),
        std::string::npos);
}

// Hidden away while its frame page loads (a start hidden at once), the view
// still plays the start page.
TEST_F(LumoViewTest, aFramePageLoadingWhenTheWebViewGoesStillShowsItsStartPage)
{
    m_settings.startPage = m_html.path() + "Alpha.htm";
    CLumoView view(m_settings);
    view.resize(400, 300);
    view.show();
    QSignalSpy reads(&view, &CLumoView::stationRead);
    view.navigate2(m_html.path() + "index.htm");
    view.releaseWebView();
    ASSERT_EQ(reads.count(), 1);
    EXPECT_EQ(view.currentStation().title, "Radio Alpha");
    EXPECT_TRUE(m_settings.startPage.empty());
}

} // namespace

#include "lumoview_test.moc"
