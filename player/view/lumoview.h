#pragma once

#include <deque>
#include <string>
#include <utility>

#include <QString>
#include <QUrl>
#include <QWidget>

#include "common/settings.h"
#include "common/stationpage.h"

class FramePage;
class QTimer;
class QWebEnginePage;
class WebFrame;

// The player's HTML view: the whole client area of the main window. It
// shows the frame page of the HTML directory, watches every navigation of
// every frame before it happens, turns in-page "app:" commands into the
// player's commands, and keeps the current station from what the frame
// "live" shows.
//
// The web view inside is made only when the view is first shown, and let go
// when the window hides away, so that a player nobody sees runs no web
// engine. Without it the navigations still take place, on the pages' files:
// a frame page's frames get their pages, the start page then goes to
// "live", and every navigation goes through onBeforeNavigate2 as it would
// with the web view, so the current station, the icon and the stream follow
// alike.
class CLumoView : public QWidget {
    Q_OBJECT

public:
    CLumoView(Settings& settings, QWidget* parent = nullptr);
    ~CLumoView() override;

    // Navigates the frame named targetFrame (the whole view when empty) to
    // page: a path, or an address with its scheme. The navigation goes
    // through onBeforeNavigate2 like any other.
    void navigate2(const std::string& page, const QString& targetFrame = {});

    // Shows page in the frame "live" as soon as there is one: while a frame
    // page loads (at the start, a change of layout, a rebuild, a new HTML
    // directory), or when the view has no "live" frame, page becomes the
    // start page that the next frame page shows.
    void showInLive(const std::string& page);

    // Before a navigation of the frame targetFrame to address: sets cancel
    // to refuse it, and does what the address asks.
    void onBeforeNavigate2(const QString& address, const QString& targetFrame, bool& cancel);
    // After a document has loaded in any frame: after a frame page, shows
    // the start page in "live", once.
    void onDocumentComplete(const QString& address);
    // A link asking for a new window: web addresses go to the desktop's
    // browser, anything else is dropped.
    void onNewWindow2(const QUrl& url);

    // The current station, as the frame "live" last showed it. Its texts
    // are empty before the first station page.
    const StationPageInfo& currentStation() const { return m_current; }
    StationPageInfo& currentStation() { return m_current; }

    // True while a start page waits for its frame page to load.
    bool hasPendingStartPage() const;

    // The web view; null while there is none.
    QWidget* webView() const;
    // Its page, for programs that link the web engine (defined with it).
    FramePage* framePage() const;
    QWebEnginePage* page() const;
    // True from the load of a frame page until it has completed.
    bool isFramePageLoading() const { return m_framePageLoading; }

    // Makes the web view, if there is none, on the frame page last asked,
    // with the current station back in "live" (it keeps playing: the same
    // station shown again is not started afresh).
    void createWebView();
    // Destroys the web view and its page: their renderer ends.
    void releaseWebView();

protected:
    void showEvent(QShowEvent* event) override;
    // Any input to the program counts as activity for the idle release.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // An in-page command asks the main window for a command.
    void commandRequested(int id);
    // "app:live('…')": the song-information window.
    void songWindowRequested();
    // The frame "live" goes to a station page in the normal layout.
    void stationRead(const StationPageInfo& station);
    // The frame "live" goes to the welcome page in the normal layout.
    void stationCleared();
    // The mini player page was made for a station and sent to "main".
    void miniStationShown(const StationPageInfo& station);
    // A document finished loading in a frame ("" for the frame page).
    void frameLoaded(const QString& frameName, const QString& address);

private:
    void onNavigationRequested(
        const QString& key, const QString& frameName, const QString& address);
    void onDocumentCreated(const QString& frameName, const QString& address);
    std::string localPath(const QString& address) const;
    // A navigation with no web view: the whole view (a frame page gives
    // its frames their pages, then completes) or one frame.
    void navigateWithoutView(const QUrl& url, const QString& targetFrame);

    Settings& m_settings;
    WebFrame* m_web = nullptr; // its widget is a child of this view
    // The frame page last asked of the whole view, shown again by a new
    // web view.
    std::string m_framePageAsked;
    StationPageInfo m_current;
    // Navigations let through, until their document shows up.
    std::deque<std::pair<QString, QString>> m_allowed;
    bool m_framePageLoading = false;
    // Once the shown view has had no input and no load for a while, the
    // engine's pages that only this process uses go back to the system.
    QTimer* m_idleRelease = nullptr;
};
