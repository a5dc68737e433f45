#pragma once

#include <string>

#include <QString>

class AudioEngine;

// A station tried out in the personal-list editor before it is added: its
// stream plays in the player itself (playlists resolved, as for any
// station) while the listener is asked whether it works, and afterwards the
// player goes back to what it played, or to silence.
class StreamTrial {
public:
    explicit StreamTrial(AudioEngine& player);

    // Plays the stream of the test page at pagePath (pages relative to
    // htmlDir). nowLink and nowName are what plays now: an empty link when
    // nothing does.
    void begin(const std::string& pagePath, const std::string& htmlDir, const QString& nowLink,
        const QString& nowName);
    // Goes back to what played before begin.
    void end();

    bool running() const { return m_running; }

private:
    AudioEngine& m_player;
    bool m_running = false;
    QString m_htmlDir;
    QString m_resumeLink;
    QString m_resumeName;
};
