#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <QObject>

#include "common/updatedownload.h"

// The download workers of the update dialog: one thread per attempt, each
// writing its own file, reporting its end on the GUI thread. A worker that
// is abandoned stops at its next progress check and removes its file; its
// report, if it still comes, names its own attempt.
class DownloadWorkers : public QObject {
    Q_OBJECT

public:
    explicit DownloadWorkers(DownloadOptions options = {}, QObject* parent = nullptr);
    // Abandons every worker and waits a little for them to stop, so that
    // none outlives the program's objects.
    ~DownloadWorkers() override;

    void start(int attempt, const std::string& address, const std::string& destination);
    void abandon(int attempt);
    void abandonAll();
    int running() const;

signals:
    void finished(int attempt, bool ok);

private:
    // Emits finished for every end the workers left, in order.
    void reportEnded();

    struct Shared;
    std::shared_ptr<Shared> m_shared;
    DownloadOptions m_options;
};
