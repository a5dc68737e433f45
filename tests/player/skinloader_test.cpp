#include "common/ui/skinloader.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <QDialog>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/textfile.h"
#include "shownhue.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

class SkinLoaderTest : public ::testing::Test {
protected:
    // Each case starts with no look loaded.
    void SetUp() override { ReleaseSkin(); }
    void TearDown() override { ReleaseSkin(); }

    // An installation directory holding a copy of the built plug-in.
    std::string installWithPlugin()
    {
        std::filesystem::copy_file(std::string(SONALTO_INSTALL_TREE) + kSkinLibraryName,
            m_install.path() + kSkinLibraryName);
        return m_install.path();
    }

    TempDir m_install { "sonalto-skin" };
};

TEST_F(SkinLoaderTest, absentOrBrokenPluginLeavesThePlainLook)
{
    QDialog window;
    window.resize(120, 80);
    window.setStyleSheet(QStringLiteral("QPushButton { margin: 2px; }"));
    const int plain = shownHue(window);

    // Not installed.
    EXPECT_FALSE(LoadSkin(m_install.path()));
    // Not a library at all.
    WriteTextFile(m_install.path() + kSkinLibraryName, "not a library");
    EXPECT_FALSE(LoadSkin(m_install.path()));
    // A real library without the look's entry points.
    const std::string other = "/usr/lib/x86_64-linux-gnu/libz.so.1";
    if (FileExists(other)) {
        std::filesystem::copy_file(other, m_install.path() + kSkinLibraryName,
            std::filesystem::copy_options::overwrite_existing);
        EXPECT_FALSE(LoadSkin(m_install.path()));
    }
    EXPECT_FALSE(SkinAvailable());

    // Every call is harmless without the look.
    SetSkinHue(200, 1);
    ApplySkin(&window);
    EXPECT_FALSE(SkinApplied(&window));
    EXPECT_EQ(shownHue(window), plain);
    RemoveSkin(&window);
    EXPECT_EQ(window.styleSheet(), QStringLiteral("QPushButton { margin: 2px; }"));
}

TEST_F(SkinLoaderTest, lookFollowsTheHueAndComesOffCleanly)
{
    // The installation directory is given with or without its '/'.
    std::string dir = installWithPlugin();
    dir.pop_back();
    ASSERT_TRUE(LoadSkin(dir));
    EXPECT_TRUE(SkinAvailable());
    // A second start is the same look.
    EXPECT_TRUE(LoadSkin("/nowhere/"));

    QDialog window;
    window.resize(160, 100);
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton(QStringLiteral("OK"), &window);
    layout->addWidget(button);
    const QString ownSheet = QStringLiteral("QPushButton { margin: 2px; }");
    window.setStyleSheet(ownSheet);
    ASSERT_LT(shownHue(window), 0);
    ASSERT_FALSE(window.testAttribute(Qt::WA_SetPalette));

    SetSkinHue(210, 1);
    ApplySkin(&window);
    EXPECT_TRUE(SkinApplied(&window));
    EXPECT_TRUE(hueNear(shownHue(window), 210));
    // The children take the tint, and the window keeps its own rules.
    EXPECT_TRUE(hueNear(shownHue(*button), 210));
    EXPECT_TRUE(window.styleSheet().startsWith(ownSheet));

    // A new hue repaints the skinned window at once...
    SetSkinHue(30, 1);
    EXPECT_TRUE(hueNear(shownHue(window), 30));
    // ...unless asked to wait for the next application.
    SetSkinHue(300, 0);
    EXPECT_TRUE(hueNear(shownHue(window), 30));
    EXPECT_EQ(SkinHue(), 300);
    ApplySkin(&window);
    EXPECT_TRUE(hueNear(shownHue(window), 300));
    // Out-of-range hues are brought into range; 360 is red like 0.
    SetSkinHue(999, 1);
    EXPECT_EQ(SkinHue(), 360);
    EXPECT_TRUE(hueNear(shownHue(window), 0));

    RemoveSkin(&window);
    EXPECT_FALSE(SkinApplied(&window));
    EXPECT_EQ(window.styleSheet(), ownSheet);
    EXPECT_FALSE(window.testAttribute(Qt::WA_SetPalette));
    EXPECT_LT(shownHue(window), 0);
    EXPECT_LT(shownHue(*button), 0);
    // Removing twice is harmless; a window with a palette of its own gets it
    // back.
    RemoveSkin(&window);
    QPalette own = window.palette();
    own.setColor(QPalette::Window, Qt::yellow);
    window.setPalette(own);
    ApplySkin(&window);
    RemoveSkin(&window);
    EXPECT_TRUE(window.testAttribute(Qt::WA_SetPalette));
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::yellow));

    // A window destroyed while skinned is forgotten; the hue still goes to
    // the others.
    {
        QDialog gone;
        ApplySkin(&gone);
    }
    ApplySkin(&window);
    SetSkinHue(120, 1);
    EXPECT_TRUE(hueNear(shownHue(window), 120));

    // Released and started again.
    ReleaseSkin();
    EXPECT_FALSE(SkinAvailable());
    EXPECT_FALSE(SkinApplied(&window));
    ASSERT_TRUE(LoadSkin(m_install.path()));
    EXPECT_FALSE(SkinApplied(&window));
}

} // namespace
