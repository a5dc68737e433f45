#pragma once

#include <functional>

#include <QString>
#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

// The page behind the player's view. A script injected into every frame
// reports to the program, through the console, what each frame is about to
// do and what it shows:
//   - a navigation about to happen in a frame, held until the program has
//     decided (the frame's name and the address): the frame goes on only
//     when told to, so the decision is taken before anything loads;
//   - a document created in a frame (covers the loads the frame cannot
//     hold: a frame page's own frames, history moves);
//   - a document fully loaded in a frame.
// Only reports from the injected script count: their source is the script
// itself, which no page can pretend to be.
class FramePage : public QWebEnginePage {
    Q_OBJECT

public:
    explicit FramePage(QObject* parent = nullptr);

    // Lets a held navigation go on; key is the one given by
    // navigationRequested.
    void proceed(const QString& key);
    // Navigates the frame named frameName (exact name, at any depth) to url,
    // as a script of the frame page would. An empty name is the whole view.
    // done, when given, learns whether the frame was there to be sent.
    void navigateFrame(
        const QString& frameName, const QUrl& url, std::function<void(bool)> done = nullptr);

signals:
    void navigationRequested(const QString& key, const QString& frameName, const QString& address);
    void documentCreated(const QString& frameName, const QString& address);
    void documentCompleted(const QString& frameName, const QString& address);
    // A link or a script asked for a new window.
    void newWindowRequested(const QUrl& url);
    // An "app:" address that no frame held (a load by the program itself).
    void unheldAppNavigation(const QUrl& url, bool mainFrame);
    // The documents the frames left were collected, after loads settled.
    void garbageCollected();

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
        int lineNumber, const QString& sourceId) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void collectGarbage();

    QString m_nonce; // shared with the injected script only
    QTimer m_collectTimer;
    QElapsedTimer m_sinceInput; // the listener's last click or key in the view
};

// Registers the "app" scheme of the in-page commands; once, before the
// engine starts: every "app:" navigation then reaches
// acceptNavigationRequest.
void RegisterAppScheme();
