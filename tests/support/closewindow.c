/* Asks the top-level window whose title starts with a given text to close,
 * as a window manager does when the listener clicks its close box: a
 * WM_DELETE_WINDOW message of the WM_PROTOCOLS client protocol. With keys,
 * gives the window the keyboard focus instead and types them, as a listener
 * at the keyboard does: each one a key name (Tab, Return, space, Escape...)
 * or text of plain characters.
 *
 *   closewindow "Title prefix"               exit 0 once sent, 1 when no such window
 *   closewindow "Title prefix" --keys Tab jazz Return
 */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>

static Window find(Display* display, Window window, const char* prefix)
{
    char* name = NULL;
    if (XFetchName(display, window, &name) && name) {
        const int match = strncmp(name, prefix, strlen(prefix)) == 0;
        XFree(name);
        if (match)
            return window;
    }
    Window root, parent, *children = NULL;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i)
            found = find(display, children[i], prefix);
        if (children)
            XFree(children);
    }
    return found;
}

static void press(Display* display, Window window, KeySym keysym)
{
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (code == 0)
        return;
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xkey.display = display;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(display);
    event.xkey.time = CurrentTime;
    event.xkey.same_screen = True;
    event.xkey.keycode = code;
    event.xkey.state = XkbKeycodeToKeysym(display, code, 0, 0) == keysym ? 0 : ShiftMask;
    event.type = KeyPress;
    XSendEvent(display, window, True, KeyPressMask, &event);
    event.type = KeyRelease;
    XSendEvent(display, window, True, KeyReleaseMask, &event);
    XSync(display, False);
    usleep(30000);
}

static void type(Display* display, Window window, int count, char** keys)
{
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    usleep(200000);
    for (int i = 0; i < count; ++i) {
        const KeySym named = strlen(keys[i]) > 1 ? XStringToKeysym(keys[i]) : NoSymbol;
        if (named != NoSymbol) {
            press(display, window, named);
            continue;
        }
        for (const char* c = keys[i]; *c; ++c)
            press(display, window, (KeySym)(unsigned char)*c);
    }
}

int main(int argc, char** argv)
{
    const int typing = argc > 2 && strcmp(argv[2], "--keys") == 0;
    if (argc != 2 && !typing) {
        fprintf(stderr, "usage: %s title-prefix [--keys key...]\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "closewindow: no display\n");
        return 2;
    }
    const Window window = find(display, DefaultRootWindow(display), argv[1]);
    if (!window) {
        XCloseDisplay(display);
        return 1;
    }
    if (typing) {
        type(display, window, argc - 3, argv + 3);
        XCloseDisplay(display);
        return 0;
    }
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
