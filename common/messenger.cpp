#include "common/messenger.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "common/messages.h"

namespace {

constexpr char kFrameMagic[4] = { 'S', 'N', 'T', 'M' };
constexpr char kReplyMagic[4] = { 'S', 'N', 'T', 'R' };

using Clock = std::chrono::steady_clock;

void putLe(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t getLe(std::string_view in, std::size_t offset, int bytes)
{
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[offset + i])) << (8 * i);
    return value;
}

std::string escapeName(const std::string& name)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            out.push_back(ch);
        } else {
            out.push_back('_');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

// A directory only this user can enter: the runtime directory the session
// gives, else one of our own under /tmp, created 0700 and checked to be ours
// and not a link planted by someone else.
std::string privateDirectory()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        struct stat st { };
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
            std::string dir(runtime);
            if (dir.back() != '/')
                dir += '/';
            return dir;
        }
    }
    const uid_t uid = ::getuid();
    const std::string dir = "/tmp/sonalto-" + std::to_string(uid);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st { };
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid
        || (st.st_mode & 0077) != 0)
        return {};
    return dir + "/";
}

bool fillAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

int remainingMs(Clock::time_point deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for the socket to be readable or writable before the deadline.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p { fd, events, 0 };
        const int n = ::poll(&p, 1, remainingMs(deadline));
        if (n > 0)
            return true;
        if (n == 0)
            return false;
        if (errno != EINTR)
            return false;
    }
}

bool writeAll(int fd, std::string_view bytes, Clock::time_point deadline)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// Appends up to want bytes; false on end of stream, error or deadline.
bool readSome(int fd, std::string& into, std::size_t want, Clock::time_point deadline)
{
    if (!waitFor(fd, POLLIN, deadline))
        return false;
    char buffer[65536];
    const std::size_t chunk = want < sizeof buffer ? want : sizeof buffer;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, chunk, MSG_DONTWAIT);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true; // spurious wake-up: the caller loops
        return false;
    }
}

int connectTo(const std::string& path, std::chrono::milliseconds timeout)
{
    sockaddr_un address {};
    if (!fillAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    // A listener whose backlog is full makes connect wait; bound that wait.
    timeval tv {};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

} // namespace

MessengerRecord MessengerRecord::makeMessage(
    std::uint32_t message, std::uint64_t wParam, std::int64_t lParam)
{
    MessengerRecord record;
    record.kind = Kind::Message;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    return record;
}

MessengerRecord MessengerRecord::makeCopyData(std::uint64_t dwData, std::string_view payload)
{
    MessengerRecord record;
    record.kind = Kind::CopyData;
    record.message = WM_COPYDATA;
    record.dwData = dwData;
    record.payload = std::string(payload);
    return record;
}

std::string EncodeFrame(const MessengerRecord& record)
{
    const bool copyData = record.kind == MessengerRecord::Kind::CopyData;
    const std::string_view payload
        = copyData ? std::string_view(record.payload) : std::string_view();
    if (payload.size() > kMaxPayload)
        return {};
    std::string out(kFrameMagic, sizeof kFrameMagic);
    putLe(out, kFrameVersion, 2);
    putLe(out, static_cast<std::uint16_t>(record.kind), 2);
    putLe(out, copyData ? WM_COPYDATA : record.message, 4);
    putLe(out, payload.size(), 4);
    putLe(out, copyData ? record.dwData : record.wParam, 8);
    putLe(out, copyData ? 0 : static_cast<std::uint64_t>(record.lParam), 8);
    out.append(payload);
    return out;
}

FrameStatus DecodeFrame(std::string_view bytes, MessengerRecord& record, std::size_t* neededSize)
{
    // Check what has arrived of the header as early as possible, so that a
    // stranger's bytes are refused without waiting for more of them.
    const std::size_t magicPart = bytes.size() < 4 ? bytes.size() : 4;
    if (bytes.substr(0, magicPart) != std::string_view(kFrameMagic, magicPart))
        return FrameStatus::Malformed;
    if (bytes.size() < kFrameHeaderSize)
        return FrameStatus::Incomplete;

    const auto version = static_cast<std::uint16_t>(getLe(bytes, 4, 2));
    const auto kind = static_cast<std::uint16_t>(getLe(bytes, 6, 2));
    const auto message = static_cast<std::uint32_t>(getLe(bytes, 8, 4));
    const auto size = static_cast<std::size_t>(getLe(bytes, 12, 4));
    const std::uint64_t word = getLe(bytes, 16, 8);
    const auto lParam = static_cast<std::int64_t>(getLe(bytes, 24, 8));

    if (version != kFrameVersion)
        return FrameStatus::Malformed;
    MessengerRecord decoded;
    if (kind == static_cast<std::uint16_t>(MessengerRecord::Kind::Message)) {
        if (size != 0)
            return FrameStatus::Malformed;
        decoded = MessengerRecord::makeMessage(message, word, lParam);
    } else if (kind == static_cast<std::uint16_t>(MessengerRecord::Kind::CopyData)) {
        if (message != WM_COPYDATA || lParam != 0 || size > kMaxPayload)
            return FrameStatus::Malformed;
        if (neededSize != nullptr)
            *neededSize = kFrameHeaderSize + size;
        if (bytes.size() < kFrameHeaderSize + size)
            return FrameStatus::Incomplete;
        decoded = MessengerRecord::makeCopyData(word, bytes.substr(kFrameHeaderSize, size));
    } else {
        return FrameStatus::Malformed;
    }
    if (neededSize != nullptr)
        *neededSize = kFrameHeaderSize + size;
    if (bytes.size() != kFrameHeaderSize + size)
        return FrameStatus::Malformed;
    record = std::move(decoded);
    return FrameStatus::Complete;
}

std::string EncodeReply(std::int64_t result)
{
    std::string out(kReplyMagic, sizeof kReplyMagic);
    putLe(out, 0, 4);
    putLe(out, static_cast<std::uint64_t>(result), 8);
    return out;
}

std::optional<std::int64_t> DecodeReply(std::string_view bytes)
{
    if (bytes.size() != kReplySize || bytes.substr(0, 4) != std::string_view(kReplyMagic, 4)
        || getLe(bytes, 4, 4) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(getLe(bytes, 8, 8));
}

std::string MessengerSocketPath(const std::string& className, const std::string& title)
{
    const std::string dir = privateDirectory();
    if (dir.empty())
        return {};
    return dir + escapeName(className) + "-" + escapeName(title);
}

bool FindWindow(const std::string& className, const std::string& title)
{
    const int fd = connectTo(MessengerSocketPath(className, title), std::chrono::seconds(5));
    if (fd < 0)
        return false;
    // The listener sees a connection without a record and drops it.
    ::close(fd);
    return true;
}

std::optional<std::int64_t> SendRecord(const std::string& className, const std::string& title,
    const MessengerRecord& record, std::chrono::milliseconds timeout)
{
    const std::string frame = EncodeFrame(record);
    if (frame.empty())
        return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    const int fd = connectTo(MessengerSocketPath(className, title), timeout);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::int64_t> result;
    if (writeAll(fd, frame, deadline)) {
        std::string reply;
        while (reply.size() < kReplySize
            && readSome(fd, reply, kReplySize - reply.size(), deadline)) { }
        result = DecodeReply(reply);
    }
    ::close(fd);
    return result;
}

std::optional<std::int64_t> SendMessage(const std::string& className, const std::string& title,
    std::uint32_t message, std::uint64_t wParam, std::int64_t lParam)
{
    return SendRecord(className, title, MessengerRecord::makeMessage(message, wParam, lParam));
}

std::optional<std::int64_t> SendCopyData(const std::string& className, const std::string& title,
    std::uint64_t dwData, std::string_view payload)
{
    return SendRecord(className, title, MessengerRecord::makeCopyData(dwData, payload));
}

std::optional<MessengerRecord> ReadFrame(int fd, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::string bytes;
    std::size_t needed = kFrameHeaderSize;
    MessengerRecord record;
    for (;;) {
        const FrameStatus status = DecodeFrame(bytes, record, &needed);
        if (status == FrameStatus::Complete)
            return record;
        if (status == FrameStatus::Malformed)
            return std::nullopt;
        const std::size_t want = needed > bytes.size() ? needed - bytes.size() : 1;
        if (!readSome(fd, bytes, want, deadline))
            return std::nullopt;
    }
}

MessengerListener::~MessengerListener()
{
    close();
}

MessengerListener::MessengerListener(MessengerListener&& other) noexcept
{
    *this = std::move(other);
}

MessengerListener& MessengerListener::operator=(MessengerListener&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        other.m_path.clear();
        m_device = other.m_device;
        m_inode = other.m_inode;
    }
    return *this;
}

bool MessengerListener::listen(const std::string& className, const std::string& title)
{
    close();
    const std::string path = MessengerSocketPath(className, title);
    sockaddr_un address {};
    if (!fillAddress(path, address))
        return false;
    // Two windows of one address starting at the same moment take turns:
    // between the bind and the listen of one, the other would find the
    // address refusing connections, take it for a dead window's leftover and
    // replace it, and both would run.
    struct BindLock {
        std::string path;
        int fd = -1;
        ~BindLock()
        {
            if (fd < 0)
                return;
            // Removed while still held, so that no file is left once the
            // window listens: a start waiting on it finds it gone and takes
            // a fresh one.
            ::unlink(path.c_str());
            ::close(fd);
        }
    } lock { path + ".lock" };
    for (int attempt = 0; attempt < 8 && lock.fd < 0; ++attempt) {
        const int fd = ::open(lock.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            break;
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        struct stat held { };
        struct stat named { };
        if (rc == 0 && ::fstat(fd, &held) == 0 && ::stat(lock.path.c_str(), &named) == 0
            && held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            lock.fd = fd;
        else
            ::close(fd);
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const auto bindIt = [&] {
        return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    bool bound = bindIt();
    if (!bound && errno == EADDRINUSE) {
        // The file is there: a live window answers a connect, a dead one's
        // leftover refuses it and may be replaced.
        const int probe = connectTo(path, std::chrono::seconds(5));
        if (probe >= 0) {
            ::close(probe);
        } else if (errno == ECONNREFUSED) {
            ::unlink(path.c_str());
            bound = bindIt();
        }
    }
    struct stat st { };
    if (!bound || ::chmod(path.c_str(), 0600) != 0 || ::stat(path.c_str(), &st) != 0
        || ::listen(fd, 16) != 0) {
        if (bound)
            ::unlink(path.c_str());
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    return true;
}

void MessengerListener::close()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    // Remove the file only if it is still ours: a newer window may have
    // replaced it.
    struct stat st { };
    if (::lstat(m_path.c_str(), &st) == 0 && st.st_dev == m_device && st.st_ino == m_inode)
        ::unlink(m_path.c_str());
    m_path.clear();
}

int MessengerListener::acceptConnection() const
{
    if (m_fd < 0)
        return -1;
    for (;;) {
        const int connection = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0 || errno != EINTR)
            return connection;
    }
}

bool MessengerListener::serveConnection(
    int connection, const Handler& handler, std::chrono::milliseconds readTimeout)
{
    const std::optional<MessengerRecord> record = ReadFrame(connection, readTimeout);
    if (record) {
        const std::int64_t result = handler(*record);
        writeAll(connection, EncodeReply(result), Clock::now() + readTimeout);
    }
    ::close(connection);
    return record.has_value();
}
