#pragma once

#include <string>

#include "common/messenger.h"

// Ownership of a window's class and title among processes of one user. The
// owner holds an exclusive lock on a file beside the window's socket for its
// whole run and listens on the socket from the moment it holds the lock, so a
// second start finds it before its window exists: what the second start
// sends waits in the socket's queue until the window serves it.
class WindowClaim {
public:
    WindowClaim() = default;
    ~WindowClaim();
    WindowClaim(const WindowClaim&) = delete;
    WindowClaim& operator=(const WindowClaim&) = delete;

    // Takes the name and starts listening. False when another process holds
    // it (running, starting or still quitting), or when no socket can be had.
    bool claim(const std::string& className, const std::string& title);
    // Lets the name go: stops listening if the listener is still here, and
    // removes the lock file. A process that ends without it lets go as well.
    void release();
    bool isClaimed() const { return m_lockFd >= 0; }
    // Whether some process holds the name now; creates nothing.
    static bool isHeld(const std::string& className, const std::string& title);

    // The listening socket, for the window to take over once it exists.
    MessengerListener& listener() { return m_listener; }

private:
    int m_lockFd = -1;
    std::string m_lockPath;
    MessengerListener m_listener;
};
