#include "common/playlist.h"

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Readable failures: the entries as text rather than bytes.
void PrintTo(const PlaylistEntry& entry, std::ostream* out)
{
    *out << '{' << entry.location << " | " << entry.title << '}';
}

namespace {

using Entries = std::vector<PlaylistEntry>;

TEST(PlaylistTest, parsesEachFormatToItsEntriesInOrder)
{
    struct Case {
        const char* what;
        PlaylistFormat format;
        std::string text;
        Entries expected;
    };
    const std::vector<Case> cases = {
        { "pls numbered out of order, titles, NumberOfEntries ignored", PlaylistFormat::Pls,
            "[playlist]\r\nNumberOfEntries=1\r\nFile2=http://b/2\r\nTitle2=Deux\r\n"
            "file1 = http://a/1\r\nLength1=-1\r\nVersion=2\r\n",
            { { "http://a/1", "" }, { "http://b/2", "Deux" } } },
        { "pls with a BOM and LF endings, a title without its file dropped", PlaylistFormat::Pls,
            "\xEF\xBB\xBF[playlist]\nTitle3=Orphelin\nFile1=http://a/1\n",
            { { "http://a/1", "" } } },
        { "asf reference file", PlaylistFormat::Pls,
            "[Reference]\r\nRef1=http://a/wm?MSWMExt=.asf\r\nRef2=http://b/wm\r\n",
            { { "http://a/wm?MSWMExt=.asf", "" }, { "http://b/wm", "" } } },
        { "m3u with EXTINF, comments, blank lines and relative entries", PlaylistFormat::M3u,
            "#EXTM3U\r\n#EXTINF:-1,Radio Un\r\nhttp://a/1\r\n\r\n# a comment\r\n"
            "  sub/flux.mp3  \r\n#EXTINF:-1 tvg-id=\"x\",Trois\n../trois.ogg\n",
            { { "http://a/1", "Radio Un" }, { "sub/flux.mp3", "" }, { "../trois.ogg", "Trois" } } },
        { "m3u8 with media playlist tags is HLS, not a list", PlaylistFormat::M3u,
            "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nseg1.ts\n", {} },
        { "asx with tags and attributes in any case, entities and comments", PlaylistFormat::Asx,
            "<ASX version=\"3.0\">\r\n<Title>Liste</Title>\r\n"
            "<!-- <entry><ref href=\"http://commented/out\"/></entry> -->\r\n"
            "<Entry><TITLE>Un</TITLE><REF HREF=\"mms://a/1?x=1&amp;y=2\" /></Entry>\r\n"
            "<entry><ref href='http://b/2'/><Ref Href = http://c/3 ></entry>\r\n"
            "<ENTRYREF HREF=\"http://d/liste.asx\"/></asx>",
            { { "mms://a/1?x=1&y=2", "Un" }, { "http://b/2", "" }, { "http://c/3", "" },
                { "http://d/liste.asx", "" } } },
        { "xspf locations with titles, CDATA and character references", PlaylistFormat::Xspf,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\"><title>Tout</title>"
            "<trackList><track><title>Caf&#233;</title>"
            "<location>http://a/1?p=1&amp;q=2</location></track>"
            "<track><location><![CDATA[http://b/2?r&s]]></location></track>"
            "<track><title>vide</title></track></trackList></playlist>",
            { { "http://a/1?p=1&q=2", "Caf\xC3\xA9" }, { "http://b/2?r&s", "" } } },
        { "not a playlist", PlaylistFormat::None, "[playlist]\nFile1=http://a/1\n", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParsePlaylist(c.text, c.format), c.expected) << c.what;
}

TEST(PlaylistTest, detectsFormatFromAddressContentTypeAndContent)
{
    using F = PlaylistFormat;
    struct AddressCase {
        const char* address;
        F expected;
    };
    for (const AddressCase& c : std::vector<AddressCase> {
             { "http://radio.example/listen.PLS", F::Pls },
             { "http://radio.example/live.m3u?sid=1#x", F::M3u },
             { "https://cdn.example/hls/master.m3u8", F::M3u },
             { "/home/x/Radios/liste.asx", F::Asx },
             { "relative/list.xspf", F::Xspf },
             { "http://radio.example:8000/stream.mp3", F::None },
             { "http://radio.example:8000/;stream.nsv", F::None },
             { "http://radio.example.pls", F::None },
             { "http://radio.example/get?file=a.pls", F::None },
         })
        EXPECT_EQ(PlaylistFormatFromAddress(c.address), c.expected) << c.address;

    struct TypeCase {
        const char* type;
        F expected;
    };
    for (const TypeCase& c : std::vector<TypeCase> {
             { "audio/x-scpls", F::Pls },
             { "Audio/X-MpegURL; charset=utf-8", F::M3u },
             { "application/vnd.apple.mpegurl", F::M3u },
             { "video/x-ms-asx", F::Asx },
             { "application/xspf+xml", F::Xspf },
             { "audio/mpeg", F::None },
             { "text/plain", F::None },
         })
        EXPECT_EQ(PlaylistFormatFromContentType(c.type), c.expected) << c.type;

    struct SniffCase {
        const char* what;
        std::string text;
        F expected;
    };
    for (const SniffCase& c : std::vector<SniffCase> {
             { "pls after BOM and blank lines", "\xEF\xBB\xBF\r\n[Playlist]\r\nFile1=x\r\n",
                 F::Pls },
             { "extended m3u", "#EXTM3U\n#EXTINF:-1,A\nhttp://a/1\n", F::M3u },
             { "hls", "#EXTM3U\n#EXTINF:4,\nseg.ts\n#EXT-X-ENDLIST\n", F::Hls },
             { "bare address list", "http://a/1\r\nhttp://b/2\r\n", F::M3u },
             { "asx after an xml declaration", "<?xml version=\"1.0\"?>\n<ASX><entry/></ASX>",
                 F::Asx },
             { "xspf", "<?xml version=\"1.0\"?><playlist xmlns=\"http://xspf.org/ns/0/\"/>",
                 F::Xspf },
             { "html error page", "<html><body>Not found</body></html>", F::None },
             { "mp3 data", std::string("ID3\x03\x00\x00\x00\x00\x00\x00\xFF\xFB", 12), F::None },
             { "plain words", "Error 404\n", F::None },
         })
        EXPECT_EQ(SniffPlaylistFormat(c.text), c.expected) << c.what;
}

TEST(PlaylistTest, normalizesStationLinks)
{
    struct Case {
        const char* link;
        const char* htmlDir;
        const char* expected;
    };
    for (const Case& c : std::vector<Case> {
             { "  http://radio.example/flux \r\n", "/opt/snt/html/", "http://radio.example/flux" },
             { "MMS://wm.example/live", "/opt/snt/html/", "http://wm.example/live" },
             { "mmsh://wm.example/live", "", "http://wm.example/live" },
             { "file:///srv/a.mp3", "/opt/snt/html/", "file:///srv/a.mp3" },
             { "/srv/radio.m3u", "/opt/snt/html/", "/srv/radio.m3u" },
             { "radios\\locale.m3u", "/opt/snt/html", "/opt/snt/html/radios/locale.m3u" },
             { "C:\\radios\\a.pls", "/opt/snt/html/", "/opt/snt/html/C:/radios/a.pls" },
             { "   ", "/opt/snt/html/", "" },
         })
        EXPECT_EQ(NormalizeStreamLink(c.link, c.htmlDir), c.expected) << c.link;
}

} // namespace
