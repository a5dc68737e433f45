#include "playback/streamtrial.h"

#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "catalogue/personallistdialog.h"
#include "cataloguefixture.h"
#include "playback/streamplayer.h"
#include "support/scriptedprompt.h"

namespace {

using State = StreamPlayer::State;

// Answers like ScriptedPrompt, after looking at the player while the
// question is up.
class WatchingPrompt : public ScriptedPrompt {
public:
    PromptAnswer question(const std::string& title, const std::string& text) override
    {
        if (whileAsked)
            whileAsked();
        return ScriptedPrompt::question(title, text);
    }
    std::function<void()> whileAsked;
};

class StreamTrialTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("SONALTO_AUDIO_SINK", "fakesink sync=true", 1);
        ASSERT_TRUE(m_server.start(m_root.path()));
        // The station is entered as a playlist, as many sites give them.
        WriteTextFile(m_root.path() + "essai.pls",
            "[playlist]\r\nNumberOfEntries=1\r\nFile1=" + m_server.url("/_stream?title=Essai")
                + "\r\n");
        m_catalogue.write({ { "Radio Nova", "Radio_Nova.htm", true, "", "" } });
    }

    QString url(const std::string& path) const
    {
        return QString::fromStdString(m_server.url(path));
    }

    // "TESTER cette radio" in the editor, as the listener presses it, with
    // what the player played while the question was up.
    void testStation(StreamTrial& trial, const QString& nowLink)
    {
        m_prompt.answers = { PromptAnswer::Yes };
        m_prompt.whileAsked = [this] {
            QSignalSpy firstAudio(&m_player, &StreamPlayer::firstAudio);
            m_heardWhileAsked = QTest::qWaitFor([&] { return firstAudio.count() > 0; }, 15000)
                ? m_player.currentUri()
                : QString();
        };
        PersonalListDialog dialog(m_catalogue.html(), nullptr, &m_prompt,
            { [&](const std::string& page) {
                 trial.begin(page, m_catalogue.html(), nowLink, QStringLiteral("Avant"));
             },
                [&] { trial.end(); } });
        dialog.show();
        QTest::keyClicks(dialog.findChild<QLineEdit*>("stationName"), "Radio Essai");
        QTest::keyClicks(dialog.findChild<QLineEdit*>("streamLink"), url("/essai.pls"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("testStation"), Qt::LeftButton);
        EXPECT_TRUE(dialog.findChild<QPushButton*>("addStation")->isEnabled());
    }

    testsupport::TempDir m_root { "sonalto-trial" };
    testsupport::HttpServer m_server;
    CatalogueDir m_catalogue;
    WatchingPrompt m_prompt;
    StreamPlayer m_player;
    QString m_heardWhileAsked;
};

TEST_F(StreamTrialTest, testedStationPlaysWhileAskedThenThePlayerGoesBack)
{
    StreamTrial trial(m_player);
    const QString before = url("/_stream?title=Avant");
    m_player.play(before, {}, QStringLiteral("Avant"));
    QSignalSpy firstAudio(&m_player, &StreamPlayer::firstAudio);
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstAudio.count() == 1; }, 15000));

    testStation(trial, before);
    EXPECT_EQ(m_heardWhileAsked, url("/_stream?title=Essai"));
    EXPECT_FALSE(trial.running());
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstAudio.count() >= 3; }, 15000));
    EXPECT_EQ(m_player.currentUri(), before);
    EXPECT_EQ(m_player.stationName(), QStringLiteral("Avant"));
    // The test page went with the test.
    EXPECT_FALSE(FileExists(m_catalogue.html() + "Radio_Essai_temp.htm"));
}

TEST_F(StreamTrialTest, silenceBeforeTheTestIsSilenceAfterIt)
{
    StreamTrial trial(m_player);
    testStation(trial, {});
    EXPECT_EQ(m_heardWhileAsked, url("/_stream?title=Essai"));
    EXPECT_EQ(m_player.state(), State::Stopped);
    EXPECT_FALSE(m_player.isActive());
}

} // namespace
