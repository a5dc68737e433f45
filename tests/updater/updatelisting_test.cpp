#include "common/updatelisting.h"

#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

TEST(Checksum, writesCrc32InLowerCaseHexWithoutLeadingZeros)
{
    TempDir dir;
    struct Case {
        std::string content;
        std::string checksum;
    };
    const std::vector<Case> cases = {
        { "123456789", "cbf43926" },
        { "", "0" },
        { "a", "e8b7be43" },
        // A checksum with leading zeros: 0x001685f0 is written without them.
        { "x31", "1685f0" },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteTextFile(dir.path() + "f", c.content));
        EXPECT_EQ(ChecksumText(dir.path() + "f"), c.checksum) << c.content;
    }
    // A file of several read pieces gives the checksum of the whole.
    std::string big(3 * 1024 * 1024 + 17, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4099)
        big[i] = static_cast<char>(i);
    ASSERT_TRUE(WriteTextFile(dir.path() + "big", big));
    const std::string whole = ChecksumText(dir.path() + "big");
    EXPECT_NE(whole, "0");
    big[2 * 1024 * 1024] ^= 1;
    ASSERT_TRUE(WriteTextFile(dir.path() + "big", big));
    EXPECT_NE(ChecksumText(dir.path() + "big"), whole);

    // Missing, unreadable or not a file: "0".
    EXPECT_EQ(ChecksumText(dir.path() + "absent"), "0");
    EXPECT_EQ(ChecksumText(dir.path()), "0");
}

TEST(LocalListing, listsFilesLowerCasedWithoutFolders)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.path() + "Radio.htm", "123456789"));
    ASSERT_TRUE(WriteTextFile(dir.path() + "b.txt", "a"));
    ::mkdir((dir.path() + "logo").c_str(), 0755);
    ASSERT_TRUE(WriteTextFile(dir.path() + "logo/x.jpg", "a"));
    const std::vector<LocalFile> files = ListLocalDirectory(dir.path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, "radio.htm");
    EXPECT_EQ(files[0].checksum, "cbf43926");
    EXPECT_EQ(files[1].name, "b.txt");
    EXPECT_TRUE(ListLocalDirectory(dir.path() + "absent/").empty());
}

TEST(RemoteListing, readsItemsOnOneOrSeveralLines)
{
    const std::vector<RemoteFile> files = ParseRemoteListing(
        "<html><ul><LI>Radio.htm | 1999 || cbf43926</LI><li>b.txt | 12 || 0</li>\r\n"
        "<li>\r\nlogo c.jpg | 999 || ABC\r\n</li>\r\n"
        "<li>sans-taille</li><li>x.htm | 5 || 1</ul>");
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0].name, "Radio.htm");
    EXPECT_EQ(files[0].size, "1999");
    EXPECT_EQ(files[0].checksum, "cbf43926");
    EXPECT_EQ(files[1].name, "b.txt");
    EXPECT_EQ(files[2].name, "logo c.jpg");
    EXPECT_EQ(files[2].checksum, "ABC");
    // An item without its fields is kept as malformed; one without its
    // closing tag ends the listing.
    EXPECT_EQ(files[3].name, "sans-taille");
    EXPECT_FALSE(files[3].wellFormed);
    EXPECT_TRUE(ParseRemoteListing("rien").empty());
}

TEST(Plan, plansNewAndChangedFilesWithKilobyteTotals)
{
    const std::vector<LocalFile> local = {
        { "radio.htm", "cbf43926" },
        { "same.jpg", "abc" },
        { "changed.jpg", "abc" },
    };
    const std::vector<RemoteFile> remote = {
        // Matched without regard to case, same checksum: not planned.
        { "Radio.htm", "5000", "cbf43926" },
        // An upper-case checksum never equals the local text.
        { "same.jpg", "1999", "ABC" },
        { "changed.jpg", "999", "abd" },
        { "new.htm", "nombre", "1" },
        // Never from a server folder.
        { "version.txt", "10", "1" },
        { "Haut.htm", "10", "1" },
        { "versions.txt", "10", "1" },
    };
    const DownloadList plan = PlanDownloads(local, remote);
    EXPECT_EQ(plan.files, (std::vector<std::string> { "same.jpg", "changed.jpg", "new.htm" }));
    EXPECT_EQ(plan.kilobytes, (std::vector<int> { 1, 0, 0 }));
    EXPECT_EQ(plan.totalKilobytes, 1);
    EXPECT_TRUE(plan.refused.empty());

    // A missing local folder plans everything that may be planned.
    EXPECT_EQ(PlanDownloads({}, remote).files.size(), 4u);
}

TEST(Plan, refusesNamesOutsideTheFolder)
{
    std::vector<RemoteFile> remote = {
        { "../x", "10", "1" },
        { "a/b.htm", "10", "1" },
        { "a\\b.htm", "10", "1" },
        { "", "10", "1" },
        { "..", "10", "1" },
        { "ok.htm", "10", "1" },
    };
    remote.push_back({ "sans-taille", "", "", false });
    const DownloadList plan = PlanDownloads({}, remote);
    EXPECT_EQ(plan.files, std::vector<std::string> { "ok.htm" });
    EXPECT_EQ(plan.refused,
        (std::vector<std::string> { "../x", "a/b.htm", "a\\b.htm", "", "..", "sans-taille" }));
    EXPECT_FALSE(IsSafeRemoteName("radio..htm"));
    EXPECT_TRUE(IsSafeRemoteName("Radio Nova.htm"));
    EXPECT_FALSE(IsSafeRemoteName("a\nb"));
}

TEST(Plan, sizesInKilobytes)
{
    EXPECT_EQ(SizeInKilobytes("1999"), 1);
    EXPECT_EQ(SizeInKilobytes("999"), 0);
    EXPECT_EQ(SizeInKilobytes("1500"), 1);
    EXPECT_EQ(SizeInKilobytes("2500"), 2);
    EXPECT_EQ(SizeInKilobytes("abc"), 0); // taken as 5 bytes
    EXPECT_EQ(SizeInKilobytes("12000xyz"), 12);
    EXPECT_EQ(SizeInKilobytes("99999999999999999999"), 1000000);
}

TEST(Listing, publishedListingPlansNothingAgainstTheSameFolder)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.path() + "Radio Nova.htm", "<html>nova</html>"));
    ASSERT_TRUE(WriteTextFile(dir.path() + "b.txt", "123456789"));
    ASSERT_TRUE(WriteTextFile(dir.path() + "bad | name.htm", "x"));
    ASSERT_TRUE(WriteTextFile(dir.path() + "listfiles.php", "old"));
    std::vector<std::string> skipped;
    const std::string listing = MakeListing(dir.path(), &skipped, { "listfiles.php" });
    EXPECT_EQ(listing,
        "<li>Radio Nova.htm | 17 || " + ChecksumText(dir.path() + "Radio Nova.htm")
            + "</li>\n<li>b.txt | 9 || cbf43926</li>\n");
    EXPECT_EQ(skipped, std::vector<std::string> { "bad | name.htm" });

    const std::vector<RemoteFile> remote = ParseRemoteListing(listing);
    ASSERT_EQ(remote.size(), 2u);
    EXPECT_TRUE(PlanDownloads(ListLocalDirectory(dir.path()), remote).files.empty());
}

} // namespace
