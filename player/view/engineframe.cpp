#include "view/engineframe.h"

#include <utility>

#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QWebEngineView>

#include "view/framebridge.h"
#include "view/lumoview.h"

namespace {

// Before the engine's first view: the "app" scheme, and the scene graph
// drawing in software when the process asked for it (see PrepareWebEngine),
// so that the engine composes its pages without OpenGL.
void prepareEngine()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    RegisterAppScheme();
    if (qgetenv("QT_QUICK_BACKEND") == "software")
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

} // namespace

EngineFrame::EngineFrame(QWidget* parent, WebFrameEvents events)
{
    prepareEngine();
    m_view = new QWebEngineView(parent);
    m_page = new FramePage(m_view);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    QObject::connect(m_page, &FramePage::navigationRequested, &m_receiver,
        std::move(events.navigationRequested));
    QObject::connect(
        m_page, &FramePage::documentCreated, &m_receiver, std::move(events.documentCreated));
    QObject::connect(
        m_page, &FramePage::documentCompleted, &m_receiver, std::move(events.documentCompleted));
    QObject::connect(
        m_page, &FramePage::newWindowRequested, &m_receiver, std::move(events.newWindowRequested));
    QObject::connect(m_page, &FramePage::unheldAppNavigation, &m_receiver,
        [done = std::move(events.unheldAppNavigation)](const QUrl& url, bool) { done(url); });
}

EngineFrame::~EngineFrame()
{
    // Later: this may come from one of the page's own notices.
    m_view->hide();
    m_view->deleteLater();
}

QWidget* EngineFrame::widget() const
{
    return m_view;
}

void EngineFrame::proceed(const QString& key)
{
    m_page->proceed(key);
}

void EngineFrame::navigateFrame(
    const QString& frameName, const QUrl& url, std::function<void(bool)> done)
{
    m_page->navigateFrame(frameName, url, std::move(done));
}

WebFrame* CreateEngineFrame(int version, QWidget* parent, WebFrameEvents events)
{
    if (version != kWebFrameVersion)
        return nullptr;
    return new EngineFrame(parent, std::move(events));
}

// The view's page, for programs that link the web engine (the tests).
FramePage* CLumoView::framePage() const
{
    return m_web != nullptr ? static_cast<EngineFrame*>(m_web)->page() : nullptr;
}

QWebEnginePage* CLumoView::page() const
{
    return framePage();
}
