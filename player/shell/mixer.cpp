#include "shell/mixer.h"

#include <chrono>

#include <glib.h>
#include <pulse/context.h>
#include <pulse/glib-mainloop.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>

namespace {

// Every answer of a local sound server comes in well under a millisecond;
// the bound only keeps a stuck server from freezing the window.
constexpr auto kAnswerLimit = std::chrono::seconds(2);

struct SinkAnswer {
    bool done = false;
    bool found = false;
    std::uint32_t index = 0;
    bool muted = false;
    std::string name;
    std::string description;
};

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* data)
{
    auto* answer = static_cast<SinkAnswer*>(data);
    if (eol != 0 || info == nullptr) {
        answer->done = true;
        return;
    }
    answer->found = true;
    answer->index = info->index;
    answer->muted = info->mute != 0;
    answer->name = info->name != nullptr ? info->name : "";
    answer->description = info->description != nullptr ? info->description : "";
}

// Turns GLib's default context until finished() holds or the time limit is
// over. A timer source wakes a blocked turn at the limit.
template <typename Finished> bool turnUntil(Finished finished)
{
    bool over = false;
    const guint timer = g_timeout_add(
        std::chrono::duration_cast<std::chrono::milliseconds>(kAnswerLimit).count(),
        [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &over);
    bool done = finished();
    while (!done && !over) {
        g_main_context_iteration(nullptr, TRUE);
        done = finished();
    }
    if (!over)
        g_source_remove(timer);
    return done;
}

void onSuccess(pa_context*, int success, void* data)
{
    *static_cast<int*>(data) = success != 0 ? 1 : 0;
}

} // namespace

Mixer::Mixer(QObject* parent)
    : QObject(parent)
{
}

Mixer::~Mixer()
{
    CloseMixer();
}

bool Mixer::isOpen() const
{
    return m_context != nullptr && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool Mixer::OpenMixer()
{
    if (isOpen())
        return true;
    CloseMixer();
    m_loop = pa_glib_mainloop_new(nullptr);
    m_context = pa_context_new(pa_glib_mainloop_get_api(m_loop), "Sonalto");
    if (m_context == nullptr
        || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        CloseMixer();
        return false;
    }
    turnUntil([this] {
        const pa_context_state_t state = pa_context_get_state(m_context);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        CloseMixer();
        return false;
    }
    // Change notices of the outputs: the mute made elsewhere.
    pa_context_set_subscribe_callback(
        m_context,
        [](pa_context*, pa_subscription_event_type_t type, std::uint32_t index, void* self) {
            const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
            const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
            if (facility == PA_SUBSCRIPTION_EVENT_SINK && kind == PA_SUBSCRIPTION_EVENT_CHANGE)
                static_cast<Mixer*>(self)->onSinkChanged(index);
        },
        this);
    if (pa_operation* op = pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SINK, nullptr, nullptr))
        pa_operation_unref(op);
    return true;
}

bool Mixer::FindMuteControl()
{
    m_sinkIndex = kNoSink;
    m_lineName.clear();
    m_controlName.clear();
    if (!isOpen())
        return false;
    SinkAnswer answer;
    // The server itself resolves the name of its default output.
    if (!wait(pa_context_get_sink_info_by_name(m_context, "@DEFAULT_SINK@", onSinkInfo, &answer))
        || !answer.found)
        return false;
    m_sinkIndex = answer.index;
    m_lineName = answer.description.empty() ? answer.name : answer.description;
    m_controlName = "mute";
    return true;
}

bool Mixer::GetMute(bool& muted)
{
    if (!isOpen() || !hasControl())
        return false;
    SinkAnswer answer;
    if (!wait(pa_context_get_sink_info_by_index(m_context, m_sinkIndex, onSinkInfo, &answer))
        || !answer.found)
        return false;
    muted = answer.muted;
    return true;
}

bool Mixer::SetMute(bool muted)
{
    if (!isOpen() || !hasControl())
        return false;
    int success = -1;
    if (!wait(pa_context_set_sink_mute_by_index(m_context, m_sinkIndex, muted ? 1 : 0, onSuccess, &success)))
        return false;
    return success == 1;
}

void Mixer::CloseMixer()
{
    if (m_context != nullptr) {
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop != nullptr) {
        pa_glib_mainloop_free(m_loop);
        m_loop = nullptr;
    }
    m_sinkIndex = kNoSink;
}

bool Mixer::wait(pa_operation* op)
{
    if (op == nullptr)
        return false;
    turnUntil([this, op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING || !isOpen(); });
    const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
    if (!done)
        pa_operation_cancel(op);
    pa_operation_unref(op);
    return done;
}

void Mixer::onSinkChanged(std::uint32_t index)
{
    if (index != m_sinkIndex || m_context == nullptr)
        return;
    // Read the new state without waiting: the answer comes as its own event.
    struct Read {
        Mixer* mixer;
        SinkAnswer answer;
    };
    auto* read = new Read { this, {} };
    pa_operation* op = pa_context_get_sink_info_by_index(
        m_context, index,
        [](pa_context* context, const pa_sink_info* info, int eol, void* data) {
            auto* pending = static_cast<Read*>(data);
            onSinkInfo(context, info, eol, &pending->answer);
            if (!pending->answer.done)
                return;
            if (pending->answer.found)
                emit pending->mixer->muteChanged(pending->answer.muted);
            delete pending;
        },
        read);
    if (op == nullptr)
        delete read;
    else
        pa_operation_unref(op);
}
