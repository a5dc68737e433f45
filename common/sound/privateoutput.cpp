#include "common/sound/privateoutput.h"

#include <cstdint>

#include <pulse/pulseaudio.h>

namespace {

// One short blocking exchange with the sound server on a private main loop,
// bounded by a deadline so that a server that hangs never holds the caller.
class PulseSession {
public:
    explicit PulseSession(std::chrono::milliseconds timeout)
        : m_deadline(std::chrono::steady_clock::now() + timeout)
    {
        m_loop = pa_mainloop_new();
        if (m_loop == nullptr)
            return;
        m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Sonalto");
        if (m_context == nullptr
            || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return;
        m_ready = runUntil([this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        }) && pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }

    ~PulseSession()
    {
        if (m_context != nullptr) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        if (m_loop != nullptr)
            pa_mainloop_free(m_loop);
    }

    PulseSession(const PulseSession&) = delete;
    PulseSession& operator=(const PulseSession&) = delete;

    bool ready() const { return m_ready; }
    pa_context* context() const { return m_context; }

    // Runs the loop until done() holds, an operation ends, or the deadline.
    template <typename Done> bool runUntil(Done done)
    {
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                m_deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            if (pa_mainloop_prepare(m_loop, static_cast<int>(left.count())) < 0
                || pa_mainloop_poll(m_loop) < 0 || pa_mainloop_dispatch(m_loop) < 0)
                return false;
        }
        return true;
    }

    bool waitFor(pa_operation* operation)
    {
        if (operation == nullptr)
            return false;
        const bool done = runUntil(
            [operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
        if (!done)
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
        return done;
    }

private:
    std::chrono::steady_clock::time_point m_deadline;
    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_ready = false;
};

bool sinkExists(PulseSession& session, const std::string& name)
{
    bool found = false;
    pa_operation* operation = pa_context_get_sink_info_by_name(
        session.context(), name.c_str(),
        [](pa_context*, const pa_sink_info* info, int eol, void* found) {
            if (eol == 0 && info != nullptr)
                *static_cast<bool*>(found) = true;
        },
        &found);
    return session.waitFor(operation) && found;
}

bool sourceExists(PulseSession& session, const std::string& name)
{
    bool found = false;
    pa_operation* operation = pa_context_get_source_info_by_name(
        session.context(), name.c_str(),
        [](pa_context*, const pa_source_info* info, int eol, void* found) {
            if (eol == 0 && info != nullptr)
                *static_cast<bool*>(found) = true;
        },
        &found);
    return session.waitFor(operation) && found;
}

} // namespace

bool SoundOutputExists(const std::string& name, std::chrono::milliseconds timeout)
{
    PulseSession session(timeout);
    if (!session.ready())
        return false;
    // A monitor is a source; an output is a sink.
    return sinkExists(session, name) || sourceExists(session, name);
}

bool EnsurePrivateOutput(std::chrono::milliseconds timeout)
{
    PulseSession session(timeout);
    if (!session.ready())
        return false;
    if (sinkExists(session, kPrivateOutputName))
        return true;
    std::uint32_t index = PA_INVALID_INDEX;
    const std::string arguments = std::string("sink_name=") + kPrivateOutputName
        + " sink_properties=device.description=Sonalto-enregistrement";
    pa_operation* operation = pa_context_load_module(
        session.context(), "module-null-sink", arguments.c_str(),
        [](pa_context*, std::uint32_t idx, void* index) {
            *static_cast<std::uint32_t*>(index) = idx;
        },
        &index);
    return session.waitFor(operation) && index != PA_INVALID_INDEX;
}

bool RemovePrivateOutput(std::chrono::milliseconds timeout)
{
    PulseSession session(timeout);
    if (!session.ready())
        return false;
    struct Output {
        std::uint32_t module = PA_INVALID_INDEX;
        std::uint32_t monitor = PA_INVALID_INDEX;
    } output;
    pa_operation* operation = pa_context_get_sink_info_by_name(
        session.context(), kPrivateOutputName,
        [](pa_context*, const pa_sink_info* info, int eol, void* data) {
            if (eol == 0 && info != nullptr)
                *static_cast<Output*>(data) = { info->owner_module, info->monitor_source };
        },
        &output);
    if (!session.waitFor(operation) || output.module == PA_INVALID_INDEX)
        return false;
    // A recorder still taking the monitor keeps it.
    int readers = 0;
    struct Count {
        std::uint32_t monitor;
        int* readers;
    } count { output.monitor, &readers };
    operation = pa_context_get_source_output_info_list(
        session.context(),
        [](pa_context*, const pa_source_output_info* info, int eol, void* data) {
            auto* count = static_cast<Count*>(data);
            if (eol == 0 && info != nullptr && info->source == count->monitor)
                ++*count->readers;
        },
        &count);
    if (!session.waitFor(operation) || readers > 0)
        return false;
    bool unloaded = false;
    operation = pa_context_unload_module(
        session.context(), output.module,
        [](pa_context*, int success, void* unloaded) {
            *static_cast<bool*>(unloaded) = success != 0;
        },
        &unloaded);
    return session.waitFor(operation) && unloaded;
}
