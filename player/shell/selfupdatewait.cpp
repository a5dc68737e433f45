#include "shell/selfupdatewait.h"

#include <utility>

#include "common/diaglog.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/settings.h"
#include "shell/selfupdate.h"

namespace {

constexpr int kSelfUpdateRetryMs = 10000;

} // namespace

SelfUpdateWait::SelfUpdateWait(const Settings& settings, std::string installDir, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_installDir(std::move(installDir))
{
    m_retry.setInterval(kSelfUpdateRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &SelfUpdateWait::complete);
}

void SelfUpdateWait::complete()
{
    switch (CompleteSelfUpdate(
        m_settings.pathHtml, m_installDir, FindWindow(kDialogWindowClass, kUpdaterDialogTitle))) {
    case SelfUpdateStep::Waiting:
        // The updater is still running: try again every ten seconds.
        if (!m_retry.isActive())
            m_retry.start();
        DiagLog("self-update waits");
        break;
    case SelfUpdateStep::Done:
        DiagLog("self-update done");
        break;
    case SelfUpdateStep::Nothing:
    case SelfUpdateStep::Failed:
        break;
    }
}
