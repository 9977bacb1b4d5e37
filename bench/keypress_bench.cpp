// Key press to picture in the real window: starts the viewer, sends key presses through XTest
// and times each until the window's pixels show the change. Needs an X display, e.g.
//   xvfb-run -s "-screen 0 1920x1080x24" build/bench/quorvane_keypress_bench [PRESSES]
// (QUORVANE_VIEWER=PATH times another build of the viewer.)
// Prints the median and the 90th percentile for a selection move (only the overlay changes),
// a value change at the defaults (the whole grid changes) and a value change at scale 1
// with 8 planes.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

Window findWindow(Display* x, Window under, const char* title) {
    char* name = nullptr;
    if (XFetchName(x, under, &name) && name) {
        const bool match = std::strcmp(name, title) == 0;
        XFree(name);
        if (match) return under;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) found = findWindow(x, children[i], title);
    if (children) XFree(children);
    return found;
}

// The pixels of a part of the window, as the server has them.
std::vector<uint32_t> grab(Display* x, Window w, int left, int top, int width, int height) {
    std::vector<uint32_t> pixels;
    XImage* image =
        XGetImage(x, w, left, top, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return pixels;
    for (int y = 0; y < height; ++y)
        for (int xx = 0; xx < width; ++xx) pixels.push_back(uint32_t(XGetPixel(image, xx, y)));
    XDestroyImage(image);
    return pixels;
}

struct Area {
    int left, top, width, height;
};

struct Viewer {
    Display* x;
    Window window;

    void press(const char* key) const {
        const KeyCode code = XKeysymToKeycode(x, XStringToKeysym(key));
        XTestFakeKeyEvent(x, code, True, 0);
        XTestFakeKeyEvent(x, code, False, 0);
        XFlush(x);
    }
    // Presses the key and returns the milliseconds until the area shows something new.
    double timed(const char* key, const Area& a) const {
        const std::vector<uint32_t> before = grab(x, window, a.left, a.top, a.width, a.height);
        const auto start = Clock::now();
        press(key);
        while (grab(x, window, a.left, a.top, a.width, a.height) == before) {
            if (Clock::now() - start > std::chrono::seconds(5)) return -1;
        }
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    void settle() const { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }
};

void report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    if (times.empty() || times.front() < 0) {
        std::printf("%-40s no change seen\n", what);
        return;
    }
    std::printf("%-40s median %6.1f ms   p90 %6.1f ms   (%zu presses)\n", what,
                times[times.size() / 2], times[times.size() * 9 / 10], times.size());
}

}  // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::atoi(argv[1]) : 50;
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
        std::fprintf(stderr, "quorvane_keypress_bench: no X display (run it under xvfb-run)\n");
        return 1;
    }
    // A work directory with the font and one 64 KiB sample of random bytes.
    const auto dir = std::filesystem::temp_directory_path() / "quorvane-keypress-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "examples");
    std::filesystem::copy_file(QUORVANE_SOURCE_DIR "/font2.bmp", dir / "font2.bmp");
    std::mt19937 random(3);
    std::string sample(64 << 10, '\0');
    for (char& c : sample) c = char(random());
    std::ofstream(dir / "examples/random.bin", std::ios::binary) << sample;

    pid_t viewer;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0, 0);
    // QUORVANE_VIEWER names another build of the viewer, to compare two in one sitting.
    const char* program =
        std::getenv("QUORVANE_VIEWER") ? std::getenv("QUORVANE_VIEWER") : QUORVANE_BIN;
    char* args[] = {const_cast<char*>(program), nullptr};
    if (posix_spawn(&viewer, program, &actions, nullptr, args, environ) != 0) return 1;
    Window window = 0;
    for (int i = 0; i < 300 && !window; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window = findWindow(x, DefaultRootWindow(x), "Quorvane");
    }
    if (!window) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    XSetInputFocus(x, window, RevertToParent, CurrentTime);
    const Viewer v{x, window};
    const Area overlay{400, 8, 160, 96}, grid{4, 220, 400, 100};

    v.timed("F5", grid);  // the first key loads the sample
    v.settle();
    std::vector<double> moves, values, heavy;
    for (int i = 0; i < presses; ++i) moves.push_back(v.timed(i % 2 ? "k" : "j", overlay));
    v.settle();
    v.press("j");  // offset
    v.settle();
    for (int i = 0; i < presses; ++i) values.push_back(v.timed(i % 2 ? "h" : "l", grid));
    // scale 1 and 8 planes, typed in, then back to the offset.
    for (const char* key : {"k", "Return", "1", "Return", "j", "j", "j", "j", "j", "j", "Return",
                            "8", "Return", "k", "k", "k", "k", "k"}) {
        v.press(key);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    v.settle();
    for (int i = 0; i < presses; ++i) heavy.push_back(v.timed(i % 2 ? "h" : "l", grid));
    v.press("q");
    waitpid(viewer, nullptr, 0);
    std::filesystem::remove_all(dir);
    report("selection move (j/k)", moves);
    report("value change at the defaults (l/h)", values);
    report("value change at scale 1, 8 planes (l/h)", heavy);
    XCloseDisplay(x);
    return 0;
}
