#pragma once
#include <string>

// Asks the window to close the way a window manager does (WM_DELETE_WINDOW). Kept apart
// from the other test code because Xlib's Display would clash with the project's.
void sendWindowCloseRequest(const std::string& display, unsigned long window);
