#include "shell/installcommands.h"

#include <QDesktopServices>
#include <QUrl>

#include "common/diaglog.h"
#include "common/installdir.h"
#include "common/prompt.h"
#include "common/rebuild.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "common/ui/launchprogram.h"
#include "common/ui/uitext.h"
#include "texts.h"
#include "view/appcommands.h"

namespace {

constexpr const char* kHelpPage = "aide/aide.htm";

} // namespace

bool SettleHtmlDirectory(Settings& settings, const std::string& installDir, WindowPrompt& prompt)
{
    if (FileExists(settings.pathHtml + kFramePage))
        return true;
    settings.pathHtml = installDir + "html/";
    if (FileExists(settings.pathHtml + kFramePage))
        return true;
    const std::string chosen = prompt.chooseDirectory(texts::kChooseHtmlDirectory);
    if (chosen.empty())
        return false;
    settings.pathHtml = chosen.back() == '/' ? chosen : chosen + "/";
    return FileExists(settings.pathHtml + kFramePage);
}

void ReportRebuild(WindowPrompt& prompt, const std::vector<std::string>& unnamedPages)
{
    std::string text = kRebuildDoneText;
    if (!unnamedPages.empty()) {
        text += std::string("\n\n") + kRebuildUnnamedText;
        for (const std::string& page : unnamedPages)
            text += "\n" + PathText(page).toStdString();
    }
    prompt.notice(kRebuildDoneTitle, text,
        unnamedPages.empty() ? PromptIcon::Information : PromptIcon::Exclamation);
}

void LaunchScheduler(const std::string& installDir)
{
    const std::string program = installDir + kSchedulerProgram;
    if (!FileExists(program)) {
        DiagLog("scheduler missing");
        return;
    }
    LaunchProgram(installDir, kSchedulerProgram);
}

void OpenHelpPages(const std::string& htmlDir)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(htmlDir + kHelpPage)));
}
