#include "shell/commandline.h"

#include <utility>

#include "commandids.h"
#include "common/messages.h"
#include "common/textfile.h"

std::string CommandLineTail(const std::vector<std::string>& arguments)
{
    std::string tail;
    for (const std::string& argument : arguments) {
        if (!tail.empty())
            tail += ' ';
        tail += argument;
    }
    return tail;
}

std::string CommandLineTail(int argc, char** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return CommandLineTail(arguments);
}

CommandLine ParseCommandLine(std::string tail)
{
    CommandLine result;
    result.tail = std::move(tail);
    const auto has
        = [&](const char* option) { return result.tail.find(option) != std::string::npos; };
    result.quiet = has("-quiet");
    result.stop = has("-stop");
    result.selfUpdate = has("-self_update");
    result.rebuild = has("-rebuild");
    result.recordStart = has("-record start");
    result.recordStop = has("-record stop");
    result.radio = has("-radio");
    if (result.radio)
        result.radioPage = ExtractBetween(result.tail, "-radio ", ".htm") + ".htm";
    return result;
}

std::vector<MessengerRecord> ForwardingPlan(const CommandLine& commandLine)
{
    std::vector<MessengerRecord> plan;
    if (commandLine.quiet)
        plan.push_back(MessengerRecord::makeMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0));
    if (commandLine.stop)
        plan.push_back(MessengerRecord::makeMessage(WM_COMMAND, cmd::Stop, 0));
    if (commandLine.selfUpdate)
        plan.push_back(MessengerRecord::makeMessage(WM_COMMAND, cmd::SelfUpdateDone, 0));
    if (commandLine.rebuild)
        plan.push_back(MessengerRecord::makeMessage(WM_SYSCOMMAND, cmd::Rebuild, 0));
    if (commandLine.recordStart)
        plan.push_back(MessengerRecord::makeMessage(WM_SYSCOMMAND, cmd::RecordStart, 0));
    if (commandLine.recordStop)
        plan.push_back(MessengerRecord::makeMessage(WM_SYSCOMMAND, cmd::RecordStop, 0));
    if (commandLine.radio) {
        // The page name travels with its terminating zero byte: cbData is
        // the name's length plus one.
        std::string payload = commandLine.radioPage;
        payload.push_back('\0');
        plan.push_back(MessengerRecord::makeCopyData(kCopyDataRadio, payload));
    }
    return plan;
}

std::vector<MessengerRecord> SecondStartRecords(
    const CommandLine& commandLine, const DesktopLaunch& launch)
{
    std::vector<MessengerRecord> records;
    if (!launch.activationToken.empty())
        records.push_back(
            MessengerRecord::makeCopyData(kCopyDataActivationToken, launch.activationToken));
    if (!launch.startupId.empty())
        records.push_back(MessengerRecord::makeCopyData(kCopyDataStartupId, launch.startupId));
    std::vector<MessengerRecord> plan = ForwardingPlan(commandLine);
    records.push_back(MessengerRecord::makeMessage(
        WM_ACTIVATE, WA_ACTIVE, plan.empty() ? 0 : kActivateForOptions));
    records.insert(records.end(), plan.begin(), plan.end());
    return records;
}
