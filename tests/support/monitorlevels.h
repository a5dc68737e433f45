#pragma once

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gst/gst.h>

namespace testsupport {

// The peak level at a sound-server source (a null sink's monitor, the
// player's private output), every 50 ms with the time it was read, for as
// long as the object lives. What the listener hears, measured where the
// sound server mixes it.
class MonitorLevels {
public:
    using Clock = std::chrono::steady_clock;
    struct Reading {
        Clock::time_point at;
        double peak; // dB
    };
    static constexpr double kSilence = -30; // dB: quieter is silence

    explicit MonitorLevels(const std::string& device)
    {
        m_pipeline = gst_parse_launch(
            ("pulsesrc device=" + device
                + " ! audioconvert ! level interval=50000000 ! fakesink sync=false")
                .c_str(),
            nullptr);
        if (!m_pipeline)
            return;
        GstBus* bus = gst_element_get_bus(m_pipeline);
        gst_bus_set_sync_handler(bus, &MonitorLevels::onMessage, this, nullptr);
        gst_object_unref(bus);
        gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    }
    ~MonitorLevels()
    {
        if (!m_pipeline)
            return;
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
    MonitorLevels(const MonitorLevels&) = delete;
    MonitorLevels& operator=(const MonitorLevels&) = delete;

    std::vector<Reading> readings() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_readings;
    }

    // The first reading after from louder than threshold.
    std::optional<Clock::time_point> soundAfter(
        Clock::time_point from, double threshold = kSilence) const
    {
        for (const Reading& r : readings())
            if (r.at > from && r.peak > threshold)
                return r.at;
        return std::nullopt;
    }

    // The first sound after from that follows a moment of silence.
    std::optional<Clock::time_point> soundAgainAfter(Clock::time_point from) const
    {
        bool quiet = false;
        for (const Reading& r : readings()) {
            if (r.at <= from)
                continue;
            if (r.peak < kSilence)
                quiet = true;
            else if (quiet)
                return r.at;
        }
        return std::nullopt;
    }

    // The longest run of readings quieter than threshold between from and to.
    std::chrono::milliseconds longestSilence(
        Clock::time_point from, Clock::time_point to, double threshold = kSilence) const
    {
        Clock::duration longest {};
        std::optional<Clock::time_point> since;
        for (const Reading& r : readings()) {
            if (r.at < from || r.at > to)
                continue;
            if (r.peak < threshold) {
                if (!since)
                    since = r.at;
                longest = std::max(longest, r.at - *since);
            } else {
                since.reset();
            }
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(longest);
    }

    double loudest(Clock::time_point from, Clock::time_point to) const
    {
        double loudest = -1000;
        for (const Reading& r : readings())
            if (r.at >= from && r.at <= to)
                loudest = std::max(loudest, r.peak);
        return loudest;
    }

private:
    static GstBusSyncReply onMessage(GstBus*, GstMessage* message, gpointer data)
    {
        auto* self = static_cast<MonitorLevels*>(data);
        const GstStructure* s = gst_message_get_structure(message);
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ELEMENT
            && gst_structure_has_name(s, "level")) {
            const GValue* peak = gst_structure_get_value(s, "peak");
            auto* values = static_cast<GValueArray*>(g_value_get_boxed(peak));
            double loudest = -1000;
            G_GNUC_BEGIN_IGNORE_DEPRECATIONS
            for (guint i = 0; i < values->n_values; ++i)
                loudest = std::max(loudest, g_value_get_double(values->values + i));
            G_GNUC_END_IGNORE_DEPRECATIONS
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_readings.push_back({ Clock::now(), loudest });
        }
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    GstElement* m_pipeline = nullptr;
    mutable std::mutex m_mutex;
    std::vector<Reading> m_readings;
};

} // namespace testsupport
