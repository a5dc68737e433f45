#include "shell/mixer.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <QMetaObject>

namespace {

// Every answer of a local sound server comes in well under a millisecond;
// the bound only keeps a stuck server from freezing the window.
constexpr pa_usec_t kAnswerLimit = 2 * PA_USEC_PER_SEC;

struct SinkAnswer {
    pa_threaded_mainloop* loop = nullptr;
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
        if (answer->loop != nullptr)
            pa_threaded_mainloop_signal(answer->loop, 0);
        return;
    }
    answer->found = true;
    answer->index = info->index;
    answer->muted = info->mute != 0;
    answer->name = info->name != nullptr ? info->name : "";
    answer->description = info->description != nullptr ? info->description : "";
}

struct SuccessAnswer {
    pa_threaded_mainloop* loop;
    int success = -1;
};

void onSuccess(pa_context*, int success, void* data)
{
    auto* answer = static_cast<SuccessAnswer*>(data);
    answer->success = success != 0 ? 1 : 0;
    pa_threaded_mainloop_signal(answer->loop, 0);
}

// Waits, the loop locked, until finished() holds or the time limit is over.
// Only the sound server's own thread runs meanwhile; a time event of that
// loop ends a wait that no answer ends.
template <typename Finished> bool waitUntil(pa_threaded_mainloop* loop, Finished finished)
{
    struct Limit {
        pa_threaded_mainloop* loop;
        bool over = false;
    } limit { loop };
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
    timeval deadline {};
    pa_timeval_add(pa_gettimeofday(&deadline), kAnswerLimit);
    pa_time_event* timer = api->time_new(
        api, &deadline,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            auto* l = static_cast<Limit*>(data);
            l->over = true;
            pa_threaded_mainloop_signal(l->loop, 0);
        },
        &limit);
    bool done = finished();
    while (!done && !limit.over) {
        pa_threaded_mainloop_wait(loop);
        done = finished();
    }
    api->time_free(timer);
    return done;
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
    if (m_loop == nullptr || m_context == nullptr)
        return false;
    pa_threaded_mainloop_lock(m_loop);
    const bool ready = pa_context_get_state(m_context) == PA_CONTEXT_READY;
    pa_threaded_mainloop_unlock(m_loop);
    return ready;
}

bool Mixer::OpenMixer()
{
    if (isOpen())
        return true;
    CloseMixer();
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr)
        return false;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Sonalto");
    if (m_context == nullptr || pa_threaded_mainloop_start(m_loop) < 0) {
        CloseMixer();
        return false;
    }
    pa_threaded_mainloop_lock(m_loop);
    pa_context_set_state_callback(
        m_context,
        [](pa_context*, void* loop) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
        },
        m_loop);
    bool ready = false;
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        waitUntil(m_loop, [this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        ready = pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }
    if (ready) {
        // Change notices of the outputs: the mute made elsewhere. They come
        // on the server's thread and go to the GUI thread as events.
        pa_context_set_subscribe_callback(
            m_context,
            [](pa_context*, pa_subscription_event_type_t type, std::uint32_t index, void* self) {
                const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
                const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
                if (facility == PA_SUBSCRIPTION_EVENT_SINK && kind == PA_SUBSCRIPTION_EVENT_CHANGE)
                    static_cast<Mixer*>(self)->onSinkChanged(index);
            },
            this);
        if (pa_operation* op
            = pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SINK, nullptr, nullptr))
            pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(m_loop);
    if (!ready)
        CloseMixer();
    return ready;
}

bool Mixer::FindMuteControl()
{
    m_lineName.clear();
    m_controlName.clear();
    if (!isOpen()) {
        m_sinkIndex = kNoSink;
        return false;
    }
    SinkAnswer answer;
    answer.loop = m_loop;
    // The server's thread reads the index for its notices.
    pa_threaded_mainloop_lock(m_loop);
    m_sinkIndex = kNoSink;
    // The server itself resolves the name of its default output.
    const bool read
        = wait(pa_context_get_sink_info_by_name(m_context, "@DEFAULT_SINK@", onSinkInfo, &answer))
        && answer.found;
    if (read)
        m_sinkIndex = answer.index;
    pa_threaded_mainloop_unlock(m_loop);
    if (!read)
        return false;
    m_lineName = answer.description.empty() ? answer.name : answer.description;
    m_controlName = "mute";
    return true;
}

bool Mixer::GetMute(bool& muted)
{
    if (!isOpen() || !hasControl())
        return false;
    SinkAnswer answer;
    answer.loop = m_loop;
    pa_threaded_mainloop_lock(m_loop);
    const bool read
        = wait(pa_context_get_sink_info_by_index(m_context, m_sinkIndex, onSinkInfo, &answer))
        && answer.found;
    pa_threaded_mainloop_unlock(m_loop);
    if (!read)
        return false;
    muted = answer.muted;
    return true;
}

bool Mixer::SetMute(bool muted)
{
    if (!isOpen() || !hasControl())
        return false;
    SuccessAnswer answer { m_loop };
    pa_threaded_mainloop_lock(m_loop);
    const bool done = wait(pa_context_set_sink_mute_by_index(
        m_context, m_sinkIndex, muted ? 1 : 0, onSuccess, &answer));
    pa_threaded_mainloop_unlock(m_loop);
    return done && answer.success == 1;
}

void Mixer::CloseMixer()
{
    if (m_loop != nullptr)
        pa_threaded_mainloop_stop(m_loop);
    if (m_context != nullptr) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop != nullptr) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
    m_sinkIndex = kNoSink;
}

bool Mixer::wait(pa_operation* op)
{
    if (op == nullptr)
        return false;
    waitUntil(m_loop, [this, op] {
        return pa_operation_get_state(op) != PA_OPERATION_RUNNING
            || pa_context_get_state(m_context) != PA_CONTEXT_READY;
    });
    const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
    if (!done)
        pa_operation_cancel(op);
    pa_operation_unref(op);
    return done;
}

void Mixer::onSinkChanged(std::uint32_t index)
{
    // On the server's thread, the loop locked.
    if (index != m_sinkIndex || m_context == nullptr)
        return;
    // Read the new state without waiting; the answer goes to the GUI thread.
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
            if (pending->answer.found) {
                Mixer* mixer = pending->mixer;
                const bool muted = pending->answer.muted;
                // Dropped with the mixer if it is gone by then.
                QMetaObject::invokeMethod(
                    mixer, [mixer, muted] { emit mixer->muteChanged(muted); },
                    Qt::QueuedConnection);
            }
            delete pending;
        },
        read);
    if (op == nullptr)
        delete read;
    else
        pa_operation_unref(op);
}
