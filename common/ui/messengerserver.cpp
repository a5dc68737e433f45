#include "common/ui/messengerserver.h"

#include <utility>

#include <QSocketNotifier>

#include "common/messages.h"

MessengerServer::MessengerServer(QObject* parent)
    : QObject(parent)
{
}

MessengerServer::~MessengerServer()
{
    close();
}

bool MessengerServer::listen(
    const std::string& className, const std::string& title, Handler handler)
{
    close();
    if (!m_listener.listen(className, title))
        return false;
    m_handler = std::move(handler);
    m_notifier = new QSocketNotifier(m_listener.fd(), QSocketNotifier::Read, this);
    connect(
        m_notifier, &QSocketNotifier::activated, this, &MessengerServer::serveWaitingConnections);
    return true;
}

bool MessengerServer::listen(MessengerListener&& listener, Handler handler)
{
    close();
    if (!listener.isListening())
        return false;
    m_listener = std::move(listener);
    m_handler = std::move(handler);
    m_notifier = new QSocketNotifier(m_listener.fd(), QSocketNotifier::Read, this);
    connect(
        m_notifier, &QSocketNotifier::activated, this, &MessengerServer::serveWaitingConnections);
    // Records that came while the window was being made wait in the queue;
    // the notifier reports them at the next turn of the loop.
    return true;
}

void MessengerServer::close()
{
    // close() may run inside the notifier's own signal (a handler that
    // quits), so the notifier is disabled now and deleted later.
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_listener.close();
    m_handler = nullptr;
}

void MessengerServer::serveWaitingConnections()
{
    // The handler may close this server (a quit), so keep a copy of it and
    // stop as soon as the listener is gone.
    const Handler handler = m_handler;
    while (m_listener.isListening()) {
        const int connection = m_listener.acceptConnection();
        if (connection < 0)
            return;
        MessengerListener::serveConnection(connection, handler, kReadTimeout);
    }
}

std::string DescribeRecord(const MessengerRecord& record)
{
    if (record.kind == MessengerRecord::Kind::CopyData) {
        const std::string text = record.payload.substr(0, record.payload.find('\0'));
        return "copydata " + std::to_string(record.dwData) + " " + text;
    }
    switch (record.message) {
    case WM_ACTIVATE:
        return "activate";
    case WM_COMMAND:
        return "command " + std::to_string(record.wParam);
    case WM_SYSCOMMAND:
        return "syscommand " + std::to_string(record.wParam);
    default:
        return "message " + std::to_string(record.message) + " " + std::to_string(record.wParam)
            + " " + std::to_string(record.lParam);
    }
}
