// Thousands of random key presses over a directory of awkward entries: the program must
// stay responsive, write nothing and keep its memory flat.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "e2e/harness.h"

namespace {

// Every path below the directory with its size and modification time.
std::map<std::string, std::pair<uintmax_t, int64_t>> snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::pair<uintmax_t, int64_t>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        files[entry.path().string()] = {uintmax_t(info.st_size), int64_t(info.st_mtime)};
    }
    return files;
}

int64_t residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6));
    }
    return -1;
}

// CPU time used so far, in clock ticks.
int64_t cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    int64_t user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) user = std::stoll(field);
        if (i == 15) system = std::stoll(field);
    }
    return user + system;
}

// Waits until the program has worked off its queue of events and sits idle.
void waitUntilIdle(pid_t pid) {
    int64_t last = -1;
    for (int i = 0; i < 600; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const int64_t now = cpuTicks(pid);
        if (now == last) return;
        last = now;
    }
}

std::vector<std::string> randomKeys(std::mt19937& random, size_t count) {
    const std::vector<std::string> pool = {"s",
                                           "d",
                                           "d",
                                           "j",
                                           "k",
                                           "h",
                                           "l",
                                           "Up",
                                           "Down",
                                           "Left",
                                           "Right",
                                           "bracketleft",
                                           "bracketright",
                                           "KP_Divide",
                                           "r",
                                           "Return",
                                           "KP_Enter",
                                           "minus",
                                           "KP_Subtract",
                                           "BackSpace",
                                           "0",
                                           "1",
                                           "2",
                                           "5",
                                           "9",
                                           "KP_0",
                                           "KP_7",
                                           "F5",
                                           "a",
                                           "x",
                                           "KP_Multiply",
                                           "KP_Add",
                                           "shift+s",
                                           "ctrl+d",
                                           "Num_Lock",
                                           "space",
                                           "Tab"};
    std::vector<std::string> keys;
    for (size_t i = 0; i < count; ++i) keys.push_back(pool[random() % pool.size()]);
    return keys;
}

TEST(Stress, RandomKeysOverAwkwardEntries) {
    XServer x;
    WorkDirectory dir;
    dir.copyFontFromSource();
    std::vector<uint8_t> bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 71 + (i >> 4));
    dir.write("examples/normal", bytes);
    dir.write("examples/empty", {});
    dir.write("examples/one byte", {0xA5});
    dir.write("examples/\xff\xfe not utf-8", {1, 2, 3, 4, 5, 6, 7, 8, 9});
    dir.write("examples/sub/inner", {1});
    dir.write("examples/sparse", {});
    ASSERT_EQ(truncate((dir.path / "examples/sparse").c_str(), off_t(3) << 30), 0);
    ASSERT_EQ(mkfifo((dir.path / "examples/fifo").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", dir.path / "examples/zero");
    const auto before = snapshot(dir.path);

    ProgramRun run(viewerProgram(), dir, x.display);
    ASSERT_TRUE(run.waitForWindow());
    std::mt19937 random(8);
    run.keys(randomKeys(random, 800), 1);
    // Held keys: the server repeats them, and each repeat must act no more than once.
    for (const char* key : {"l", "d", "j"}) {
        runCommand({"xdotool", "keydown", key, "sleep", "0.7", "keyup", key}, x.display);
    }
    run.keys({"r"});
    waitUntilIdle(run.pid);
    const int64_t warm = residentKiB(run.pid);
    run.keys(randomKeys(random, 2500), 1);
    run.keys({"r"});
    waitUntilIdle(run.pid);
    const int64_t later = residentKiB(run.pid);
    RecordProperty("resident_kib_after_800_keys", std::to_string(warm));
    RecordProperty("resident_kib_after_3300_keys", std::to_string(later));

    run.keys({"Return", "Return", "q"});  // leave any edit mode, then quit
    ASSERT_EQ(run.waitForExit(180), 0) << run.standardError();
    EXPECT_GT(warm, 0);
    EXPECT_LT(later - warm, 32 * 1024)
        << "resident memory grew from " << warm << " to " << later << " KiB";
    EXPECT_EQ(snapshot(dir.path), before) << "the program changed its working directory";
    const std::string log = run.standardError();
    for (const char* entry :
         {"examples/fifo", "examples/sub", "examples/sparse", "examples/zero"}) {
        EXPECT_NE(log.find(std::string("Unable to load sample ") + entry + ": "), std::string::npos)
            << entry;
    }
}

}  // namespace
