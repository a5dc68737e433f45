#include "common/updateversions.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/profile.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

std::string ServerList(int filled, int emptyAt = -1, int extra = 0)
{
    std::string text = "[Liste des URLs d'update]\r\n";
    for (int i = 0; i < filled + extra; ++i) {
        const std::string value = i == emptyAt ? "" : "http://maj" + std::to_string(i) + ".example";
        text += "URL" + std::to_string(i) + "=" + value + "\r\n";
    }
    return text;
}

std::set<std::string> Servers(const ServerTable& table)
{
    return { table.servers.begin(), table.servers.begin() + table.count };
}

std::set<std::string> Expected(std::vector<int> indexes)
{
    std::set<std::string> servers;
    for (int i : indexes)
        servers.insert("http://maj" + std::to_string(i) + ".example");
    return servers;
}

TEST(ServerList, readsUpToFirstEmptyKeyAtMostTen)
{
    ServerTable table;
    // URL0..URL2, then an empty URL3 before URL4..URL6: three servers.
    ASSERT_TRUE(ReadServerListText(ServerList(3, 3, 4), table, 1));
    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(Servers(table), Expected({ 0, 1, 2 }));

    // URL0..URL10 filled: URL10 is never read.
    ASSERT_TRUE(ReadServerListText(ServerList(11), table, 2));
    EXPECT_EQ(table.count, 10);
    EXPECT_EQ(Servers(table), Expected({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 }));

    // URL0..URL8 and an empty URL9: nine.
    ASSERT_TRUE(ReadServerListText(ServerList(9, 9, 1), table, 3));
    EXPECT_EQ(table.count, 9);
    EXPECT_EQ(Servers(table), Expected({ 0, 1, 2, 3, 4, 5, 6, 7, 8 }));
}

TEST(ServerList, noServerWhenFirstKeyEmptyOrFileMissing)
{
    ServerTable table;
    EXPECT_FALSE(ReadServerListText(ServerList(3, 0), table, 1));
    EXPECT_EQ(table.count, 0);
    EXPECT_FALSE(ReadServerListText("[Autre]\r\nURL0=http://a\r\n", table, 1));
    TempDir dir;
    EXPECT_FALSE(ReadServerList(dir.path(), table, 1));
}

TEST(ServerList, orderIsShuffledBySeed)
{
    // Every seed places all ten in distinct slots; some seeds differ in order.
    std::set<std::vector<std::string>> orders;
    for (std::uint32_t seed = 0; seed < 20; ++seed) {
        ServerTable table;
        ASSERT_TRUE(ReadServerListText(ServerList(10), table, seed));
        EXPECT_EQ(Servers(table).size(), 10u);
        orders.insert({ table.servers.begin(), table.servers.end() });
    }
    EXPECT_GT(orders.size(), 1u);
}

LocalDates Dates(const std::string& software, const std::string& stationList)
{
    return { *ParseUpdateDate(software), *ParseUpdateDate(stationList) };
}

std::string RemoteFile(const std::string& softDate, const std::string& listDate,
    const std::string& softComment = "Nouvelle version", const std::string& listComment = "Radios")
{
    // As FetchText gives it: every line followed by CR LF.
    return "[Version Soft]\r\nVersion=1.3\r\nDate=" + softDate + "\r\nComment=" + softComment
        + "\r\n[Version Liste Radio]\r\nVersion=2.7\r\nDate=" + listDate
        + "\r\nComment=" + listComment + "\r\n";
}

TEST(VersionCheck, comparesDatesAsCalendarDays)
{
    VersionCheck check;
    // 15/3/05 and 15/03/05 are the same day; 31/12/05 is before 1/1/06.
    ASSERT_TRUE(
        ParseRemoteVersions(RemoteFile("15/03/05", "1/1/06"), Dates("15/3/05", "31/12/05"), check));
    EXPECT_FALSE(check.softwareUpdate);
    EXPECT_TRUE(check.stationListUpdate);
    EXPECT_EQ(check.remote.softwareVersion, "1.3");
    EXPECT_EQ(check.remote.softwareDate, "15/03/05");
    EXPECT_EQ(check.remote.stationListVersion, "2.7");
    EXPECT_EQ(check.remote.stationListDate, "1/1/06");

    // An earlier remote date offers nothing; versions are not compared.
    ASSERT_TRUE(ParseRemoteVersions(
        RemoteFile("14/03/05", "31/12/05"), Dates("15/3/05", "31/12/05"), check));
    EXPECT_FALSE(check.softwareUpdate);
    EXPECT_FALSE(check.stationListUpdate);

    // A missing local file counts as 1 January 1971; a remote date that
    // cannot be read offers nothing.
    const LocalDates none { OldestUpdateDate(), OldestUpdateDate() };
    ASSERT_TRUE(ParseRemoteVersions(RemoteFile("bientôt", ""), none, check));
    EXPECT_FALSE(check.softwareUpdate);
    EXPECT_FALSE(check.stationListUpdate);
    ASSERT_TRUE(ParseRemoteVersions(RemoteFile("2/1/71", "1/1/00"), none, check));
    EXPECT_TRUE(check.softwareUpdate);
    EXPECT_TRUE(check.stationListUpdate);
}

TEST(VersionCheck, cutsSectionsAndComments)
{
    const LocalDates old = Dates("1/1/01", "1/1/01");
    VersionCheck check;
    // Quoted comments lose their quotes; one that only opens with a quote
    // keeps it. Markers are found in any case.
    ASSERT_TRUE(ParseRemoteVersions(
        "[Version Soft]\r\nversion=1.3\r\nDATE=2/2/05\r\ncomment=\"Corrige\\nle son\"\r\n"
        "[Version Liste Radio]\r\nVersion=2.7\r\nDate=3/3/05\r\nComment=\"Dix radios\r\n",
        old, check));
    EXPECT_EQ(check.remote.softwareVersion, "1.3");
    EXPECT_EQ(check.remote.softwareComment, "Corrige\\nle son");
    EXPECT_EQ(check.remote.stationListComment, "\"Dix radios");
    EXPECT_TRUE(check.softwareUpdate);

    // Sections in the wrong order, a section name in another case, or a
    // missing version: not a usable file.
    const std::string swapped = "[Version Liste Radio]\r\nVersion=2.7\r\nDate=3/3/05\r\n"
                                "Comment=x\r\n[Version Soft]\r\nVersion=1.3\r\nDate=2/2/05\r\n"
                                "Comment=y\r\n";
    EXPECT_FALSE(ParseRemoteVersions(swapped, old, check));
    EXPECT_FALSE(ParseRemoteVersions(
        "[version soft]\r\nVersion=1.3\r\nDate=2/2/05\r\nComment=y\r\n[Version Liste Radio]\r\n"
        "Version=2.7\r\nDate=3/3/05\r\nComment=x\r\n",
        old, check));
    EXPECT_FALSE(ParseRemoteVersions(
        "[Version Soft]\r\nDate=2/2/05\r\nComment=y\r\n[Version Liste Radio]\r\n"
        "Version=2.7\r\nDate=3/3/05\r\nComment=x\r\n",
        old, check));
    EXPECT_FALSE(ParseRemoteVersions("", old, check));
    // The station list's values never come from the software section.
    EXPECT_FALSE(ParseRemoteVersions(
        "[Version Soft]\r\nVersion=1.3\r\nDate=2/2/05\r\nComment=y\r\n[Version Liste Radio]\r\n"
        "Date=3/3/05\r\n",
        old, check));
}

TEST(VersionCheck, checkServerReadsLocalDatesAndRemoteFile)
{
    TempDir install;
    TempDir site;
    ASSERT_TRUE(WriteTextFile(site.path() + "versions.txt",
        "[Version Soft]\nVersion=1.3\nDate=15/03/26\nComment=\"Nouveau\"\n"
        "[Version Liste Radio]\nVersion=2.7\nDate=1/1/26\nComment=Radios\n"));
    ASSERT_TRUE(WriteTextFile(install.path() + "versions.txt",
        "[Version Soft]\r\nVersion=1.2\r\nDate=14/3/26\r\n"
        "[Version Liste Radio]\r\nVersion=2.7\r\nDate=1/1/26\r\n"));
    testsupport::HttpServer server;
    ASSERT_TRUE(server.start(site.path()));

    VersionCheck check;
    ASSERT_TRUE(CheckServer(server.url(""), install.path(), check));
    EXPECT_TRUE(check.softwareUpdate);
    EXPECT_FALSE(check.stationListUpdate);
    EXPECT_EQ(check.remote.softwareVersion, "1.3");
    EXPECT_EQ(check.remote.softwareComment, "Nouveau");
    // A server without the file, or none at all, is skipped.
    EXPECT_FALSE(CheckServer(server.url("/ailleurs"), install.path(), check));
    server.stop();
    EXPECT_FALSE(CheckServer("http://127.0.0.1:9", install.path(), check));
}

TEST(UpdaterFiles, settingsDefaultsAndWrites)
{
    TempDir install;
    UpdaterSettings settings = ReadUpdaterSettings(install.path());
    EXPECT_EQ(settings.htmlDir, install.path() + "html/");
    EXPECT_FALSE(settings.skin);
    EXPECT_EQ(settings.skinHue, 96);

    ASSERT_TRUE(WriteTextFile(install.path() + "Sonalto.ini",
        "[Sonalto]\r\nPath HTML=/srv/pages\r\nSkin=TRUE\r\nCouleur du skin=0\r\nUpdates=True\r\n"));
    settings = ReadUpdaterSettings(install.path());
    EXPECT_EQ(settings.htmlDir, "/srv/pages/");
    EXPECT_TRUE(settings.skin);
    EXPECT_EQ(settings.skinHue, 96);

    // The date goes in without touching the other keys.
    std::tm day {};
    day.tm_mday = 5;
    day.tm_mon = 2;
    day.tm_year = 104;
    day.tm_hour = 12;
    day.tm_isdst = -1;
    ASSERT_TRUE(WriteLastUpdate(install.path(), std::mktime(&day)));
    Profile ini;
    ASSERT_TRUE(ini.load(install.path() + "Sonalto.ini"));
    EXPECT_EQ(ini.get("Sonalto", "Derniere Update"), "05/03/04");
    EXPECT_EQ(ini.get("Sonalto", "Updates"), "True");

    // Only the selected sections are written; line feeds go back to "\n".
    RemoteVersions remote { "1.3", "15/03/26", "Deux\nlignes", "2.8", "1/4/26", "Radios" };
    ASSERT_TRUE(WriteTextFile(install.path() + "versions.txt",
        "[Version Soft]\r\nVersion=1.2\r\nDate=1/1/26\r\nComment=old\r\n"));
    ASSERT_TRUE(WriteLocalVersions(install.path(), remote, false, true));
    Profile versions;
    ASSERT_TRUE(versions.load(install.path() + "versions.txt"));
    EXPECT_EQ(versions.get("Version Soft", "Version"), "1.2");
    EXPECT_EQ(versions.get("Version Liste Radio", "Date"), "1/4/26");
    ASSERT_TRUE(WriteLocalVersions(install.path(), remote, true, false));
    ASSERT_TRUE(versions.load(install.path() + "versions.txt"));
    EXPECT_EQ(versions.get("Version Soft", "Comment"), "Deux\\nlignes");
    EXPECT_EQ(ReadLocalDates(install.path()).software, *ParseUpdateDate("15/3/26"));
    EXPECT_EQ(ExpandLineBreaks("a\\nb\\\\nc"), "a\nb\\\nc");
}

} // namespace
