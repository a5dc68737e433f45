// The real player against servers that behave as radio servers in the
// wild do: each case is a station whose stream the local server sends in
// one of their ways. The player must play it (its first audio reaches the
// output) and show its title.

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Environment;
using testsupport::Process;
using testsupport::TempDir;

// A port on which nothing listens.
constexpr const char* kDeadAddress = "http://127.0.0.1:9/flux";

class PlayerStreams : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::chmod(m_runtime.path().c_str(), 0700);
        m_player = testsupport::CopyProgram(SONALTO_PLAYER_PATH, m_install.path());
        ASSERT_TRUE(m_server.start(m_install.path()));
    }

    Environment environment(const std::string& log) const
    {
        const char* platform = std::getenv("SONALTO_E2E_PLATFORM");
        return Environment {
            { "XDG_RUNTIME_DIR", m_runtime.path() },
            { "QT_QPA_PLATFORM", platform != nullptr ? platform : "offscreen" },
            { "SONALTO_DIAG_LOG", log },
            { "SONALTO_AUDIO_SINK", "fakesink sync=true" },
        };
    }

    // Encodes a few seconds of a tone with GStreamer into the server's root.
    bool encode(const std::string& name, const std::string& chain)
    {
        testsupport::RunCommand("gst-launch-1.0 -q audiotestsrc num-buffers=300 ! audioconvert ! "
            + chain + " ! filesink location=\"" + m_install.path() + name + "\"");
        struct stat info { };
        return ::stat((m_install.path() + name).c_str(), &info) == 0 && info.st_size > 1000;
    }

    TempDir m_install { "sonalto-streams" };
    TempDir m_runtime { "sonalto-runtime" };
    testsupport::HttpServer m_server;
    std::string m_player;
};

TEST_F(PlayerStreams, playsEachServersStreamAndShowsItsTitle)
{
    ASSERT_TRUE(encode("tone.aac", "avenc_aac ! aacparse ! audio/mpeg,stream-format=adts"));
    ASSERT_TRUE(encode("tone.oga", "taginject tags=title=Vorbis-en-direct ! vorbisenc ! oggmux"));
    ASSERT_TRUE(encode("tone.opus", "taginject tags=title=Opus-en-direct ! opusenc ! oggmux"));
    // Ten seconds of AAC in MPEG-TS segments, for a live HLS playlist.
    testsupport::RunCommand("cd \"" + m_install.path()
        + "\" && gst-launch-1.0 -q hlssink2 name=h target-duration=2 max-files=0 "
          "playlist-length=0 location=seg%05d.ts playlist-location=vod.m3u8 audiotestsrc "
          "num-buffers=430 ! audioconvert ! avenc_aac ! aacparse ! h.audio");
    ASSERT_TRUE(FileExists(m_install.path() + "seg00004.ts"));
    // Playlists as found on station sites: a UTF-8 byte-order mark, CR LF,
    // comments, a dead first entry, then a relative one.
    WriteTextFile(m_install.path() + "liste.m3u",
        std::string("\xEF\xBB\xBF#EXTM3U\r\n# la radio\r\n#EXTINF:-1,Morte\r\n") + kDeadAddress
            + "\r\n#EXTINF:-1,Vivante\r\n_stream?title=Liste+M3U\r\n");
    WriteTextFile(m_install.path() + "liste.pls",
        std::string("\xEF\xBB\xBF[playlist]\r\n; la radio\r\nNumberOfEntries=2\r\nFile1=")
            + kDeadAddress + "\r\nFile2=_stream?title=Liste+PLS\r\nVersion=2\r\n");

    struct Case {
        const char* what;
        std::string path; // on the local server
        std::string title; // as the diagnostic log writes it (Windows-1252)
    };
    const std::vector<Case> cases = {
        { "SHOUTcast v1, ICY 200 OK, Latin-1 titles",
            "/_stream?status=icy&title=Caf%C3%A9+cr%C3%A8me", "Caf\xE9 cr\xE8me" },
        { "UTF-8 titles", "/_stream?enc=utf-8&title=Caf%C3%A9+cr%C3%A8me", "Caf\xE9 cr\xE8me" },
        { "302 then 301, relative Location",
            "/_redirect/302/_redirect/301/_stream?title=Redirig%C3%A9", "Redirig\xE9" },
        { "AAC (ADTS)", "/_stream?audio=tone.aac&type=audio/aac&title=En+AAC", "En AAC" },
        { "Ogg Vorbis", "/_stream?audio=tone.oga&type=application/ogg&icy=0", "Vorbis-en-direct" },
        { "Ogg Opus", "/_stream?audio=tone.opus&type=audio/ogg&icy=0", "Opus-en-direct" },
        { "HTTP/1.1 chunked", "/_stream?chunked=1&title=Par+morceaux", "Par morceaux" },
        { "3 s before the first byte", "/_stall/3/_stream?title=Patience", "Patience" },
        { "m3u playlist", "/liste.m3u", "Liste M3U" },
        { "pls playlist", "/liste.pls", "Liste PLS" },
        { "HLS live, AAC in MPEG-TS", "/_hls/live.m3u8?count=5", "" }, // no title in it
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::WriteSmallCatalogue(
            m_install.path() + "html/", m_server.url(c.path), "", true);
        const std::string log = m_install.path() + "diag" + std::to_string(++n) + ".log";
        const std::string out = m_install.path() + "out" + std::to_string(n) + ".log";
        Process player;
        ASSERT_TRUE(player.start(m_player, {}, environment(log), "/", out));
        EXPECT_TRUE(testsupport::WaitForFileLine(log, "first audio", 30s)) << ReadTextFile(out);
        if (!c.title.empty())
            EXPECT_TRUE(testsupport::WaitForFileLine(log, "stream title " + c.title, 20s))
                << ReadTextFile(log);
        else
            std::this_thread::sleep_for(2s); // and it goes on playing
        Environment env = environment(log);
        EXPECT_EQ(testsupport::RunSecondStart(m_player, { "-stop" }, env), 0);
        EXPECT_EQ(player.waitForExit(30s), 0) << ReadTextFile(out);
    }
}

} // namespace
