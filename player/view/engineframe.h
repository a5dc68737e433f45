#pragma once

#include <QObject>

#include "view/webframe.h"

class FramePage;
class QWebEngineView;

// The web view made by the web library: a QWebEngineView on a FramePage,
// whose reports go to the events it was given.
class EngineFrame final : public WebFrame {
public:
    EngineFrame(QWidget* parent, WebFrameEvents events);
    ~EngineFrame() override;

    QWidget* widget() const override;
    void proceed(const QString& key) override;
    void navigateFrame(
        const QString& frameName, const QUrl& url, std::function<void(bool)> done) override;

    FramePage* page() const { return m_page; }

private:
    // The connections to the events end with it, before the view goes.
    QObject m_receiver;
    QWebEngineView* m_view = nullptr; // child of the parent given
    FramePage* m_page = nullptr; // child of m_view
};

// The factory of the web library (see WebFrameFactory).
WebFrame* CreateEngineFrame(int version, QWidget* parent, WebFrameEvents events);
