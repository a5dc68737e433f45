#pragma once

#include <cstdint>
#include <string>

#include <QObject>

struct pa_context;
struct pa_glib_mainloop;
struct pa_operation;

// The speakers' mute: the mute switch of the sound server's default output
// (PulseAudio, or PipeWire through its PulseAudio side). The connection runs
// on GLib's default main context, the one Qt's event loop turns, so change
// notices from the server arrive as ordinary events of the GUI thread.
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

    // Turns GLib's default context until op is done or the time runs out.
    bool wait(pa_operation* op);
    void onSinkChanged(std::uint32_t index);

    pa_glib_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    std::uint32_t m_sinkIndex = kNoSink;
    std::string m_lineName;
    std::string m_controlName;
};
