#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (the end of the desktop session, a shutdown, a
// kill from a terminal) reported on the GUI thread instead of ending the
// process on the spot, so that the player can go through its quit steps.
// One at a time; the default actions come back when it goes.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier* m_notifier = nullptr;
};
