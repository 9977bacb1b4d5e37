#include "e2e/harness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "e2e/x11_close.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Starts a child that dies with the test process, so a failing test leaves nothing behind.
pid_t spawn(const std::vector<std::string>& args, const std::string& display,
            const std::function<void()>& inChild) {
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid > 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    setpgid(0, 0);
    if (display.empty()) {
        unsetenv("DISPLAY");
    } else {
        setenv("DISPLAY", display.c_str(), 1);
    }
    inChild();
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

std::optional<int> waitStatus(pid_t pid, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (done < 0 || Clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void killGroup(pid_t pid) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

int64_t Capture::differences(const PixelBuffer& expected, std::string* first) const {
    if (width != expected.width || height != expected.height) return int64_t(1) << 40;
    int64_t count = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const Rgb want = pixel(expected, x, y);
            if (at(x, y) == want) continue;
            if (count++ == 0 && first) {
                std::ostringstream text;
                text << "(" << x << ", " << y << ") is " << at(x, y) << ", expected " << want;
                *first = text.str();
            }
        }
    }
    return count;
}

CommandResult runCommand(const std::vector<std::string>& args, const std::string& display,
                         double timeoutSeconds) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = spawn(args, display, [&] {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
    });
    close(out[1]);
    CommandResult result;
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
    char chunk[65536];
    for (;;) {
        pollfd fd{out[0], POLLIN, 0};
        const int ready = poll(&fd, 1, 100);
        if (ready > 0) {
            const ssize_t n = read(out[0], chunk, sizeof chunk);
            if (n <= 0) break;
            result.out.append(chunk, size_t(n));
        }
        if (Clock::now() > deadline) {
            killGroup(pid);
            close(out[0]);
            result.status = -1;
            return result;
        }
    }
    close(out[0]);
    result.status = waitStatus(pid, timeoutSeconds).value_or(-1);
    return result;
}

ProgramResult runProgram(const std::vector<std::string>& args, const std::filesystem::path& dir,
                         double timeoutSeconds) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = spawn(args, "", [&] {
        if (chdir(dir.c_str()) != 0) _exit(127);
        const int none = open("/dev/null", O_RDONLY);
        dup2(none, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {none, out[0], out[1], err[0], err[1]}) close(fd);
    });
    close(out[1]);
    close(err[1]);
    ProgramResult result;
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&result.out, &result.err};
    int open = 2;
    char chunk[65536];
    while (open > 0) {
        if (Clock::now() > deadline) {
            killGroup(pid);
            close(out[0]);
            close(err[0]);
            return result;
        }
        if (poll(fds, 2, 100) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n > 0) {
                texts[i]->append(chunk, size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    result.status = waitStatus(pid, timeoutSeconds).value_or(-1);
    return result;
}

XServer::XServer() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    pid = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1920x1080x24",
                 "-nolisten", "tcp", "-noreset"},
                "", [&] {
                    close(fds[0]);
                    const int devnull = open("/dev/null", O_WRONLY);
                    dup2(devnull, 2);
                });
    close(fds[1]);
    std::string number;
    char c;
    pollfd fd{fds[0], POLLIN, 0};
    while (poll(&fd, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        killGroup(pid);
        throw std::runtime_error("Xvfb did not start");
    }
    display = ":" + number;
}

XServer::~XServer() {
    kill(pid, SIGTERM);
    if (!waitStatus(pid, 5)) killGroup(pid);
}

WorkDirectory::WorkDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

WorkDirectory::~WorkDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void WorkDirectory::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::filesystem::create_directories((path / name).parent_path());
    std::ofstream out(path / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WorkDirectory::copyFontFromSource() const {
    std::filesystem::copy_file(sourceDirectory() / "font2.bmp", path / "font2.bmp");
}

ProgramRun::ProgramRun(const std::string& program, const WorkDirectory& dir,
                       const std::string& displayName,
                       const std::vector<std::string>& extraEnvironment)
    : display(displayName),
      outPath(dir.path / ".." / (dir.path.filename().string() + ".out")),
      errPath(dir.path / ".." / (dir.path.filename().string() + ".err")) {
    pid = spawn({program}, display, [&] {
        if (chdir(dir.path.c_str()) != 0) _exit(126);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
#ifdef QUORVANE_KEEP_LOADED
        setenv("LD_PRELOAD", QUORVANE_KEEP_LOADED, 1);
        const char* asan = getenv("ASAN_OPTIONS");
        // A small quarantine of freed memory lets the resident size settle within the first
        // few hundred redraws, so the stress test's flat-memory check means the same here.
        const std::string options =
            std::string(asan ? asan : "") + ":verify_asan_link_order=0:quarantine_size_mb=8";
        setenv("ASAN_OPTIONS", options.c_str(), 1);
#endif
        for (const std::string& assignment : extraEnvironment) {
            putenv(strdup(assignment.c_str()));
        }
    });
}

ProgramRun::~ProgramRun() {
    if (!exitStatus) killGroup(pid);
    std::error_code ignored;
    std::filesystem::remove(outPath, ignored);
    std::filesystem::remove(errPath, ignored);
}

bool ProgramRun::waitForWindow(double seconds) {
    const CommandResult found = runCommand(
        {"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Quorvane$"}, display, seconds);
    std::istringstream ids(found.out);
    ids >> windowId;
    return found.status == 0 && !windowId.empty();
}

void ProgramRun::keys(const std::vector<std::string>& names, int delayMs) {
    runCommand({"xdotool", "windowfocus", "--sync", windowId}, display);
    std::vector<std::string> args = {"xdotool", "key", "--delay", std::to_string(delayMs)};
    args.insert(args.end(), names.begin(), names.end());
    runCommand(args, display, 120);
}

void ProgramRun::sendCloseRequest() {
    sendWindowCloseRequest(display, std::stoul(windowId));
}

Capture ProgramRun::capture() {
    Capture shot;
    const CommandResult result =
        runCommand({"import", "-window", windowId, "-depth", "8", "ppm:-"}, display);
    std::istringstream in(result.out);
    std::string magic;
    int maxValue = 0;
    in >> magic >> shot.width >> shot.height >> maxValue;
    if (magic != "P6" || maxValue != 255) return Capture{};
    in.get();
    shot.rgb.resize(size_t(shot.width) * size_t(shot.height) * 3);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), std::streamsize(shot.rgb.size()));
    if (!in) return Capture{};
    return shot;
}

Capture ProgramRun::captureUntil(const std::function<bool(const Capture&)>& done, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    Capture shot;
    do {
        shot = capture();
        if (done(shot)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (Clock::now() < deadline);
    return shot;
}

std::optional<int> ProgramRun::waitForExit(double seconds) {
    if (!exitStatus) exitStatus = waitStatus(pid, seconds);
    return exitStatus;
}

std::string ProgramRun::standardOutput() const {
    return readFile(outPath);
}
std::string ProgramRun::standardError() const {
    return readFile(errPath);
}

void expectPicture(ProgramRun& run, const PixelBuffer& expected) {
    const Capture shot =
        run.captureUntil([&](const Capture& c) { return c.differences(expected) == 0; });
    std::string first;
    EXPECT_EQ(shot.differences(expected, &first), 0) << first;
}

std::string viewerProgram() {
    return QUORVANE_BIN;
}
std::string probeProgram() {
    return QUORVANE_PROBE_BIN;
}
std::string renderProgram() {
    return QUORVANE_RENDER_BIN;
}
std::filesystem::path sourceDirectory() {
    return QUORVANE_SOURCE_DIR;
}
