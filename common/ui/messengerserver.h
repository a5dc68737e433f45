#pragma once

#include <chrono>
#include <string>

#include <QObject>

#include "common/messenger.h"

class QSocketNotifier;

// Makes a window reachable by class and title: listens on the window's
// socket, and on the GUI thread reads each incoming record, hands it to the
// handler and writes the handler's result back to the sender.
class MessengerServer : public QObject {
    Q_OBJECT

public:
    using Handler = MessengerListener::Handler;

    // A client that connects but stays silent holds the GUI thread at most
    // this long.
    static constexpr std::chrono::milliseconds kReadTimeout { 2000 };

    explicit MessengerServer(QObject* parent = nullptr);
    ~MessengerServer() override;

    // False when the socket cannot be had, for example because another live
    // window already owns this class and title.
    bool listen(const std::string& className, const std::string& title, Handler handler);
    // Serves a socket that is already listening (taken over from a claim
    // made before the window existed). False when it does not listen.
    bool listen(MessengerListener&& listener, Handler handler);
    void close();
    bool isListening() const { return m_listener.isListening(); }

private:
    void serveWaitingConnections();

    MessengerListener m_listener;
    QSocketNotifier* m_notifier = nullptr; // child of this object
    Handler m_handler;
};

// One line for the diagnostic log about a received record: "activate",
// "command <id>", "syscommand <id>", "copydata <dwData> <text>" or
// "message <number> <wParam> <lParam>".
std::string DescribeRecord(const MessengerRecord& record);
