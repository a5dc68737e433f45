#include "common/updateindex.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/updatetexts.h"
#include "support/scriptedprompt.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

// An HTML directory with the pages of Alpha (kept active), Beta (inactive
// in the previous index) and two pages that came with an update, Gamma and
// Delta; Delta's file name is part of a longer one that the previous index
// names.
class Regenerate : public ::testing::Test {
protected:
    void SetUp() override
    {
        page("Alpha.htm", "Alpha");
        page("Beta.htm", "Beta");
        page("Gamma.htm", "Gamma");
        page("Delta.htm", "Delta");
        page("XDelta.htm", "XDelta");
        page("template.htm", "!NomRadio!");
    }

    void page(const std::string& file, const std::string& title)
    {
        ASSERT_TRUE(WriteTextFile(
            m_html.path() + file, "<html><font name=\"titre\">" + title + "</font></html>"));
    }

    void writeOld(bool withInactive)
    {
        std::string lines = "<option value=\"Alpha.htm\">Alpha</option>\r\n"
                            "<option value=\"XDelta.htm\">XDelta</option>\r\n";
        if (withInactive)
            lines += "<!--<option value=\"Beta.htm\">Beta</option>-->\r\n";
        else
            lines += "<option value=\"Beta.htm\">Beta</option>\r\n";
        ASSERT_TRUE(WriteTextFile(IndexPath(m_html.path()), IndexHeader() + lines + IndexFooter()));
    }

    // "name active|inactive" per line, in index order.
    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        for (const StationEntry& s : ListStations(ReadTextFile(IndexPath(m_html.path()))))
            result.push_back(s.name + " " + s.pageFile + (s.active ? " active" : " inactive"));
        return result;
    }

    TempDir m_html;
    ScriptedPrompt m_prompt;
};

TEST_F(Regenerate, withoutPersonalListAsksNothingAndListsAllActive)
{
    writeOld(false);
    ASSERT_TRUE(RegenerateIndex(m_html.path(), m_prompt));
    EXPECT_TRUE(m_prompt.shown.empty());
    EXPECT_EQ(lines(),
        (std::vector<std::string> { "Alpha Alpha.htm active", "Beta Beta.htm active",
            "Delta Delta.htm active", "Gamma Gamma.htm active", "XDelta XDelta.htm active" }));
    const std::string text = ReadTextFile(IndexPath(m_html.path()));
    EXPECT_EQ(text.substr(0, IndexHeader().size()), IndexHeader());
}

TEST_F(Regenerate, answeredNoKeepsNewStationsOutOfThePersonalList)
{
    writeOld(true);
    m_prompt.answers = { PromptAnswer::No };
    ASSERT_TRUE(RegenerateIndex(m_html.path(), m_prompt));
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.lines()[0],
        std::string(updatetexts::kErrorTitle) + " | " + updatetexts::kNewStationsQuestion);
    // Page files keep the case they have on disk, where the pages are found.
    EXPECT_EQ(lines(),
        (std::vector<std::string> { "Alpha Alpha.htm active", "Beta Beta.htm inactive",
            "Delta Delta.htm inactive", "Gamma Gamma.htm inactive", "XDelta XDelta.htm active" }));
}

TEST_F(Regenerate, answeredYesAddsNewStationsAndKeepsInactiveOnes)
{
    writeOld(true);
    m_prompt.answers = { PromptAnswer::Yes };
    ASSERT_TRUE(RegenerateIndex(m_html.path(), m_prompt));
    EXPECT_TRUE(m_prompt.answers.empty());
    EXPECT_EQ(lines(),
        (std::vector<std::string> { "Alpha Alpha.htm active", "Beta Beta.htm inactive",
            "Delta Delta.htm active", "Gamma Gamma.htm active", "XDelta XDelta.htm active" }));
}

TEST_F(Regenerate, failsWhenTheIndexCannotBeWritten)
{
    writeOld(false);
    EXPECT_FALSE(RegenerateIndex(m_html.path() + "absent/", m_prompt));
}

} // namespace
