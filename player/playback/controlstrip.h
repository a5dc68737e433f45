#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;
class AudioEngine;

// The slim strip under the view: play/stop, volume, and one status line
// ("En lecture — <titre>"…). It only forwards clicks to the player and shows
// what the player reports.
class ControlStrip : public QWidget {
    Q_OBJECT

public:
    explicit ControlStrip(AudioEngine* player, QWidget* parent = nullptr);

    QToolButton* playStopButton() const { return m_playStop; }
    QSlider* volumeSlider() const { return m_volume; }
    QLabel* statusLabel() const { return m_status; }
    // The sleep timer's time left, at the strip's end; empty hides it.
    void setSleepText(const QString& text);
    QLabel* sleepLabel() const { return m_sleep; }

private:
    void onPlayStop();
    void refresh();

    AudioEngine* m_player;
    QToolButton* m_playStop;
    QSlider* m_volume;
    QLabel* m_status;
    QLabel* m_sleep;
    QIcon m_playIcon;
    QIcon m_stopIcon;
};
