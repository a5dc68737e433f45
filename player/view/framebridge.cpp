#include "view/framebridge.h"

#include <QCoreApplication>
#include <QEvent>
#include <QRandomGenerator>
#include <QStringList>
#include <QWebEngineHistory>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>
#include <QWebEngineUrlScheme>

namespace {

constexpr const char* kScriptName = "sntbridge";
constexpr QChar kSeparator = QChar(0x1F);

// Runs at the creation of every document of every frame, in a world of its
// own that the pages' scripts cannot see. %NONCE% marks its reports and the
// program's orders so that no page can stand in for either.
constexpr const char* kBridgeScript = R"JS(
(function () {
  'use strict';
  if (window.__sntBridge) return;
  window.__sntBridge = true;
  var NONCE = '%NONCE%';
  var log = console.log.bind(console);
  var token = Math.random().toString(36).slice(2);
  var counter = 0;
  var held = {};
  var pass = null;
  function report(fields) { log(['snt' + NONCE].concat(fields).join('\u001f')); }

  report(['doc', window.name, location.href]);
  window.addEventListener('load', function () {
    report(['done', window.name, location.href]);
  });

  if (window.navigation) {
    window.navigation.addEventListener('navigate', function (e) {
      if (!e.isTrusted) return;
      var url = e.destination.url;
      if (pass !== null && pass === url) { pass = null; return; }
      // Moves in the history, reloads and moves inside the page cannot be
      // held; the document report covers what they load.
      if (!e.cancelable || e.hashChange || e.formData ||
          e.navigationType === 'traverse' || e.navigationType === 'reload') return;
      e.preventDefault();
      var key = token + '.' + (++counter);
      held[key] = { url: url, replace: e.navigationType === 'replace' };
      report(['nav', key, window.name, url]);
    });
  }

  window.addEventListener('message', function (e) {
    var order = e.data;
    if (!order || order.snt !== NONCE || order.op !== 'go') return;
    var h = held[order.key];
    if (!h) return;
    delete held[order.key];
    pass = h.url;
    if (h.replace) location.replace(h.url); else location.href = h.url;
  });
})();
)JS";

// Sends an order to every frame; only the frame holding the key acts.
constexpr const char* kBroadcastScript = R"JS(
(function (order) {
  function walk(w) {
    try { w.postMessage(order, '*'); } catch (e) {}
    var n = 0;
    try { n = w.frames.length; } catch (e) {}
    for (var i = 0; i < n; i++) walk(w.frames[i]);
  }
  walk(window);
})(%ORDER%);
)JS";

// Finds a frame by its exact name, at any depth, and sends it to an address.
constexpr const char* kNavigateScript = R"JS(
(function (name, url) {
  function find(w) {
    var c = null;
    try { c = w.frames[name]; } catch (e) { c = null; }
    if (c && c !== w && c.window === c) return c;
    var n = 0;
    try { n = w.frames.length; } catch (e) {}
    for (var i = 0; i < n; i++) {
      var r = find(w.frames[i]);
      if (r) return r;
    }
    return null;
  }
  var target = find(window);
  if (!target) return false;
  target.location.href = url;
  return true;
})(%NAME%, %URL%);
)JS";

QString jsString(const QString& text)
{
    QString quoted = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == u'\\' || c == u'\'')
            quoted += u'\\';
        if (c == u'\n' || c == u'\r' || c.unicode() < 0x20 || c == QChar(0x2028)
            || c == QChar(0x2029)) {
            quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            continue;
        }
        quoted += c;
    }
    return quoted + u'\'';
}

// The page a link asking for a new window is loaded into: it only catches
// the address and goes away.
class NewWindowCatcher : public QWebEnginePage {
public:
    NewWindowCatcher(QWebEngineProfile* profile, FramePage* opener)
        : QWebEnginePage(profile, opener)
        , m_opener(opener)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame && !m_caught) {
            m_caught = true;
            emit m_opener->newWindowRequested(url);
            deleteLater();
        }
        return false;
    }

private:
    FramePage* m_opener;
    bool m_caught = false;
};

} // namespace

FramePage::FramePage(QObject* parent)
    : QWebEnginePage(parent)
    , m_nonce(QString::number(QRandomGenerator::system()->generate64(), 36))
{
    QWebEngineScript script;
    script.setName(QString::fromLatin1(kScriptName));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(
        QString::fromLatin1(kBridgeScript).replace(QStringLiteral("%NONCE%"), m_nonce));
    scripts().insert(script);

    // Nothing a page does goes to the desktop's own handlers, and a script
    // opens a window only from the listener's click.
    settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    // The engine's own pop-up rule also stops the frames' scripted loads
    // here, so the rule is kept by watching the listener's input instead.
    qApp->installEventFilter(this);

    // The documents a frame leaves stay in the page's process until the
    // script engine next collects, which it does lazily while its heap is
    // small: a player left on for hours and changing station every few
    // minutes kept growing by half a megabyte a change. Once the loads have
    // settled, one collection frees them.
    m_collectTimer.setSingleShot(true);
    m_collectTimer.setInterval(3000);
    connect(&m_collectTimer, &QTimer::timeout, this, &FramePage::collectGarbage);
    connect(this, &FramePage::documentCompleted, &m_collectTimer, qOverload<>(&QTimer::start));

    // Nothing goes back or forward in the player's pages, but the engine
    // keeps an entry of every frame's state for each navigation, up to fifty
    // of them: tens of kilobytes a station change that a player left on all
    // day would only take up. Only the page on show is kept.
    connect(this, &FramePage::documentCompleted, this, [this] { history()->clear(); });
}

void FramePage::collectGarbage()
{
    runJavaScript(QStringLiteral("typeof gc === 'function' ? (gc(), true) : false"),
        QWebEngineScript::ApplicationWorld, [this](const QVariant& done) {
            if (done.toBool())
                emit garbageCollected();
        });
}

void FramePage::proceed(const QString& key)
{
    const QString order
        = QStringLiteral("{snt: %1, op: 'go', key: %2}").arg(jsString(m_nonce), jsString(key));
    runJavaScript(QString::fromLatin1(kBroadcastScript).replace(QStringLiteral("%ORDER%"), order),
        QWebEngineScript::ApplicationWorld);
}

void FramePage::navigateFrame(
    const QString& frameName, const QUrl& url, std::function<void(bool)> done)
{
    if (frameName.isEmpty()) {
        load(url);
        if (done)
            done(true);
        return;
    }
    QString script = QString::fromLatin1(kNavigateScript);
    script.replace(QStringLiteral("%NAME%"), jsString(frameName));
    script.replace(QStringLiteral("%URL%"), jsString(url.toString(QUrl::FullyEncoded)));
    if (!done) {
        runJavaScript(script, QWebEngineScript::ApplicationWorld);
        return;
    }
    runJavaScript(script, QWebEngineScript::ApplicationWorld,
        [done](const QVariant& sent) { done(sent.toBool()); });
}

void FramePage::javaScriptConsoleMessage(
    JavaScriptConsoleMessageLevel, const QString& message, int, const QString& sourceId)
{
    if (sourceId != QStringLiteral("userscript:") + QString::fromLatin1(kScriptName))
        return;
    const QStringList fields = message.split(kSeparator);
    if (fields.size() < 3 || fields[0] != QStringLiteral("snt") + m_nonce)
        return;
    const QString& kind = fields[1];
    if (kind == QStringLiteral("nav") && fields.size() == 5)
        emit navigationRequested(fields[2], fields[3], fields[4]);
    else if (kind == QStringLiteral("doc") && fields.size() == 4)
        emit documentCreated(fields[2], fields[3]);
    else if (kind == QStringLiteral("done") && fields.size() == 4)
        emit documentCompleted(fields[2], fields[3]);
}

bool FramePage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame)
{
    // An accepted address of an unknown scheme would be handed to the
    // desktop: in-page commands never leave the player.
    if (url.scheme() == QStringLiteral("app")) {
        emit unheldAppNavigation(url, isMainFrame);
        return false;
    }
    // Station pages come from the network: only what the view shows itself
    // is followed. mailto:, smb:, custom schemes and the like are refused
    // and the page stays where it is.
    static const QStringList kShown { QStringLiteral("http"), QStringLiteral("https"),
        QStringLiteral("file"), QStringLiteral("about"), QStringLiteral("data"),
        QStringLiteral("blob") };
    return kShown.contains(url.scheme().toLower());
}

QWebEnginePage* FramePage::createWindow(WebWindowType)
{
    // A window only follows a click or a key of the listener in the view
    // just before: a script alone opens nothing.
    if (!m_sinceInput.isValid() || m_sinceInput.elapsed() > 1500)
        return nullptr;
    return new NewWindowCatcher(profile(), this);
}

bool FramePage::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
        || type == QEvent::KeyPress || type == QEvent::TouchBegin) {
        auto* widget = qobject_cast<QWidget*>(watched);
        QWebEngineView* view = QWebEngineView::forPage(this);
        if (widget && view && (widget == view || view->isAncestorOf(widget)))
            m_sinceInput.start();
    }
    return QWebEnginePage::eventFilter(watched, event);
}

void RegisterAppScheme()
{
    QWebEngineUrlScheme scheme("app");
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}
