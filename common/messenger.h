#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

// A window that other programs look for by class and title listens on a
// per-user local stream socket named from that pair. Finding the window is a
// successful connect; sending is one framed record per connection, answered
// synchronously with the receiving handler's result.
//
// Frame of a record (integers little-endian), header of kFrameHeaderSize bytes:
//   0  "SNTM"           magic
//   4  u16 version      kFrameVersion
//   6  u16 kind         1 = message, 2 = copy data
//   8  u32 message      the message number (WM_COPYDATA for copy data)
//  12  u32 size         payload bytes (cbData); 0 for a message
//  16  u64 wParam       wParam, or dwData for copy data
//  24  i64 lParam       lParam, 0 for copy data
//  32  payload          size bytes, at most kMaxPayload
// Reply, kReplySize bytes: "SNTR", u32 0, i64 result.

struct MessengerRecord {
    enum class Kind : std::uint16_t { Message = 1, CopyData = 2 };

    Kind kind = Kind::Message;
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint64_t dwData = 0; // copy data only
    std::string payload; // copy data only: cbData bytes

    static MessengerRecord makeMessage(
        std::uint32_t message, std::uint64_t wParam, std::int64_t lParam);
    static MessengerRecord makeCopyData(std::uint64_t dwData, std::string_view payload);

    bool operator==(const MessengerRecord&) const = default;
};

inline constexpr std::size_t kFrameHeaderSize = 32;
inline constexpr std::size_t kReplySize = 16;
inline constexpr std::uint16_t kFrameVersion = 1;
inline constexpr std::size_t kMaxPayload = 1024 * 1024;

// A send waits this long for the answer before it reports failure.
inline constexpr std::chrono::milliseconds kDefaultReplyTimeout { 120'000 };

// The bytes of a record; empty when the payload is over kMaxPayload.
std::string EncodeFrame(const MessengerRecord& record);

enum class FrameStatus { Complete, Incomplete, Malformed };

// Decodes the bytes received so far. Incomplete while a valid prefix lacks
// bytes (neededSize, when given, then tells how many bytes the whole frame
// takes once the header is in); Malformed for a bad magic, version or kind,
// inconsistent fields, an oversized payload or bytes beyond the frame.
FrameStatus DecodeFrame(
    std::string_view bytes, MessengerRecord& record, std::size_t* neededSize = nullptr);

std::string EncodeReply(std::int64_t result);
std::optional<std::int64_t> DecodeReply(std::string_view bytes);

// Where the window (className, title) listens: $XDG_RUNTIME_DIR, or else a
// private /tmp/sonalto-<uid> directory, then the class and the title joined by
// "-", every byte but ASCII letters and digits written as "_xx" in hex. Empty
// when no private directory can be had.
std::string MessengerSocketPath(const std::string& className, const std::string& title);

// True when a window of this class and title is listening.
bool FindWindow(const std::string& className, const std::string& title);

// Sends a record to the window and returns its handler's result; nullopt when
// there is no such window, the record cannot be framed, or no valid answer
// arrives within the timeout.
std::optional<std::int64_t> SendRecord(const std::string& className, const std::string& title,
    const MessengerRecord& record, std::chrono::milliseconds timeout = kDefaultReplyTimeout);
std::optional<std::int64_t> SendMessage(const std::string& className, const std::string& title,
    std::uint32_t message, std::uint64_t wParam, std::int64_t lParam);
std::optional<std::int64_t> SendCopyData(const std::string& className, const std::string& title,
    std::uint64_t dwData, std::string_view payload);

// Reads one whole frame from a connected socket, waiting at most timeout in
// all, so that a client that stays silent cannot hold the receiver.
std::optional<MessengerRecord> ReadFrame(int fd, std::chrono::milliseconds timeout);

// The listening end of a window. Owns the socket and its file, which it
// removes when it closes (only if the file is still its own).
class MessengerListener {
public:
    using Handler = std::function<std::int64_t(const MessengerRecord&)>;

    MessengerListener() = default;
    ~MessengerListener();
    MessengerListener(const MessengerListener&) = delete;
    MessengerListener& operator=(const MessengerListener&) = delete;
    // The socket changes hands: the one moved from no longer listens.
    MessengerListener(MessengerListener&& other) noexcept;
    MessengerListener& operator=(MessengerListener&& other) noexcept;

    // Binds and listens for (className, title). A socket file left by a
    // process that died is replaced; a live one means that another window
    // owns the name, and listening fails.
    bool listen(const std::string& className, const std::string& title);
    void close();

    bool isListening() const { return m_fd >= 0; }
    // The non-blocking listening socket, to watch for readability.
    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }

    // A pending connection (blocking, close-on-exec), or -1 when none waits.
    int acceptConnection() const;

    // Reads the connection's record, has the handler answer it, writes the
    // reply and closes the connection. False when no valid record arrived
    // within readTimeout (the handler is then not called).
    static bool serveConnection(
        int connection, const Handler& handler, std::chrono::milliseconds readTimeout);

private:
    int m_fd = -1;
    std::string m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
