#include "e2e/x11_close.h"

#include <X11/Xlib.h>

void sendWindowCloseRequest(const std::string& display, unsigned long window) {
    Display* x = XOpenDisplay(display.c_str());
    if (!x) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &event);
    XCloseDisplay(x);
}
