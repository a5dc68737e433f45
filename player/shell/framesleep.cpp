#include "shell/mainframe.h"

#include <string>

#include <QMenuBar>

#include "commandids.h"
#include "common/diaglog.h"
#include "playback/controlstrip.h"
#include "shell/framemenus.h"
#include "shell/frametray.h"
#include "shell/sleepcontrol.h"
#include "texts.h"

// The window's side of "Arrêt programmé": the timer and its entries in
// "Perso" (the bar's two rows have no room for one more menu), its time left
// in the strip and the tooltip, and a recording finished once the fade is
// over, before playback stops.

void CMainFrame::addSleepTimer()
{
    m_sleep = new SleepControl(m_player, {}, this);
    AddSleepMenu(FindBarMenu(menuBar(), texts::kMenuPerso), *m_sleep);
    connect(m_sleep, &SleepControl::timeLeftChanged, this, [this](const QString& text) {
        m_strip->setSleepText(text);
        if (m_frameTray != nullptr)
            m_frameTray->tray()->setSleepText(text);
    });
    connect(m_sleep, &SleepControl::due, this, [this] {
        DiagLog("sleep timer due");
        onSysCommand(cmd::RecordStop);
    });
}

bool CMainFrame::chooseSleep(int id)
{
    const int minutes = SleepControl::minutesOf(id);
    if (minutes < 0)
        return false;
    m_sleep->set(minutes);
    DiagLog("sleep timer " + std::to_string(minutes));
    return true;
}
