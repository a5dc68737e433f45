#pragma once

#include <functional>

#include <QString>
#include <QUrl>

class QWidget;

// What the web view tells of its frames (see FramePage for how it learns
// it): a navigation held until proceed(key), a document created in a
// frame, a document fully loaded, a link asking for a new window, and an
// "app:" address that no frame held.
struct WebFrameEvents {
    std::function<void(const QString& key, const QString& frameName, const QString& address)>
        navigationRequested;
    std::function<void(const QString& frameName, const QString& address)> documentCreated;
    std::function<void(const QString& frameName, const QString& address)> documentCompleted;
    std::function<void(const QUrl& url)> newWindowRequested;
    std::function<void(const QUrl& url)> unheldAppNavigation;
};

// The web view of CLumoView. The web engine lives in a library of its own,
// loaded when the window is first shown, so that a player that is never
// seen neither maps nor starts it.
class WebFrame {
public:
    virtual ~WebFrame() = default;
    virtual QWidget* widget() const = 0;
    // Lets a held navigation go on.
    virtual void proceed(const QString& key) = 0;
    // Navigates the frame named frameName (at any depth; the whole view when
    // empty) to url; done, when given, learns whether the frame was there.
    virtual void navigateFrame(
        const QString& frameName, const QUrl& url, std::function<void(bool)> done)
        = 0;
};

// Makes a web view inside parent. The version guards against a player and
// a web library of two builds.
inline constexpr int kWebFrameVersion = 1;
using WebFrameFactory = WebFrame* (*)(int version, QWidget* parent, WebFrameEvents events);
inline constexpr const char* kWebLibrary = "sonalto-web.so";
inline constexpr const char* kWebEntry = "SonaltoCreateWebFrame";

// A web view from the factory given to UseWebFrameFactory, or else from
// the web library beside the player's own, loaded on the first call. Null
// when there is no web library (said once on the error output): the view
// then goes on without pages.
WebFrame* CreateWebFrame(QWidget* parent, WebFrameEvents events);
// Once the web view is gone and its renderer has ended, or the shown view
// has long been idle: gives the heap the engine freed back to the system,
// and lets the kernel reclaim the pages of the engine's libraries that no
// other process maps, and the read-only data of every library, read back
// when next needed.
void ReleaseWebEngineMemory();
// For a program that links the web engine itself.
void UseWebFrameFactory(WebFrameFactory factory);

// Prepares the process for the web engine, before the application object
// exists: the engine runs as root (where its sandbox cannot start) unless
// the environment already says otherwise, scripts get the collector's entry
// point (see FramePage), and the view draws in software, so that neither a
// quiet player nor a shown one loads the desktop's OpenGL.
void PrepareWebEngine();
