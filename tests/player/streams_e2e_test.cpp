// The real player against servers that behave as radio servers in the
// wild do: each case is a station whose stream the local server sends in
// one of their ways. The player must play it (its first audio reaches the
// output) and show its title.

#include <algorithm>
#include <string>
#include <thread>
#include <vector>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/playerinstallation.h"
#include "support/smallcatalogue.h"
#include "support/testsupport.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;

// A port on which nothing listens.
constexpr const char* kDeadAddress = "http://127.0.0.1:9/flux";

// How many lines equal to line the log holds after the first one equal to
// mark.
std::size_t linesAfter(const std::string& log, const std::string& mark, const std::string& line)
{
    const std::vector<std::string> lines = testsupport::ReadLines(log);
    const auto from = std::find(lines.begin(), lines.end(), mark);
    return from == lines.end() ? 0 : static_cast<std::size_t>(std::count(from, lines.end(), line));
}

bool logHasAfter(const std::string& log, const std::string& mark, const std::string& line,
    std::chrono::milliseconds timeout)
{
    return testsupport::WaitFor([&] { return linesAfter(log, mark, line) > 0; }, timeout);
}

class PlayerStreams : public testsupport::PlayerTest {
protected:
    PlayerStreams()
        : PlayerTest("sonalto-streams")
    {
    }

    void SetUp() override { ASSERT_TRUE(m_server.start(path())); }

    // Encodes a few seconds of a tone with GStreamer into the server's root.
    bool encode(const std::string& name, const std::string& chain)
    {
        testsupport::RunCommand(
            "timeout -s KILL 30 gst-launch-1.0 -q audiotestsrc num-buffers=300 ! audioconvert ! "
            + chain + " ! filesink location=\"" + path() + name + "\"");
        struct stat info { };
        return ::stat((path() + name).c_str(), &info) == 0 && info.st_size > 1000;
    }

    testsupport::HttpServer m_server;
};

TEST_F(PlayerStreams, playsEachServersStreamAndShowsItsTitle)
{
    ASSERT_TRUE(encode("tone.aac", "avenc_aac ! aacparse ! audio/mpeg,stream-format=adts"));
    ASSERT_TRUE(encode("tone.oga", "taginject tags=title=Vorbis-en-direct ! vorbisenc ! oggmux"));
    ASSERT_TRUE(encode("tone.opus", "taginject tags=title=Opus-en-direct ! opusenc ! oggmux"));
    // Ten seconds of AAC in MPEG-TS segments, for a live HLS playlist.
    // hlssink2 now and then never returns at the end of the stream, with
    // every segment written: it is given ten seconds.
    testsupport::RunCommand("cd \"" + path()
        + "\" && timeout -s KILL 10 gst-launch-1.0 -q hlssink2 name=h target-duration=2 "
          "max-files=0 playlist-length=0 location=seg%05d.ts playlist-location=vod.m3u8 "
          "audiotestsrc "
          "num-buffers=430 ! audioconvert ! avenc_aac ! aacparse ! h.audio");
    ASSERT_TRUE(FileExists(path() + "seg00004.ts"));
    // Playlists as found on station sites: a UTF-8 byte-order mark, CR LF,
    // comments, a dead first entry, then a relative one.
    WriteTextFile(path() + "liste.m3u",
        std::string("\xEF\xBB\xBF#EXTM3U\r\n# la radio\r\n#EXTINF:-1,Morte\r\n") + kDeadAddress
            + "\r\n#EXTINF:-1,Vivante\r\n_stream?title=Liste+M3U\r\n");
    WriteTextFile(path() + "liste.pls",
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
        { "UTF-8 titles", "/_stream?enc=utf-8&title=Th%C3%A9+%C3%A0+la+menthe",
            "Th\xE9 \xE0 la menthe" },
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
    // One station page per case, each with a name of its own, so that what
    // the log says after "station Cas <n>" is about that case's stream.
    testsupport::WriteSmallCatalogue(html(), kDeadAddress, "", false);
    for (std::size_t i = 0; i < cases.size(); ++i)
        WriteTextFile(html() + "Cas" + std::to_string(i) + ".htm",
            "<html><body><font name=\"titre\">Cas " + std::to_string(i)
                + "</font>\r\n<param name=\"filename\" value=\"" + m_server.url(cases[i].path)
                + "\"></body></html>");

    // One player for every case: each station is handed to it by a second
    // start, as a listener's command line does, so the cases wait on their
    // streams rather than on the start of a program each.
    Process player;
    ASSERT_TRUE(start(player));
    ASSERT_TRUE(logHas("welcome")) << output();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string station = "station Cas " + std::to_string(i);
        EXPECT_EQ(runSecond({ "-radio", "Cas" + std::to_string(i) + ".htm" }), 0);
        ASSERT_TRUE(logHas(station)) << log();
        EXPECT_TRUE(logHasAfter(logPath(), station, "first audio", 30s)) << log();
        if (!c.title.empty()) {
            EXPECT_TRUE(logHasAfter(logPath(), station, "stream title " + c.title, 20s)) << log();
        } else {
            // No title: it goes on playing, without starting over.
            std::this_thread::sleep_for(2s);
            EXPECT_EQ(linesAfter(logPath(), station, "first audio"), 1u) << log();
        }
    }
    EXPECT_TRUE(stop(player));
}

} // namespace
