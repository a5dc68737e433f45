#include "common/settings.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/profile.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

constexpr ScreenSize kScreen { 1024, 768 };
const std::string kStereoKey = "Mono/St\xE9r\xE9o";

std::time_t localTime(int year, int month, int day, int hour = 0, int minute = 0)
{
    std::tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// An installation directory of its own for each test, with its time zone
// put back afterwards.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.empty());
        const char* tz = std::getenv("TZ");
        m_hadTz = tz != nullptr;
        m_tz = tz ? tz : "";
    }
    void TearDown() override
    {
        if (m_hadTz)
            ::setenv("TZ", m_tz.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    static void useTimeZone(const char* tz)
    {
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    std::string path() const { return m_dir + kSettingsFileName; }
    void writeFile(const std::string& text) const { ASSERT_TRUE(WriteTextFile(path(), text)); }
    Settings load(const std::string& text) const
    {
        writeFile(text);
        Settings settings;
        EXPECT_TRUE(LoadSettings(settings, m_dir, kSettingsFileName, kScreen));
        return settings;
    }

    testsupport::TempDir m_install { "settings-test" };
    const std::string m_dir = m_install.path();

private:
    bool m_hadTz = false;
    std::string m_tz;
};

TEST_F(SettingsTest, missingFileLeavesTheRecordAlone)
{
    Settings settings;
    settings.height = 123;
    settings.appearanceName = "Mine";
    EXPECT_FALSE(LoadSettings(settings, m_dir, kSettingsFileName, kScreen));
    EXPECT_EQ(settings.height, 123);
    EXPECT_EQ(settings.appearanceName, "Mine");
}

// The updater run before the player's first start: the file stays missing,
// and the player starts with the missing file's values, not those of a file
// that lacks the keys ("Cacher TaskBar" true, "Sauve Derniere URL" false).
TEST_F(SettingsTest, updaterDateAloneCreatesNoFile)
{
    EXPECT_FALSE(SaveLastUpdate(m_dir, kSettingsFileName, std::time(nullptr)));
    EXPECT_FALSE(std::filesystem::exists(path()));
    Settings settings;
    if (!LoadSettings(settings, m_dir, kSettingsFileName, kScreen))
        ApplyDefaultSettings(settings, m_dir, kScreen);
    EXPECT_FALSE(settings.hideTaskbar);
    EXPECT_TRUE(settings.saveLastUrl);
    EXPECT_FALSE(settings.songNotifications);

    // Once the player wrote its file, the date goes in beside its keys.
    ASSERT_TRUE(SaveSettings(settings, m_dir, kSettingsFileName, ""));
    EXPECT_TRUE(SaveLastUpdate(m_dir, kSettingsFileName, std::time(nullptr)));
    Settings again;
    ASSERT_TRUE(LoadSettings(again, m_dir, kSettingsFileName, kScreen));
    EXPECT_FALSE(again.hideTaskbar);
    EXPECT_TRUE(again.saveLastUrl);
}

struct KeyCase {
    const char* what;
    std::string main; // lines of section "Sonalto"
    std::string recorder; // lines of section "Enregistreur HarddiskOgg"
    std::function<std::string(const Settings&)> field;
    std::string expected;
};

std::string number(std::int64_t n)
{
    return std::to_string(n);
}

std::string flag(bool b)
{
    return b ? "true" : "false";
}

TEST_F(SettingsTest, eachKeyReadsWithItsOwnRule)
{
    const auto height = [](const Settings& s) { return number(s.height); };
    const auto x = [](const Settings& s) { return number(s.positionX); };
    const auto y = [](const Settings& s) { return number(s.positionY); };
    const auto onTop = [](const Settings& s) { return flag(s.onTop); };
    const auto format = [](const Settings& s) { return number(s.formatIndex); };
    const auto pathRec = [](const Settings& s) { return s.pathRec; };
    const std::vector<KeyCase> cases = {
        { "height 0 takes the default", "Hauteur=0\r\n", "", height, "288" },
        { "height in letters takes the default", "Hauteur=abc\r\n", "", height, "288" },
        { "height reads its leading number", "Hauteur= 300px\r\n", "", height, "300" },
        { "height missing", "", "", height, "288" },
        { "negative X is centred", "Position X=-5\r\n", "", x, number((1024 - 251) / 2) },
        { "X beyond the screen is centred", "Position X=1025\r\n", "", x,
            number((1024 - 251) / 2) },
        { "X at the screen edge stays", "Position X=1024\r\n", "", x, "1024" },
        { "X of 0 stays", "Position X=0\r\n", "", x, "0" },
        { "unreadable X is 0", "Position X=left\r\n", "", x, "0" },
        { "centring uses the width read", "Largeur=400\r\nPosition X=-1\r\n", "", x,
            number((1024 - 400) / 2) },
        { "Y is checked against the height", "Hauteur=300\r\nPosition Y=769\r\n", "", y,
            number((768 - 300) / 2) },
        { "FALSE in capitals is false", "OnTop=FALSE\r\n", "", onTop, "false" },
        { "no is not false", "OnTop=no\r\n", "", onTop, "true" },
        { "missing OnTop is true", "", "", onTop, "true" },
        { "missing Cacher TaskBar is true", "", "",
            [](const Settings& s) { return flag(s.hideTaskbar); }, "true" },
        { "yes is not true", "Bouton Ecouter=yes\r\n", "",
            [](const Settings& s) { return flag(s.listenButton); }, "false" },
        { "TRUE in capitals is true", "Skin=TRUE\r\n", "",
            [](const Settings& s) { return flag(s.skin); }, "true" },
        { "missing Sauve Derniere URL is false", "", "",
            [](const Settings& s) { return flag(s.saveLastUrl); }, "false" },
        { "hue 0 takes the default", "Couleur du skin=0\r\n", "",
            [](const Settings& s) { return number(s.skinHue); }, "96" },
        { "refresh 0 takes the default", "Temps Rafraichissement=0\r\n", "",
            [](const Settings& s) { return number(s.refreshSeconds); }, "10" },
        { "recording folder under any case", "Path REC=/music/\r\n", "", pathRec, "/music/" },
        { "empty recording folder", "Path Rec=\r\n", "", pathRec, m_dir + "Record/" },
        { "empty appearance", "Nom apparence=\r\n", "",
            [](const Settings& s) { return s.appearanceName; }, "Skin Standard" },
        { "a long text keeps 259 bytes", "Path HTML=" + std::string(300, 'p') + "\r\n", "",
            [](const Settings& s) { return s.pathHtml; }, std::string(259, 'p') },
        { "format 0 reads back as 1", "", "Type de compression=0\r\n", format, "1" },
        { "format 2", "", "Type de compression=2\r\n", format, "2" },
        { "sample rate", "", "Taux d'echantillonnage=2\r\n",
            [](const Settings& s) { return number(s.sampleRateIndex); }, "2" },
        { "stereo key in Windows-1252", "", kStereoKey + "=True\r\n",
            [](const Settings& s) { return flag(s.stereo); }, "true" },
        { "empty base name", "", "Nom du fichier=\r\n",
            [](const Settings& s) { return s.recordBaseName; }, "RadioRec" },
    };
    for (const KeyCase& c : cases) {
        const Settings s
            = load("[Sonalto]\r\n" + c.main + "[Enregistreur HarddiskOgg]\r\n" + c.recorder);
        EXPECT_EQ(c.field(s), c.expected) << c.what;
    }
}

// The updater and the scheduler read these keys as the player does, each
// then applying its own defaults: nothing is added to what is stored.
TEST_F(SettingsTest, sharedKeysReadAsStored)
{
    SharedSettings shared;
    shared.pathHtml = "unchanged";
    EXPECT_FALSE(LoadSharedSettings(shared, m_dir, kSettingsFileName));
    EXPECT_EQ(shared.pathHtml, "unchanged");

    const struct {
        const char* text;
        const char* pathHtml;
        bool skin;
        std::int32_t hue;
    } cases[] = {
        { "Path HTML=/srv/pages\r\nSkin=TRUE\r\nCouleur du skin=0\r\n", "/srv/pages", true, 0 },
        { "Path HTML=\r\nSkin=oui\r\nCouleur du skin=bleu\r\n", "", false, 0 },
        { "Couleur du skin= 200 \r\n", "", false, 200 },
    };
    for (const auto& c : cases) {
        writeFile(std::string("[Sonalto]\r\n") + c.text);
        shared = SharedSettings { "stale", true, 7 };
        ASSERT_TRUE(LoadSharedSettings(shared, m_dir, kSettingsFileName)) << c.text;
        EXPECT_EQ(shared.pathHtml, c.pathHtml) << c.text;
        EXPECT_EQ(shared.skin, c.skin) << c.text;
        EXPECT_EQ(shared.skinHue, c.hue) << c.text;
        // The player reads the same stored values, a hue of 0 or none as 96.
        const Settings player = load(std::string("[Sonalto]\r\n") + c.text);
        EXPECT_EQ(player.pathHtml, c.pathHtml) << c.text;
        EXPECT_EQ(player.skinHue, c.hue == 0 ? 96 : c.hue) << c.text;
    }
}

TEST_F(SettingsTest, favouritesTakeCompletePairsPackedFromSlotZero)
{
    writeFile("[Favoris]\r\nFavorisName0=Fip\r\nFavorisHTML0=fip.htm\r\n"
              "FavorisName3=Sans page\r\nFavorisHTML3=\r\n"
              "FavorisHTML4=sans-nom.htm\r\n"
              "FavorisName5=Radio \xC9t\xE9\r\nFavorisHTML5=ete.htm\r\n"
              "FavorisName19=Last\r\nFavorisHTML19=last.htm\r\n"
              "FavorisName20=Beyond\r\nFavorisHTML20=beyond.htm\r\n");
    Settings s;
    s.favourites.names[4] = "stale";
    s.favourites.pages[4] = "stale.htm";
    ASSERT_TRUE(LoadSettings(s, m_dir, kSettingsFileName, kScreen));
    EXPECT_EQ(s.favourites.count, 3);
    const std::vector<std::string> names(
        s.favourites.names.begin(), s.favourites.names.begin() + 5);
    const std::vector<std::string> pages(
        s.favourites.pages.begin(), s.favourites.pages.begin() + 5);
    EXPECT_EQ(names, (std::vector<std::string> { "Fip", "Radio \xC9t\xE9", "Last", "", "" }));
    EXPECT_EQ(pages, (std::vector<std::string> { "fip.htm", "ete.htm", "last.htm", "", "" }));
}

TEST_F(SettingsTest, lastStationOnlyWhenAskedToKeepIt)
{
    Settings off = load("[Sonalto]\r\nSauve Derniere URL=False\r\nDerniere URL=/html/fip.htm\r\n");
    EXPECT_EQ(off.startPage, "");
    ASSERT_TRUE(SaveSettings(off, m_dir, kSettingsFileName, "/html/tsf.htm"));
    Profile written;
    ASSERT_TRUE(written.load(path()));
    EXPECT_TRUE(written.hasKey("Sonalto", "Derniere URL"));
    EXPECT_EQ(written.get("Sonalto", "Derniere URL", "missing"), "");

    Settings on = load("[Sonalto]\r\nSauve Derniere URL=true\r\nDerniere URL=/html/fip.htm\r\n");
    EXPECT_EQ(on.startPage, "/html/fip.htm");
    // What is written is the page playing now, not the one started with.
    ASSERT_TRUE(SaveSettings(on, m_dir, kSettingsFileName, "/html/tsf.htm"));
    ASSERT_TRUE(written.load(path()));
    EXPECT_EQ(written.get("Sonalto", "Derniere URL"), "/html/tsf.htm");
}

TEST_F(SettingsTest, saveWritesEveryKeyInItsFixedOrder)
{
    useTimeZone("UTC0");
    Settings s;
    ApplyDefaultSettings(s, "/opt/sonalto/", kScreen);
    s.lastUpdate = localTime(2004, 3, 5, 15, 30);
    s.pathHtml = "/opt/sonalto/html/";
    s.favourites.names[0] = "Fip";
    s.favourites.pages[0] = "fip.htm";
    s.favourites.names[1] = "not counted";
    s.favourites.count = 1;
    s.stereo = true;
    ASSERT_TRUE(SaveSettings(s, m_dir, kSettingsFileName, "/opt/sonalto/html/fip.htm"));

    std::string favourites;
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        favourites += "FavorisName" + n + "=" + (i == 0 ? "Fip" : "") + "\r\n";
        favourites += "FavorisHTML" + n + "=" + (i == 0 ? "fip.htm" : "") + "\r\n";
    }
    EXPECT_EQ(ReadTextFile(path()),
        "[Sonalto]\r\nHauteur=288\r\nLargeur=251\r\nMini-Hauteur=38\r\nMini-Largeur=178\r\n"
        "Position X=386\r\nPosition Y=240\r\nBouton Ecouter=False\r\nUpdates=True\r\n"
        "Derniere Update=05/03/04\r\nSplashscreen=True\r\nOnTop=True\r\nAssigner=True\r\n"
        "Cacher TaskBar=False\r\nTemps Rafraichissement=10\r\n"
        "Path HTML=/opt/sonalto/html/\r\nPath Rec=/opt/sonalto/Record/\r\n"
        "Sauve Derniere URL=True\r\nDerniere URL=/opt/sonalto/html/fip.htm\r\nSkin=False\r\n"
        "Couleur du skin=96\r\nNom apparence=Skin Standard\r\nMini Player=False\r\nNotifier "
        "Titres=False\r\nRecherche Pochettes=True\r\n"
        "Service Enregistrements=https://musicbrainz.org\r\n"
        "Service Pochettes=https://coverartarchive.org\r\n"
        "Recherche Boutique=https://bandcamp.com/search?item_type=t&q=\r\n"
        "[Favoris]\r\n"
            + favourites
            + "[Enregistreur HarddiskOgg]\r\n"
              "Copyright=Enregistreur HarddiskOgg de Sonalto\r\n"
              "Taux d'echantillonnage=0\r\nType de compression=1\r\nTaux de compression=0\r\n"
            + kStereoKey + "=True\r\nNom du fichier=RadioRec\r\nTitre par Titre=False\r\n");
}

TEST_F(SettingsTest, saveKeepsWhatItDoesNotOwn)
{
    writeFile(
        "; mes r\xE9glages\r\n[Sonalto]\r\nPath REC=/old/\r\nPlugin=1\r\n\r\n[Autre]\r\nk=v\r\n");
    Settings s;
    ApplyDefaultSettings(s, m_dir, kScreen);
    s.pathRec = "/new/";
    ASSERT_TRUE(SaveSettings(s, m_dir, kSettingsFileName, ""));
    const std::string text = ReadTextFile(path());
    EXPECT_EQ(
        text.rfind(
            "; mes r\xE9glages\r\n[Sonalto]\r\nPath REC=/new/\r\nPlugin=1\r\nHauteur=288\r\n", 0),
        0u)
        << text;
    EXPECT_EQ(text.find("Path Rec="), std::string::npos);
    EXPECT_NE(text.find("\r\n\r\n[Autre]\r\nk=v\r\n[Favoris]\r\n"), std::string::npos) << text;
}

TEST_F(SettingsTest, whatIsSavedLoadsBackTheSame)
{
    useTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
    Settings saved;
    ApplyDefaultSettings(saved, m_dir, kScreen);
    saved.height = 500;
    saved.width = 640;
    saved.miniHeight = 40;
    saved.miniWidth = 200;
    saved.positionX = 12;
    saved.positionY = 34;
    saved.listenButton = true;
    saved.updates = false;
    saved.lastUpdate = localTime(2024, 7, 14);
    saved.splashScreen = false;
    saved.onTop = false;
    saved.assignLogo = false;
    saved.hideTaskbar = true;
    saved.refreshSeconds = 30;
    saved.pathHtml = "/home/l\xE9o/html/";
    saved.pathRec = "/home/l\xE9o/Enregistrements/";
    saved.saveLastUrl = true;
    saved.skin = true;
    saved.skinHue = 200;
    saved.appearanceName = "Skin \xC9t\xE9";
    saved.miniPlayer = true;
    saved.favourites.names[0] = "France Inter";
    saved.favourites.pages[0] = "inter.htm";
    saved.favourites.count = 1;
    saved.sampleRateIndex = 2;
    saved.formatIndex = 2;
    saved.compressionIndex = 3;
    saved.stereo = true;
    saved.recordBaseName = "Concert";
    saved.recordBySong = true;
    ASSERT_TRUE(SaveSettings(saved, m_dir, kSettingsFileName, "/home/l\xE9o/html/inter.htm"));

    const std::string first = ReadTextFile(path());

    // Saving what was loaded writes the same bytes, into a fresh file.
    Settings loaded;
    ASSERT_TRUE(LoadSettings(loaded, m_dir, kSettingsFileName, kScreen));
    EXPECT_EQ(loaded.startPage, "/home/l\xE9o/html/inter.htm");
    ASSERT_TRUE(DeleteFile(path()));
    ASSERT_TRUE(SaveSettings(loaded, m_dir, kSettingsFileName, "/home/l\xE9o/html/inter.htm"));
    EXPECT_EQ(ReadTextFile(path()), first);
}

TEST_F(SettingsTest, datesAreDayMonthAndYearsFrom2000)
{
    struct FormatCase {
        const char* tz;
        std::time_t when;
        std::string text;
    };
    useTimeZone("UTC0");
    const std::vector<FormatCase> formats = {
        { "UTC0", localTime(2004, 3, 5, 15, 30), "05/03/04" },
        { "UTC0", localTime(1999, 12, 31), "31/12/-1" },
        { "UTC0", localTime(2100, 1, 2), "02/01/100" },
        { "UTC0", 0, "01/01/-30" },
        { "CET-1", 0, "01/01/-30" },
        { "EST5", 0, "31/12/-31" },
    };
    for (const FormatCase& c : formats) {
        useTimeZone(c.tz);
        EXPECT_EQ(FormatSettingsDate(c.when), c.text) << c.tz << " " << c.when;
    }

    useTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
    std::time_t when = 42;
    ASSERT_TRUE(ParseSettingsDate("05/03/04", when));
    EXPECT_EQ(when, localTime(2004, 3, 5));
    // Summer time is the system's to decide: midnight in July is UTC+2.
    ASSERT_TRUE(ParseSettingsDate("14/07/24", when));
    EXPECT_EQ(when, 1720908000);
    ASSERT_TRUE(ParseSettingsDate("01/01/-30", when));
    EXPECT_EQ(when, -3600);
    for (const std::string bad :
        { "", "05/03", "a/b/c", "05-03-04", "05/03/", "99/99/2147483647" }) {
        when = 42;
        EXPECT_FALSE(ParseSettingsDate(bad, when)) << bad;
        EXPECT_EQ(when, 42) << bad;
    }
}

TEST_F(SettingsTest, lastUpdateDateSurvivesTheUpdaterAndBadValues)
{
    useTimeZone("UTC0");
    // Missing and unreadable dates are time zero.
    for (const std::string line :
        { "", "Derniere Update=jamais\r\n", "Derniere Update=05/03\r\n" }) {
        Settings s;
        s.lastUpdate = 777;
        writeFile("[Sonalto]\r\n" + line);
        ASSERT_TRUE(LoadSettings(s, m_dir, kSettingsFileName, kScreen));
        EXPECT_EQ(s.lastUpdate, 0) << line;
    }

    // Time zero goes out as 1 January 1970 and comes back as that day's local
    // midnight, which east of UTC is before time zero.
    const std::vector<std::pair<const char*, std::time_t>> zones
        = { { "UTC0", 0 }, { "CET-1", -3600 } };
    for (const auto& [tz, back] : zones) {
        useTimeZone(tz);
        Settings zero;
        ApplyDefaultSettings(zero, m_dir, kScreen);
        DeleteFile(path());
        ASSERT_TRUE(SaveSettings(zero, m_dir, kSettingsFileName, ""));
        EXPECT_NE(
            ReadTextFile(path()).find("\r\nDerniere Update=01/01/-30\r\n"), std::string::npos);
        Settings loaded;
        ASSERT_TRUE(LoadSettings(loaded, m_dir, kSettingsFileName, kScreen));
        EXPECT_EQ(loaded.lastUpdate, back) << tz;
    }

    useTimeZone("UTC0");
    Settings s;

    // The updater writes a later date while the player runs: the player's
    // next save keeps it.
    s = load("[Sonalto]\r\nDerniere Update=01/01/20\r\n");
    EXPECT_EQ(s.lastUpdate, localTime(2020, 1, 1));
    Profile updater;
    ASSERT_TRUE(updater.load(path()));
    updater.set("Sonalto", "Derniere Update", "05/03/24");
    ASSERT_TRUE(updater.save(path()));
    ASSERT_TRUE(SaveSettings(s, m_dir, kSettingsFileName, ""));
    EXPECT_EQ(s.lastUpdate, localTime(2024, 3, 5));
    Profile written;
    ASSERT_TRUE(written.load(path()));
    EXPECT_EQ(written.get("Sonalto", "Derniere Update"), "05/03/24");

    // An older date in the file does not win over the record.
    s.lastUpdate = localTime(2025, 1, 2);
    ASSERT_TRUE(SaveSettings(s, m_dir, kSettingsFileName, ""));
    ASSERT_TRUE(written.load(path()));
    EXPECT_EQ(written.get("Sonalto", "Derniere Update"), "02/01/25");
}

} // namespace
