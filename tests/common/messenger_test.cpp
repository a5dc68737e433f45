#include "common/messenger.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

TEST(MessengerFrame, layoutIsLittleEndianWithFixedHeader)
{
    const std::string frame
        = EncodeFrame(MessengerRecord::makeMessage(WM_SYSCOMMAND, SC_MINIMIZE, -2));
    const std::string expected = "SNTM" + bytes({ 1, 0, 1, 0, 0x12, 0x01, 0, 0, 0, 0, 0, 0 })
        + bytes({ 0x20, 0xF0, 0, 0, 0, 0, 0, 0 })
        + bytes({ 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF });
    EXPECT_EQ(frame, expected);

    const std::string copy = EncodeFrame(MessengerRecord::makeCopyData(0x8048, "ab"));
    EXPECT_EQ(copy.substr(4, 12), bytes({ 1, 0, 2, 0, 0x4A, 0, 0, 0, 2, 0, 0, 0 }));
    EXPECT_EQ(copy.substr(16, 8), bytes({ 0x48, 0x80, 0, 0, 0, 0, 0, 0 }));
    EXPECT_EQ(copy.substr(32), "ab");
    EXPECT_EQ(EncodeReply(0x0102), "SNTR" + bytes({ 0, 0, 0, 0, 2, 1, 0, 0, 0, 0, 0, 0 }));
}

TEST(MessengerFrame, recordsSurviveEncodingWhateverTheirBytes)
{
    std::string binary;
    for (int i = 0; i < 256; ++i)
        binary.push_back(static_cast<char>(i));
    const std::vector<MessengerRecord> records = {
        MessengerRecord::makeMessage(WM_COMMAND, 32834, 0),
        MessengerRecord::makeMessage(0xFFFFFFFFu, ~0ull, INT64_MIN),
        MessengerRecord::makeCopyData(0x8048, std::string("NRJ.htm\0", 8)),
        MessengerRecord::makeCopyData(0, ""),
        MessengerRecord::makeCopyData(~0ull, binary),
        MessengerRecord::makeCopyData(1, std::string(kMaxPayload, 'x')),
    };
    for (const MessengerRecord& record : records) {
        const std::string frame = EncodeFrame(record);
        ASSERT_FALSE(frame.empty());
        MessengerRecord decoded;
        std::size_t needed = 0;
        ASSERT_EQ(DecodeFrame(frame, decoded, &needed), FrameStatus::Complete);
        EXPECT_EQ(decoded, record);
        EXPECT_EQ(needed, frame.size());
    }
    for (const std::int64_t result : { std::int64_t { 0 }, std::int64_t { -1 }, INT64_MAX })
        EXPECT_EQ(DecodeReply(EncodeReply(result)), result);
}

TEST(MessengerFrame, everyPrefixOfAFrameIsIncomplete)
{
    const std::string frame = EncodeFrame(MessengerRecord::makeCopyData(5, "Radio.htm"));
    MessengerRecord record;
    for (std::size_t n = 0; n < frame.size(); ++n) {
        std::size_t needed = 0;
        EXPECT_EQ(DecodeFrame(std::string_view(frame).substr(0, n), record, &needed),
            FrameStatus::Incomplete)
            << n;
        if (n >= kFrameHeaderSize) {
            EXPECT_EQ(needed, frame.size());
        }
    }
}

TEST(MessengerFrame, malformedFramesAreRefused)
{
    const std::string message = EncodeFrame(MessengerRecord::makeMessage(WM_COMMAND, 1, 0));
    const std::string copy = EncodeFrame(MessengerRecord::makeCopyData(1, "abc"));
    const auto patched = [](std::string frame, std::size_t at, std::string with) {
        frame.replace(at, with.size(), with);
        return frame;
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        { "stranger's first byte", "G" },
        { "bad magic", patched(message, 0, "SNTX") },
        { "bad version", patched(message, 4, bytes({ 2, 0 })) },
        { "unknown kind", patched(message, 6, bytes({ 3, 0 })) },
        { "message with a payload", patched(message, 12, bytes({ 1, 0, 0, 0 })) + "z" },
        { "copy data under another number", patched(copy, 8, bytes({ 0x11, 1, 0, 0 })) },
        { "copy data with lParam", patched(copy, 24, bytes({ 1 })) },
        // Refused from the header alone, before any payload byte is awaited.
        { "payload over the limit", patched(copy, 12, bytes({ 1, 0, 0x10, 0 })).substr(0, 32) },
        { "bytes after the frame", message + "!" },
    };
    for (const auto& [what, frame] : cases) {
        MessengerRecord record;
        EXPECT_EQ(DecodeFrame(frame, record), FrameStatus::Malformed) << what;
    }
    EXPECT_TRUE(
        EncodeFrame(MessengerRecord::makeCopyData(1, std::string(kMaxPayload + 1, 'x'))).empty());
    EXPECT_FALSE(DecodeReply(EncodeReply(1).substr(0, 15)));
    EXPECT_FALSE(DecodeReply("SNTM" + EncodeReply(1).substr(4)));
}

// Each test gets its own runtime directory, as each user session has.
class MessengerSocket : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_runtime.empty());
        ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    }

    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    // Serves connections on a thread until the listener is closed.
    void serve(MessengerListener& listener, MessengerListener::Handler handler)
    {
        m_server = std::thread([&listener, handler, this] {
            while (!m_stop) {
                pollfd p { listener.fd(), POLLIN, 0 };
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                const int connection = listener.acceptConnection();
                if (connection >= 0) {
                    const bool served = MessengerListener::serveConnection(connection, handler, 2s);
                    m_refused += served ? 0 : 1;
                }
            }
        });
    }

    void stopServing()
    {
        m_stop = true;
        if (m_server.joinable())
            m_server.join();
    }

    // The directory without its trailing '/', as a session names it.
    testsupport::TempDir m_dir { "snt-msg" };
    const std::string m_runtime = m_dir.path().substr(0, m_dir.path().size() - 1);
    std::thread m_server;
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_refused { 0 };
};

TEST_F(MessengerSocket, socketIsNamedFromClassAndTitleInTheRuntimeDirectory)
{
    EXPECT_EQ(MessengerSocketPath("SntClass", "Sonalto"), m_runtime + "/SntClass-Sonalto");
    EXPECT_EQ(MessengerSocketPath("#32770", "Mise \xE0 jour Sonalto"),
        m_runtime + "/_2332770-Mise_20_e0_20jour_20Sonalto");
    // The separator cannot be forged by a class or a title holding it.
    EXPECT_NE(MessengerSocketPath("a-b", "c"), MessengerSocketPath("a", "b-c"));

    ::unsetenv("XDG_RUNTIME_DIR");
    const std::string fallback = MessengerSocketPath("SntClass", "Sonalto");
    const std::string dir = "/tmp/sonalto-" + std::to_string(::getuid());
    EXPECT_EQ(fallback, dir + "/SntClass-Sonalto");
    struct stat st { };
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(MessengerSocket, sendsAreAnsweredWithTheHandlersResult)
{
    EXPECT_FALSE(FindWindow("SntClass", "Sonalto"));
    EXPECT_FALSE(SendMessage("SntClass", "Sonalto", WM_COMMAND, 1, 0));

    MessengerListener listener;
    ASSERT_TRUE(listener.listen("SntClass", "Sonalto"));
    std::vector<MessengerRecord> received;
    serve(listener, [&received](const MessengerRecord& record) {
        received.push_back(record);
        return static_cast<std::int64_t>(record.wParam * 2 + record.payload.size());
    });

    EXPECT_TRUE(FindWindow("SntClass", "Sonalto"));
    EXPECT_FALSE(FindWindow("SntClass", "Autre"));
    EXPECT_EQ(SendMessage("SntClass", "Sonalto", WM_SYSCOMMAND, 108, 5), 216);
    const std::string payload("NRJ.htm\0", 8);
    EXPECT_EQ(SendCopyData("SntClass", "Sonalto", 0x8048, payload), 8);
    const std::string big(kMaxPayload, '\xE9');
    EXPECT_EQ(SendCopyData("SntClass", "Sonalto", 1, big), static_cast<std::int64_t>(kMaxPayload));
    EXPECT_FALSE(SendCopyData("SntClass", "Sonalto", 1, big + "x"));
    stopServing();

    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0], MessengerRecord::makeMessage(WM_SYSCOMMAND, 108, 5));
    EXPECT_EQ(received[1], MessengerRecord::makeCopyData(0x8048, payload));
    EXPECT_EQ(received[2].payload, big);
    // The probe of FindWindow carried no record.
    EXPECT_EQ(m_refused, 1);

    const std::string path = listener.path();
    listener.close();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(FindWindow("SntClass", "Sonalto"));
}

TEST_F(MessengerSocket, aLiveNameIsRefusedAndADeadOneTakenOver)
{
    MessengerListener first;
    ASSERT_TRUE(first.listen("SntClass", "Sonalto"));
    MessengerListener second;
    EXPECT_FALSE(second.listen("SntClass", "Sonalto"));
    // The failed attempt left the first one's file alone, and neither left
    // the lock that takes turns at binding in the runtime folder.
    EXPECT_TRUE(FindWindow("SntClass", "Sonalto"));
    EXPECT_FALSE(std::filesystem::exists(first.path() + ".lock"));
    first.close();

    // A socket file whose process died: bound, never unlinked.
    const std::string path = MessengerSocketPath("SntClass", "Sonalto");
    const int dead = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(dead, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(dead);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(FindWindow("SntClass", "Sonalto"));
    EXPECT_TRUE(second.listen("SntClass", "Sonalto"));
    EXPECT_TRUE(FindWindow("SntClass", "Sonalto"));
}

TEST_F(MessengerSocket, strangersAndSilentWindowsDoNotHang)
{
    // A window that accepts but never answers: the send gives up.
    MessengerListener silent;
    ASSERT_TRUE(silent.listen("SntClass", "Muet"));
    EXPECT_FALSE(
        SendRecord("SntClass", "Muet", MessengerRecord::makeMessage(WM_COMMAND, 1, 0), 300ms));

    // A client that sends half a frame and stays silent: the read gives up.
    MessengerListener listener;
    ASSERT_TRUE(listener.listen("SntClass", "Sonalto"));
    int calls = 0;
    serve(listener, [&calls](const MessengerRecord&) { return ++calls; });
    const int client = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    listener.path().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string half
        = EncodeFrame(MessengerRecord::makeMessage(WM_COMMAND, 1, 0)).substr(0, 20);
    ASSERT_EQ(::write(client, half.data(), half.size()), static_cast<ssize_t>(half.size()));
    char byte = 0;
    EXPECT_EQ(::read(client, &byte, 1), 0); // closed without an answer
    ::close(client);

    // The server is still there for the next sender.
    EXPECT_EQ(SendMessage("SntClass", "Sonalto", WM_COMMAND, 1, 0), 1);
    stopServing();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(m_refused, 1);
}

} // namespace
