#include "catalogue/skinmanagerdialog.h"

#include <filesystem>
#include <sys/stat.h>

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "catalogue/cataloguetexts.h"
#include "cataloguefixture.h"
#include "common/textfile.h"
#include "common/ui/picture.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"

namespace {

class SkinManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteTextFile(html() + "index.htm", "old index");
        WriteTextFile(html() + "bas.css", "old bas");
        WriteTextFile(html() + "haut.css", "old haut");
        skin("Bleu",
            "Nom=Skin Bleu\r\nPreview=apercu.jpg\r\nHauteur=300\r\nLargeur=260\r\n"
            "Couleur du skin=200\r\nAuteur=L'\xE9quipe\r\n",
            true);
        skin("Clair", "Nom=Skin Clair\r\nPreview=apercu.jpg\r\nAuteur=Moi\r\n", true);
        skin("Incomplet", "Nom=Skin Incomplet\r\nPreview=apercu.jpg\r\n", false);
        skin("SansApercu", "Nom=Skin Sans\r\n", true);
        std::filesystem::create_directories(html() + "Skins/Vide");
        m_settings.width = 251;
        m_settings.height = 288;
        m_settings.skinHue = 96;
        m_settings.appearanceName = "skin clair";
    }

    const std::string& html() const { return m_dir.path(); }

    void skin(const std::string& dir, const std::string& description, bool complete)
    {
        const std::string path = html() + "Skins/" + dir + "/";
        std::filesystem::create_directories(path);
        WriteTextFile(path + "skin.ini", "[Skin Snt]\r\n" + description);
        WriteTextFile(path + "index.htm", dir + " index");
        WriteTextFile(path + "haut.css", dir + " haut");
        if (complete)
            WriteTextFile(path + "bas.css", dir + " bas");
        // A PNG under a ".jpg" name: the content decides.
        QImage preview(40, 30, QImage::Format_RGB32);
        preview.fill(Qt::red);
        preview.save(QString::fromStdString(path + "apercu.jpg"), "PNG");
    }

    testsupport::TempDir m_dir { "sonalto-skins" };
    Settings m_settings;
    ScriptedPrompt m_prompt;
};

TEST_F(SkinManagerTest, listsDescribedAppearancesOnly)
{
    const std::vector<Appearance> list = ListAppearances(html());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Skin Bleu");
    EXPECT_EQ(list[0].width, 260);
    EXPECT_EQ(list[0].author, "L'\xE9quipe");
    EXPECT_EQ(list[1].dir, "Clair");
    EXPECT_FALSE(list[1].height.has_value());
    EXPECT_EQ(list[2].name, "Skin Incomplet");
    EXPECT_TRUE(ListAppearances(html() + "nowhere/").empty());

    // The current name is looked for from the second entry round to the first.
    EXPECT_EQ(CurrentAppearanceIndex(list, "SKIN"), 1);
    EXPECT_EQ(CurrentAppearanceIndex(list, "skin bleu"), 0);
    EXPECT_EQ(CurrentAppearanceIndex(list, "Skin Standard"), -1);
}

TEST_F(SkinManagerTest, installCopiesTheThreeFilesAndTakesTheSettings)
{
    const std::vector<Appearance> list = ListAppearances(html());
    ASSERT_TRUE(InstallAppearance(html(), list[0], m_settings, m_prompt));
    EXPECT_EQ(ReadTextFile(html() + "index.htm"), "Bleu index");
    EXPECT_EQ(ReadTextFile(html() + "bas.css"), "Bleu bas");
    EXPECT_EQ(ReadTextFile(html() + "haut.css"), "Bleu haut");
    EXPECT_EQ(m_settings.width, 260);
    EXPECT_EQ(m_settings.height, 300);
    EXPECT_EQ(m_settings.skinHue, 200);
    EXPECT_EQ(m_settings.appearanceName, "Skin Bleu");

    // Without size or hue, the window keeps its own.
    ASSERT_TRUE(InstallAppearance(html(), list[1], m_settings, m_prompt));
    EXPECT_EQ(m_settings.width, 260);
    EXPECT_EQ(m_settings.skinHue, 200);
    EXPECT_EQ(m_settings.appearanceName, "Skin Clair");
    EXPECT_TRUE(m_prompt.shown.empty());
}

TEST_F(SkinManagerTest, incompleteOrUnreadableAppearanceChangesNothing)
{
    const std::vector<Appearance> list = ListAppearances(html());
    EXPECT_FALSE(InstallAppearance(html(), list[2], m_settings, m_prompt));

    // Every file there, one of them unreadable to the listener.
    ASSERT_EQ(::chmod(html().c_str(), 0777), 0);
    ASSERT_EQ(::chmod((html() + "Skins/Bleu/bas.css").c_str(), 0), 0);
    bool installed = true;
    {
        AsOrdinaryUser listener;
        installed = InstallAppearance(html(), list[0], m_settings, m_prompt);
    }
    EXPECT_FALSE(installed);

    EXPECT_EQ(ReadTextFile(html() + "index.htm"), "old index");
    EXPECT_EQ(ReadTextFile(html() + "bas.css"), "old bas");
    EXPECT_EQ(ReadTextFile(html() + "haut.css"), "old haut");
    EXPECT_EQ(m_settings.appearanceName, "skin clair");
    EXPECT_EQ(m_settings.width, 251);
    ASSERT_EQ(m_prompt.shown.size(), 2u);
    for (const auto& shown : m_prompt.shown) {
        EXPECT_EQ(shown.text, catalogue_texts::kSkinIncomplete);
        EXPECT_EQ(shown.title, "Erreur");
    }
}

TEST_F(SkinManagerTest, picturesDecodeByContentAndStretch)
{
    PictureHolder holder;
    const QImage* picture = LoadPictureFile(html() + "Skins/Bleu/apercu.jpg", holder);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(40, 30));
    const QImage scaled = ScaleBitmap(*picture, 100, 20);
    EXPECT_EQ(scaled.size(), QSize(100, 20));
    EXPECT_EQ(scaled.pixelColor(50, 10), QColor(Qt::red));
    EXPECT_EQ(picture->size(), QSize(40, 30));

    // Not a picture: nothing, and the holder lets its last picture go.
    EXPECT_EQ(LoadPictureFile(html() + "Skins/Bleu/skin.ini", holder), nullptr);
    EXPECT_TRUE(holder.isNull());
    EXPECT_EQ(LoadPictureFile(html() + "missing.jpg", holder), nullptr);
    EXPECT_TRUE(ScaleBitmap(QImage(), 10, 10).isNull());
}

TEST_F(SkinManagerTest, dialogPreviewsTheCurrentAppearanceAndInstalls)
{
    SkinManagerDialog dialog(html(), m_settings, nullptr, &m_prompt);
    dialog.show();
    auto* list = dialog.findChild<QListWidget*>("appearanceList");
    auto* preview = dialog.findChild<QLabel*>("preview");
    auto* caption = dialog.findChild<QLabel*>("caption");
    ASSERT_TRUE(list && preview && caption);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(caption->text(), QStringLiteral("Moi"));
    EXPECT_EQ(preview->pixmap().size(), preview->contentsRect().size());

    list->setCurrentRow(0);
    EXPECT_EQ(caption->text(), QString::fromUtf8("L'équipe"));
    QTest::mouseClick(dialog.findChild<QPushButton*>("install"), Qt::LeftButton);
    EXPECT_TRUE(dialog.installed());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_settings.appearanceName, "Skin Bleu");
}

TEST_F(SkinManagerTest, dialogWithoutMatchSelectsNothing)
{
    m_settings.appearanceName = "Skin Standard";
    // An author written as markup is shown as written.
    skin("Clair", "Nom=Skin Clair\r\nPreview=apercu.jpg\r\nAuteur=<b>Moi</b>\r\n", true);
    SkinManagerDialog dialog(html(), m_settings, nullptr, &m_prompt);
    // Shown and given the focus, as a listener opens it: the list makes its
    // first row current, which selects nothing.
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* list = dialog.findChild<QListWidget*>("appearanceList");
    list->setFocus();
    ASSERT_EQ(list->currentRow(), 0);
    auto* preview = dialog.findChild<QLabel*>("preview");
    auto* caption = dialog.findChild<QLabel*>("caption");
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_TRUE(preview->pixmap().isNull());
    EXPECT_EQ(caption->text(), QString::fromUtf8("Prévisualisation"));
    QTest::mouseClick(dialog.findChild<QPushButton*>("install"), Qt::LeftButton);
    EXPECT_FALSE(dialog.installed());
    EXPECT_EQ(ReadTextFile(html() + "index.htm"), "old index");

    SkinManagerDialog again(html(), m_settings, nullptr, &m_prompt);
    again.show();
    auto* againList = again.findChild<QListWidget*>("appearanceList");
    againList->item(1)->setSelected(true);
    auto* againCaption = again.findChild<QLabel*>("caption");
    EXPECT_EQ(againCaption->text(), QStringLiteral("<b>Moi</b>"));
    // Drawn with its marks, not as a bold "Moi".
    EXPECT_GE(againCaption->sizeHint().width(),
        againCaption->fontMetrics().horizontalAdvance(QStringLiteral("<b>Moi</b>")));
}

} // namespace
