#include "shell/commandline.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// "sys 61472", "cmd 32834", "copy 32840 NRJ.htm\0 (8)": what a record asks,
// readable in a failure message.
std::string describe(const MessengerRecord& record)
{
    if (record.kind == MessengerRecord::Kind::CopyData) {
        std::string text;
        for (const char c : record.payload)
            text += c == '\0' ? std::string("\\0") : std::string(1, c);
        return "copy " + std::to_string(record.dwData) + " " + text + " ("
            + std::to_string(record.payload.size()) + ")";
    }
    const char* kind = record.message == 0x0112 ? "sys "
        : record.message == 0x0111              ? "cmd "
                                                : "?? ";
    return kind + std::to_string(record.wParam) + (record.lParam != 0 ? " lParam!" : "");
}

std::vector<std::string> describePlan(const std::string& tail)
{
    std::vector<std::string> out;
    for (const MessengerRecord& record : ForwardingPlan(ParseCommandLine(tail)))
        out.push_back(describe(record));
    return out;
}

TEST(CommandLine, forwardsOptionsInFixedOrder)
{
    struct Case {
        std::string tail;
        std::vector<std::string> plan;
    };
    const std::vector<Case> cases = {
        { "", {} },
        { "-quiet -radio NRJ.htm", { "sys 61472", "copy 32840 NRJ.htm\\0 (8)" } },
        { "-radio NRJ.htm -quiet", { "sys 61472", "copy 32840 NRJ.htm\\0 (8)" } },
        { "-record stop", { "sys 107" } },
        { "-record start", { "sys 108" } },
        { "-stop", { "cmd 32834" } },
        { "-self_update", { "cmd 109" } },
        // Every option, given backwards: sent in the fixed order all the same.
        { "-radio NRJ.htm -record stop -record start -rebuild -self_update -stop -quiet",
            { "sys 61472", "cmd 32834", "cmd 109", "sys 111", "sys 108", "sys 107",
                "copy 32840 NRJ.htm\\0 (8)" } },
        // Option tests are case-sensitive substring searches.
        { "-RADIO NRJ.htm -Quiet -STOP", {} },
        { "-record", {} },
        { "x-quietx", { "sys 61472" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(describePlan(c.tail), c.plan) << "tail: " << c.tail;
}

TEST(CommandLine, radioNameRunsFromMarkerToNextHtmWhateverTheirCase)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        { "-radio NRJ.htm", "NRJ.htm" },
        { "-radio Foo.HTM", "Foo.htm" },
        { "-quiet -radio France Inter.htm -record start", "France Inter.htm" },
        { "-radio Fip.htm -radio Other.htm", "Fip.htm" },
        // "-radio" found case-sensitively, then "-RADIO " matched without case.
        { "-RADIO A.htm -radio B.htm", "A.htm" },
        { "-radio", "Introuvable.htm" },
        { "-quiet -radio", "Introuvable.htm" },
        { "-radio NRJ", ".htm" },
        { "-radio .htm", ".htm" },
    };
    for (const auto& [tail, page] : cases) {
        const CommandLine commandLine = ParseCommandLine(tail);
        EXPECT_TRUE(commandLine.radio) << tail;
        EXPECT_EQ(commandLine.radioPage, page) << tail;
    }
    EXPECT_FALSE(ParseCommandLine("-RADIO NRJ.htm").radio);
}

TEST(CommandLine, tailJoinsArgumentsWithSingleBlanks)
{
    EXPECT_EQ(CommandLineTail(std::vector<std::string> {}), "");
    EXPECT_EQ(CommandLineTail({ "-quiet" }), "-quiet");
    EXPECT_EQ(CommandLineTail({ "-radio", "France", "Inter.htm", "-record", "start" }),
        "-radio France Inter.htm -record start");
    EXPECT_EQ(ParseCommandLine(CommandLineTail({ "-radio", "France Inter.htm" })).radioPage,
        "France Inter.htm");

    char program[] = "/opt/sonalto/Sonalto";
    char quiet[] = "-quiet";
    char record[] = "-record";
    char start[] = "start";
    char* argv[] = { program, quiet, record, start, nullptr };
    const CommandLine commandLine = ParseCommandLine(CommandLineTail(4, argv));
    EXPECT_EQ(commandLine.tail, "-quiet -record start");
    EXPECT_TRUE(commandLine.recordStart);
}

} // namespace
