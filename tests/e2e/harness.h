#pragma once
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/picture.h"

// A window's picture as `import` captured it.
struct Capture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;  // top row first

    Rgb at(int32_t x, int32_t y) const {
        const uint8_t* p = rgb.data() + 3 * (size_t(y) * size_t(width) + size_t(x));
        return {p[0], p[1], p[2]};
    }
    // Pixels that differ from the buffer, and the first of them, for messages.
    int64_t differences(const PixelBuffer& expected, std::string* first = nullptr) const;
};

struct CommandResult {
    int status = -1;
    std::string out;
};

// Runs a command with DISPLAY set (or unset when display is empty), killed after timeout.
CommandResult runCommand(const std::vector<std::string>& args, const std::string& display,
                         double timeoutSeconds = 20);

// What a command-line program printed and how it ended.
struct ProgramResult {
    int status = -1;  // -1 when it had to be killed
    std::string out, err;
};

// Runs a command-line program as a user would from a shell in dir: no display, nothing on
// standard input; killed after timeout.
ProgramResult runProgram(const std::vector<std::string>& args, const std::filesystem::path& dir,
                         double timeoutSeconds = 60);

// An Xvfb server on a display number of its own choosing, stopped on destruction.
struct XServer {
    pid_t pid = -1;
    std::string display;
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
};

// A temporary working directory for the program, with the files a test lays out.
struct WorkDirectory {
    std::filesystem::path path;
    WorkDirectory();
    ~WorkDirectory();
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    void copyFontFromSource() const;
};

// One run of a program in a work directory, ended (killed if need be) on destruction.
struct ProgramRun {
    pid_t pid = -1;
    std::string display;
    std::string windowId;
    std::filesystem::path outPath, errPath;
    std::optional<int> exitStatus;

    ProgramRun(const std::string& program, const WorkDirectory& dir, const std::string& display,
               const std::vector<std::string>& extraEnvironment = {});
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;

    bool waitForWindow(double seconds = 30);
    void keys(const std::vector<std::string>& names, int delayMs = 12);
    void sendCloseRequest();
    Capture capture();
    // Captures until the picture matches, or the time runs out; returns the last capture.
    Capture captureUntil(const std::function<bool(const Capture&)>& done, double seconds = 30);
    std::optional<int> waitForExit(double seconds = 30);
    std::string standardOutput() const;
    std::string standardError() const;
};

// Expects the window to come to show exactly this picture.
void expectPicture(ProgramRun& run, const PixelBuffer& expected);

// Paths of the programs under test, set by the build.
std::string viewerProgram();
std::string probeProgram();
std::string renderProgram();
std::filesystem::path sourceDirectory();
