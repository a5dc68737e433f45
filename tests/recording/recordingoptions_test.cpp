#include "recording/recordingoptions.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "common/settings.h"
#include "common/textfile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

Settings oggSettings()
{
    Settings settings;
    settings.formatIndex = 1;
    settings.compressionIndex = 2;
    settings.sampleRateIndex = 1;
    settings.stereo = true;
    settings.recordBaseName = "RadioRec";
    settings.pathRec = "/tmp/rec/";
    return settings;
}

TEST(RecordingOptionsModel, formatChangesRefillTheRateListWithTheStoredRate)
{
    RecordingOptionsModel model(oggSettings(), true);
    EXPECT_EQ(model.formatItems().size(), 3u);
    EXPECT_EQ(model.rateItems(), (std::vector<std::string> { "48 Kbps", "64 Kbps", "80 Kbps" }));
    EXPECT_EQ(model.rateIndex(), 2);
    EXPECT_EQ(model.extension(), ".ogg");

    model.selectFormat(0);
    EXPECT_TRUE(model.rateItems().empty());
    EXPECT_FALSE(model.rateEnabled());
    EXPECT_EQ(model.rateIndex(), -1);
    EXPECT_EQ(model.extension(), ".wav");

    model.selectRate(0); // the user picked a rate, then changes format
    model.selectFormat(2);
    EXPECT_EQ(model.rateItems(), (std::vector<std::string> { "64 Kbps", "96 Kbps", "128 Kbps" }));
    EXPECT_TRUE(model.rateEnabled());
    EXPECT_EQ(model.rateIndex(), 2) << "the stored index, not the last pick";
    EXPECT_EQ(model.extension(), ".mp3");

    // Nothing selected: the list empties, the extension stays.
    model.selectFormat(-1);
    EXPECT_TRUE(model.rateItems().empty());
    EXPECT_EQ(model.extension(), ".mp3");
}

TEST(RecordingOptionsModel, wavStoresNoRateAndOggThenStartsAtTheFirst)
{
    Settings settings = oggSettings();
    RecordingOptionsModel wav(settings, true);
    wav.selectFormat(0);
    wav.store(settings);
    EXPECT_EQ(settings.formatIndex, 0);
    EXPECT_EQ(settings.compressionIndex, -1);

    settings.formatIndex = 1;
    RecordingOptionsModel ogg(settings, true);
    EXPECT_EQ(ogg.rateIndex(), 0);
}

TEST(RecordingOptionsModel, withoutTheMp3EncoderAStoredMp3SelectsNothing)
{
    Settings settings = oggSettings();
    settings.formatIndex = 2;
    RecordingOptionsModel model(settings, false);
    EXPECT_EQ(model.formatItems().size(), 2u);
    EXPECT_EQ(model.formatIndex(), -1);
    model.store(settings);
    EXPECT_EQ(settings.formatIndex, -1);

    model.folderChosen("/home/moi/Rec");
    EXPECT_EQ(model.directory, "/home/moi/Rec/");
    model.folderChosen("");
    EXPECT_EQ(model.directory, "/home/moi/Rec/") << "a cancelled picker changes nothing";
}

TEST(RecordingOptionsDialog, okWritesPresetAndSettingsAndCancelTouchesNothing)
{
    TempDir install("sonalto-recopts");
    const std::string presetPath = install.path() + "Snt.hdp";
    const std::string iniPath = install.path() + "Sonalto.ini";
    WriteTextFile(presetPath, "old preset");
    WriteTextFile(iniPath, "old settings");

    Settings settings = oggSettings();
    {
        RecordingOptionsDialog dialog(settings, install.path(), {}, true);
        EXPECT_EQ(dialog.extensionLabel()->text(), QStringLiteral(".ogg"));
        dialog.formatList()->setCurrentIndex(0);
        EXPECT_FALSE(dialog.rateList()->isEnabled());
        EXPECT_EQ(dialog.rateList()->count(), 0);
        EXPECT_EQ(dialog.extensionLabel()->text(), QStringLiteral(".wav"));
        dialog.nameEdit()->setText(QStringLiteral("Nuit"));
        dialog.directoryEdit()->setText(QStringLiteral("/ailleurs/"));
        dialog.reject();
    }
    EXPECT_EQ(ReadTextFile(presetPath), "old preset");
    EXPECT_EQ(ReadTextFile(iniPath), "old settings");
    EXPECT_EQ(settings.recordBaseName, "RadioRec");
    EXPECT_EQ(settings.formatIndex, 1);

    {
        RecordingOptionsDialog dialog(settings, install.path(), {}, true);
        dialog.formatList()->setCurrentIndex(0);
        dialog.formatList()->setCurrentIndex(1);
        EXPECT_EQ(dialog.rateList()->count(), 3);
        EXPECT_EQ(dialog.rateList()->currentIndex(), 2);
        dialog.rateList()->setCurrentIndex(1);
        dialog.nameEdit()->setText(QStringLiteral("Nuit"));
        EXPECT_EQ(dialog.nameEdit()->maxLength(), 20);
        EXPECT_FALSE(dialog.bySongBox()->isChecked());
        dialog.bySongBox()->setChecked(true);
        dialog.accept();
    }
    EXPECT_EQ(settings.recordBaseName, "Nuit");
    EXPECT_EQ(settings.compressionIndex, 1);
    EXPECT_EQ(ReadTextFile(presetPath),
        ReadTextFile(std::string(SONALTO_GOLDEN_DIR) + "ogg-64k-32000-stereo.hdp"));
    const std::string ini = ReadTextFile(iniPath);
    EXPECT_NE(ini.find("Nom du fichier=Nuit\r\nTitre par Titre=True\r\n"), std::string::npos)
        << ini;
}

} // namespace
