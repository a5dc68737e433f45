#include "common/windowclaim.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Beside the socket; the listener's own ".lock" only serialises the binds.
std::string ownerPath(const std::string& socketPath)
{
    return socketPath + ".owner";
}

} // namespace

WindowClaim::~WindowClaim()
{
    release();
}

bool WindowClaim::claim(const std::string& className, const std::string& title)
{
    if (isClaimed())
        return true;
    const std::string socketPath = MessengerSocketPath(className, title);
    if (socketPath.empty())
        return false;
    const std::string lockPath = ownerPath(socketPath);
    // The owner removes the file when it lets go, so a lock taken on a file
    // that has meanwhile left its name is worth nothing: try again on the
    // new one.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(fd);
            return false;
        }
        struct stat held { };
        struct stat named { };
        if (::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &named) == 0
            && held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_lockFd = fd;
            m_lockPath = lockPath;
            break;
        }
        ::close(fd);
    }
    if (!isClaimed())
        return false;
    // Under the lock, a socket file that refuses connections is a leftover
    // of a killed owner, which listen replaces.
    if (!m_listener.listen(className, title)) {
        release();
        return false;
    }
    return true;
}

void WindowClaim::release()
{
    m_listener.close();
    if (m_lockFd < 0)
        return;
    // Removed while still held: a process waiting for it sees the name gone
    // and takes a fresh file.
    ::unlink(m_lockPath.c_str());
    ::close(m_lockFd);
    m_lockFd = -1;
    m_lockPath.clear();
}

bool WindowClaim::isHeld(const std::string& className, const std::string& title)
{
    const std::string socketPath = MessengerSocketPath(className, title);
    if (socketPath.empty())
        return false;
    const int fd = ::open(ownerPath(socketPath).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool unheld = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return !unheld;
}
