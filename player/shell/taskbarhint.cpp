#include "shell/taskbarhint.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>

namespace {

xcb_connection_t* x11Connection()
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie
        = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t { XCB_ATOM_NONE };
    std::free(reply);
    return result;
}

std::vector<xcb_atom_t> readState(
    xcb_connection_t* connection, xcb_window_t window, xcb_atom_t state)
{
    std::vector<xcb_atom_t> atoms;
    const xcb_get_property_cookie_t cookie
        = xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 1024);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (reply != nullptr && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        atoms.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return atoms;
}

// Whether a window manager runs: it names its check window on the root.
bool windowManagerRuns(xcb_connection_t* connection, xcb_window_t root)
{
    const xcb_atom_t check = atom(connection, "_NET_SUPPORTING_WM_CHECK");
    const xcb_get_property_cookie_t cookie
        = xcb_get_property(connection, 0, root, check, XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    const bool runs = reply != nullptr && reply->type == XCB_ATOM_WINDOW && reply->value_len > 0;
    std::free(reply);
    return runs;
}

} // namespace

void SetSkipTaskbar(QWidget* window, bool skip)
{
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr || window == nullptr)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE)
        return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!window->isVisible() || !windowManagerRuns(connection, screen->root)) {
        // Before the window is mapped (or with no window manager) the state
        // is the window's own property, which a window manager reads when it
        // takes the window.
        std::vector<xcb_atom_t> atoms = readState(connection, id, state);
        std::erase(atoms, skipTaskbar);
        if (skip)
            atoms.push_back(skipTaskbar);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
            static_cast<std::uint32_t>(atoms.size()), atoms.data());
    } else {
        // A mapped window asks the window manager, which owns the property.
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = state;
        event.data.data32[0] = skip ? 1 : 0; // add or remove
        event.data.data32[1] = skipTaskbar;
        event.data.data32[3] = 1; // asked by an application
        xcb_send_event(connection, 0, screen->root,
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
            reinterpret_cast<const char*>(&event));
    }
    xcb_flush(connection);
}

bool HasSkipTaskbar(QWidget* window)
{
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr || window == nullptr)
        return false;
    const std::vector<xcb_atom_t> atoms = readState(
        connection, static_cast<xcb_window_t>(window->winId()), atom(connection, "_NET_WM_STATE"));
    const xcb_atom_t skipTaskbar = atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    return std::find(atoms.begin(), atoms.end(), skipTaskbar) != atoms.end();
}

namespace {

// The time that the launcher wrote in the id ("..._TIME<ms>"); 0 when none.
std::uint32_t launchTime(const std::string& startupId)
{
    const std::size_t at = startupId.rfind("_TIME");
    if (at == std::string::npos)
        return 0;
    const char* digits = startupId.c_str() + at + 5;
    char* end = nullptr;
    const unsigned long time = std::strtoul(digits, &end, 10);
    return end != digits ? static_cast<std::uint32_t>(time) : 0;
}

// A value of a startup message: blanks, quotes and backslashes escaped.
std::string escapedValue(const std::string& value)
{
    std::string escaped;
    for (const char c : value) {
        if (c == ' ' || c == '"' || c == '\\')
            escaped.push_back('\\');
        escaped.push_back(c);
    }
    return escaped;
}

} // namespace

void CompleteStartup(QWidget* window, const std::string& startupId, bool raise)
{
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr || window == nullptr || startupId.empty())
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom(connection, "_NET_STARTUP_ID"),
        atom(connection, "UTF8_STRING"), 8, static_cast<std::uint32_t>(startupId.size()),
        startupId.data());

    const std::uint32_t time = launchTime(startupId);
    if (raise && time != 0 && windowManagerRuns(connection, screen->root)) {
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = atom(connection, "_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 1; // asked by an application
        event.data.data32[1] = time;
        xcb_send_event(connection, 0, screen->root,
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
            reinterpret_cast<const char*>(&event));
    }

    // The launch is over: "remove: ID=<id>" with its terminating zero, to
    // the root in pieces of 20 bytes, the first one marked as the beginning.
    std::string message = "remove: ID=" + escapedValue(startupId);
    message.push_back('\0');
    const xcb_atom_t begin = atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(connection, "_NET_STARTUP_INFO");
    for (std::size_t at = 0; at < message.size(); at += 20) {
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = id;
        event.type = at == 0 ? begin : more;
        std::memcpy(
            event.data.data8, message.data() + at, std::min<std::size_t>(20, message.size() - at));
        xcb_send_event(connection, 0, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE,
            reinterpret_cast<const char*>(&event));
    }
    xcb_flush(connection);
}
