#pragma once

#include <cstdint>
#include <string>

#include <QObject>

struct pa_context;
struct pa_threaded_mainloop;
struct pa_operation;

// The speakers' mute: the mute switch of the sound server's default output
// (PulseAudio, or PipeWire through its PulseAudio side). The connection runs
// on a thread of its own: the window waits for an answer without running any
// other event of the program meanwhile (no forwarded record, no timer in the
// middle of building the pop-up), and change notices from the server come to
// the GUI thread as ordinary events.
class Mixer : public QObject {
    Q_OBJECT

public:
    explicit Mixer(QObject* parent = nullptr);
    ~Mixer() override;

    // Connects to the sound server unless connected already. False when the
    // server cannot be reached (none runs, or it refuses us).
    bool OpenMixer();
    // Looks for the default output and remembers it (its name and its
    // description). False without a connection or without an output.
    bool FindMuteControl();
    // Reads the output's mute into muted; false when the read fails.
    bool GetMute(bool& muted);
    // Writes the output's mute; false when the write fails.
    bool SetMute(bool muted);
    // Drops the connection.
    void CloseMixer();

    bool isOpen() const;
    bool hasControl() const { return m_sinkIndex != kNoSink; }
    const std::string& lineName() const { return m_lineName; }
    const std::string& controlName() const { return m_controlName; }

signals:
    // The server reported a new mute state of the output found last, made
    // here or elsewhere (the desktop's volume control, pactl).
    void muteChanged(bool muted);

private:
    static constexpr std::uint32_t kNoSink = 0xFFFFFFFFu;

    // With the loop locked: waits until op is done or the time runs out.
    bool wait(pa_operation* op);
    void onSinkChanged(std::uint32_t index);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    std::uint32_t m_sinkIndex = kNoSink;
    std::string m_lineName;
    std::string m_controlName;
};
