#pragma once

#include <string>

#include <QObject>
#include <QTimer>

struct Settings;

// Puts a new updater in place once the updater that parked it has ended:
// at each complete(), and then every ten seconds while the updater's dialog
// is still up (CompleteSelfUpdate in selfupdate.h takes the step itself).
class SelfUpdateWait : public QObject {
    Q_OBJECT

public:
    // The parked updater is looked for in the settings' HTML directory.
    SelfUpdateWait(const Settings& settings, std::string installDir, QObject* parent);

    // Tries the step now; while the updater runs, tries again later.
    void complete();
    // True while a try is due later.
    bool isWaiting() const { return m_retry.isActive(); }

private:
    const Settings& m_settings;
    std::string m_installDir;
    QTimer m_retry; // timer 110
};
