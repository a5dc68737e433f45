/* Asks the top-level window whose title starts with a given text to close,
 * as a window manager does when the listener clicks its close box: a
 * WM_DELETE_WINDOW message of the WM_PROTOCOLS client protocol.
 *
 *   closewindow "Title prefix"      exit 0 once sent, 1 when no such window
 */
#include <stdio.h>
#include <string.h>

#include <X11/Xlib.h>
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

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s title-prefix\n", argv[0]);
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
