#include "catalogue/aboutdialog.h"

#include <QLabel>

#include <gtest/gtest.h>

#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

TEST(About, versionTextsComeFromTheVersionFile)
{
    struct Case {
        const char* file; // nullptr: no versions.txt
        const char* software;
        const char* stations;
    };
    const Case cases[] = {
        { "[Version Soft]\r\nVersion=2.0\r\nDate=01/05/04\r\nComment=Nouveau\\nlecteur\r\n"
          "[Version Liste Radio]\r\nVersion=1.7\r\nDate=12/04/04\r\nComment=\r\n",
            "version 2.0 du 01/05/04", "version 1.7 du 12/04/04" },
        { "[Version Soft]\r\nVersion=\r\nDate=01/05/04\r\n[Version Liste Radio]\r\nVersion=3\r\n",
            "Introuvable", "version 3 du " },
        { nullptr, "Introuvable", "Introuvable" },
    };
    for (const Case& c : cases) {
        testsupport::TempDir install("sonalto-about");
        if (c.file)
            WriteTextFile(install.path() + "versions.txt", c.file);
        Settings settings;
        settings.appearanceName = "Skin Standard";
        const AboutTexts texts = ReadAboutTexts(install.path(), settings);
        EXPECT_EQ(texts.software, c.software);
        EXPECT_EQ(texts.stationList, c.stations);
        EXPECT_EQ(texts.appearance, "Skin Standard");
    }
}

TEST(About, dialogShowsTheThreeTexts)
{
    AboutDialog dialog({ "version 2.0 du 01/05/04", "Introuvable", "Skin \xC9t\xE9" });
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("A Propos..."));
    EXPECT_EQ(dialog.findChild<QLabel*>("softwareVersion")->text(),
        QStringLiteral("version 2.0 du 01/05/04"));
    EXPECT_EQ(
        dialog.findChild<QLabel*>("stationListVersion")->text(), QStringLiteral("Introuvable"));
    EXPECT_EQ(dialog.findChild<QLabel*>("appearanceName")->text(), QString::fromUtf8("Skin Été"));

    // A version text from the update server that reads as markup is drawn
    // with its marks, not as a bold or hidden text.
    AboutDialog marked({ "<b>version</b> 2.1", "<!-- 3.0 -->", "Skin" });
    for (const char* name : { "softwareVersion", "stationListVersion" }) {
        auto* label = marked.findChild<QLabel*>(name);
        EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(label->text()))
            << name;
    }
}

} // namespace
