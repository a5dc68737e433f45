#include "view/lumoview.h"

#include <algorithm>

#include <QApplication>
#include <QDesktopServices>
#include <QTimer>
#include <QVBoxLayout>

#include "commandids.h"
#include "common/diaglog.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"
#include "view/appcommands.h"
#include "view/minipage.h"
#include "view/webframe.h"

namespace {

// Allowed navigations whose document never came (a failed load) are not
// kept forever.
constexpr std::size_t kAllowedKept = 16;

// A window left on screen spends most of the day untouched: after this long
// without input or a page load, the engine's code that drew the page and
// that no other process maps is let go, and read back when next needed.
// SONALTO_IDLE_RELEASE_MS shortens it for the tests.
int idleReleaseMs()
{
    const int ms = qEnvironmentVariableIntValue("SONALTO_IDLE_RELEASE_MS");
    return ms > 0 ? ms : 15000;
}

QUrl pageUrl(const std::string& page)
{
    const QString text = PathText(page);
    if (text.contains(QStringLiteral("://")) || text.startsWith(QStringLiteral("about:"))
        || text.startsWith(QStringLiteral("app:")))
        return QUrl(text);
    return QUrl::fromLocalFile(text);
}

} // namespace

CLumoView::CLumoView(Settings& settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_idleRelease = new QTimer(this);
    m_idleRelease->setSingleShot(true);
    m_idleRelease->setInterval(idleReleaseMs());
    connect(m_idleRelease, &QTimer::timeout, this, [this] {
        if (m_web == nullptr || !isVisible())
            return;
        DiagLog("web view idle");
        ReleaseWebEngineMemory();
    });
}

CLumoView::~CLumoView()
{
    delete m_web;
}

QWidget* CLumoView::webView() const
{
    return m_web != nullptr ? m_web->widget() : nullptr;
}

void CLumoView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    createWebView();
}

bool CLumoView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::Enter:
        m_idleRelease->start();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CLumoView::createWebView()
{
    if (m_web != nullptr)
        return;
    WebFrameEvents events;
    events.navigationRequested
        = [this](const QString& key, const QString& frameName, const QString& address) {
              onNavigationRequested(key, frameName, address);
          };
    events.documentCreated = [this](const QString& frameName, const QString& address) {
        onDocumentCreated(frameName, address);
    };
    events.documentCompleted = [this](const QString& frameName, const QString& address) {
        m_idleRelease->start();
        if (!frameName.isEmpty())
            DiagLog("loaded " + frameName.toStdString());
        onDocumentComplete(address);
        emit frameLoaded(frameName, address);
    };
    events.newWindowRequested = [this](const QUrl& url) { onNewWindow2(url); };
    events.unheldAppNavigation = [this](const QUrl& url) {
        bool cancel = true;
        onBeforeNavigate2(url.toString(), QString(), cancel);
    };
    m_web = CreateWebFrame(this, std::move(events));
    if (m_web == nullptr)
        return;
    DiagLog("web view");
    qApp->installEventFilter(this);
    m_idleRelease->start();
    layout()->addWidget(m_web->widget());
    setFocusProxy(m_web->widget());
    if (m_framePageAsked.empty())
        return;
    // The frame page as it was, with the station it showed: it is the
    // current one, so it goes on playing.
    if (!m_current.pagePath.empty() && !hasPendingStartPage())
        m_settings.startPage = m_current.pagePath;
    navigate2(m_framePageAsked);
}

void CLumoView::releaseWebView()
{
    if (m_web == nullptr)
        return;
    DiagLog("web view released");
    setFocusProxy(nullptr);
    qApp->removeEventFilter(this);
    m_idleRelease->stop();
    delete m_web;
    m_web = nullptr;
    m_allowed.clear();
    // A frame page still on its way would leave its start page waiting for
    // the next view: it loads from its file now.
    const bool loading = m_framePageLoading;
    m_framePageLoading = false;
    if (loading && !m_framePageAsked.empty())
        navigateWithoutView(pageUrl(m_framePageAsked), QString());
}

void CLumoView::navigate2(const std::string& page, const QString& targetFrame)
{
    DiagLog("navigate " + (targetFrame.isEmpty() ? std::string("view") : targetFrame.toStdString())
        + " " + page);
    if (targetFrame.isEmpty() && IsFramePageAddress(page))
        m_framePageAsked = page;
    if (m_web == nullptr) {
        navigateWithoutView(pageUrl(page), targetFrame);
        return;
    }
    if (targetFrame.isEmpty())
        m_framePageLoading = IsFramePageAddress(page);
    m_web->navigateFrame(targetFrame, pageUrl(page), nullptr);
}

void CLumoView::navigateWithoutView(const QUrl& url, const QString& targetFrame)
{
    const QString address = url.toString();
    bool cancel = false;
    if (!targetFrame.isEmpty() || !IsFramePageAddress(address.toStdString())) {
        onBeforeNavigate2(address, targetFrame, cancel);
        return;
    }
    // The frame page's frames load their own pages first, then the page is
    // complete.
    const std::string path = localPath(address);
    const std::string directory = path.substr(0, path.rfind('/') + 1);
    for (const DeclaredFrame& frame : FramePageFrames(ReadTextFile(path))) {
        if (frame.source.empty())
            continue;
        const QUrl source = url.resolved(QUrl(UiText(frame.source)));
        cancel = false;
        onBeforeNavigate2(source.toString(), UiText(frame.name), cancel);
    }
    onDocumentComplete(address);
}

void CLumoView::showInLive(const std::string& page)
{
    if (m_framePageLoading) {
        DiagLog("start page " + page);
        m_settings.startPage = page;
        return;
    }
    // Without a web view, a frame page already asked holds "live"; before
    // the first one, the page waits for it.
    if (m_web == nullptr && m_framePageAsked.empty()) {
        DiagLog("start page " + page);
        m_settings.startPage = page;
        return;
    }
    // Asked now, this page comes after any start page still waiting.
    m_settings.startPage.clear();
    DiagLog("navigate live " + page);
    if (m_web == nullptr) {
        navigateWithoutView(pageUrl(page), QString::fromLatin1(kLiveFrame));
        return;
    }
    m_web->navigateFrame(QString::fromLatin1(kLiveFrame), pageUrl(page), [this, page](bool sent) {
        if (sent)
            return;
        // No frame "live" to take it: the next frame page shows it, unless
        // another page was asked meanwhile.
        if (m_settings.startPage.empty()) {
            DiagLog("start page " + page);
            m_settings.startPage = page;
        }
    });
}

void CLumoView::onBeforeNavigate2(const QString& address, const QString& targetFrame, bool& cancel)
{
    const NavigationDecision decision
        = DecideNavigation(address.toStdString(), targetFrame.toStdString(), m_settings.miniPlayer);
    if (decision.cancel)
        cancel = true;
    switch (decision.action) {
    case NavigationAction::None:
        break;
    case NavigationAction::ToggleRecording:
        emit commandRequested(cmd::ToggleRecording);
        break;
    case NavigationAction::StartScheduler:
        emit commandRequested(cmd::StartScheduler);
        break;
    case NavigationAction::OpenRecordings:
        QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(m_settings.pathRec)));
        break;
    case NavigationAction::OpenSongWindow:
        DiagLog("song window");
        emit songWindowRequested();
        break;
    case NavigationAction::ClearStation:
        m_current.pagePath.clear();
        m_current.title.clear();
        m_current.streamLink.clear();
        m_current.logoFile.clear();
        m_current.liveId.clear();
        DiagLog("welcome");
        emit stationCleared();
        break;
    case NavigationAction::ReadStation:
        ReadStationPage(localPath(address), m_current);
        DiagLog("station " + m_current.title);
        emit stationRead(m_current);
        break;
    case NavigationAction::ShowMiniStation:
        ReadStationPage(localPath(address), m_current);
        DiagLog("station " + m_current.title);
        BuildMiniPlayerPage(m_settings.pathHtml, m_current);
        navigate2(m_settings.pathHtml + kMiniPlayerPage, QString::fromLatin1(kMiniFrame));
        emit miniStationShown(m_current);
        break;
    }
}

void CLumoView::onDocumentComplete(const QString& address)
{
    if (IsFramePageAddress(address.toStdString()))
        m_framePageLoading = false;
    if (!CompletionShowsStartPage(address.toStdString(), m_settings.startPage))
        return;
    const std::string startPage = m_settings.startPage;
    m_settings.startPage.clear();
    navigate2(startPage, QString::fromLatin1(kLiveFrame));
}

void CLumoView::onNewWindow2(const QUrl& url)
{
    if (url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https")) {
        DiagLog("new window " + url.toString().toStdString());
        QDesktopServices::openUrl(url);
    }
}

bool CLumoView::hasPendingStartPage() const
{
    return !m_settings.startPage.empty() && m_settings.startPage.find(".htm") != std::string::npos;
}

void CLumoView::onNavigationRequested(
    const QString& key, const QString& frameName, const QString& address)
{
    bool cancel = false;
    onBeforeNavigate2(address, frameName, cancel);
    if (cancel)
        return;
    m_allowed.emplace_back(frameName, address);
    if (m_allowed.size() > kAllowedKept)
        m_allowed.pop_front();
    m_web->proceed(key);
}

void CLumoView::onDocumentCreated(const QString& frameName, const QString& address)
{
    const auto allowed
        = std::find(m_allowed.begin(), m_allowed.end(), std::pair(frameName, address));
    if (allowed != m_allowed.end()) {
        m_allowed.erase(allowed);
        return;
    }
    // A load no frame could hold: a frame page's own frames, the program's
    // loads of the whole view, a move in the history. It has happened
    // already, so only what it means for the player is left to do.
    if (address == QStringLiteral("about:blank") || address.isEmpty())
        return;
    bool cancel = false;
    onBeforeNavigate2(address, frameName, cancel);
}

std::string CLumoView::localPath(const QString& address) const
{
    const QUrl url(address);
    if (url.isLocalFile())
        return PathBytes(url.toLocalFile());
    return address.toStdString();
}
