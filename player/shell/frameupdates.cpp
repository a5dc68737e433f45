#include "shell/mainframe.h"

#include <ctime>

#include "common/textfile.h"
#include "common/ui/messageprompt.h"
#include "shell/selfupdate.h"
#include "shell/selfupdatewait.h"
#include "shell/updatelaunch.h"

// The window's side of the program's updates: the weekly check when the
// view first updates, and a new updater put in place once the updater that
// brought it has ended.

void CMainFrame::onInitialUpdate()
{
    if (!WeeklyCheckDue(m_settings, std::time(nullptr)) || !UpdateServersListed(m_installDir))
        return;
    // The player goes on while the message is up.
    NoticePrompt prompt(*m_prompt);
    StartUpdater(m_installDir, UpdaterStart::Weekly, prompt);
}

void CMainFrame::awaitSelfUpdate()
{
    m_selfUpdate = new SelfUpdateWait(m_settings, m_installDir, this);
    if (FileExists(m_settings.pathHtml + kParkedUpdater))
        m_selfUpdate->complete();
}

bool CMainFrame::isSelfUpdatePending() const
{
    return m_selfUpdate != nullptr && m_selfUpdate->isWaiting();
}
