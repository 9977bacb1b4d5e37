// quorvane-find run as a user runs it: a font hidden in random bytes, its output in both
// forms, the files it writes, and what it does with files it cannot read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <random>

#include "e2e/harness.h"

namespace {

std::string findProgram() {
    return QUORVANE_FIND_BIN;
}

// The shipped font, stored highest bit first, at byte 7000 of 20,000 random bytes.
std::vector<uint8_t> hiddenFont() {
    std::mt19937 random(9);
    std::vector<uint8_t> bytes(20000);
    for (uint8_t& b : bytes) b = uint8_t(random());
    std::ifstream in(sourceDirectory() / "examples/font-1bpp-msb.bin", std::ios::binary);
    const std::vector<uint8_t> font((std::istreambuf_iterator<char>(in)), {});
    std::copy(font.begin(), font.end(), bytes.begin() + 7000);
    return bytes;
}

TEST(Find, ReportsAHiddenFontWithTheValuesAndTheCommandThatShowIt) {
    WorkDirectory dir;
    dir.write("dump.bin", hiddenFont());
    const ProgramResult json = runProgram({findProgram(), "dump.bin", "--json"}, dir.path);
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json finds = nlohmann::json::parse(json.out);
    ASSERT_TRUE(finds.is_array());
    ASSERT_FALSE(finds.empty());
    const nlohmann::json& top = finds[0];
    EXPECT_EQ(top.size(), 7u);  // exactly the documented fields
    EXPECT_EQ(top["file"], "dump.bin");
    EXPECT_LT(top["start"].get<int64_t>(), 7000 + 760);
    EXPECT_GT(top["end"].get<int64_t>(), 7000);
    EXPECT_EQ(top["layout"], "1 bit, highest first, 8 x 8");
    EXPECT_GE(top["confidence"].get<double>(), 0.5);
    EXPECT_LE(top["confidence"].get<double>(), 1.0);
    EXPECT_EQ(top["parameters"].size(), 11u);
    EXPECT_EQ(top["parameters"]["x_delta"], -1);
    EXPECT_LT(top["parameters"]["offset"].get<int>(), 64);  // within the first tile

    // The text form names the range and gives a render command that works as printed.
    const ProgramResult text = runProgram({findProgram(), "dump.bin"}, dir.path);
    ASSERT_EQ(text.status, 0) << text.err;
    const size_t command = text.out.find("quorvane-render ");
    ASSERT_NE(command, std::string::npos) << text.out;
    std::vector<std::string> args = {renderProgram()};
    std::istringstream words(
        text.out.substr(command + 16, text.out.find('\n', command) - command - 16));
    for (std::string word; words >> word;) args.push_back(word);
    EXPECT_EQ(runProgram(args, dir.path).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path / "find.png"));
}

TEST(Find, ExtractsEachFindOnceAndWritesPreviews) {
    WorkDirectory dir;
    const std::vector<uint8_t> dump = hiddenFont();
    dir.write("dump.bin", dump);
    std::filesystem::create_directory(dir.path / "out");
    const ProgramResult first = runProgram(
        {findProgram(), "dump.bin", "--top", "1", "--extract", "out", "--previews", "out"},
        dir.path);
    ASSERT_EQ(first.status, 0) << first.err;
    std::vector<std::filesystem::path> written;
    for (const auto& e : std::filesystem::directory_iterator(dir.path / "out"))
        written.push_back(e.path());
    ASSERT_EQ(written.size(), 2u);
    std::sort(written.begin(), written.end());  // .bin before .png
    EXPECT_EQ(written[1].extension(), ".png");
    int64_t start = 0, end = 0;
    ASSERT_EQ(std::sscanf(written[0].filename().c_str(), "dump.bin-%ld-%ld.bin", &start, &end), 2);
    std::ifstream in(written[0], std::ios::binary);
    const std::vector<uint8_t> extracted((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(extracted, std::vector<uint8_t>(dump.begin() + start, dump.begin() + end));

    // A second run finds the same range and leaves the file that is already there alone.
    dir.write("out/" + written[0].filename().string(), {1, 2, 3});
    const ProgramResult second =
        runProgram({findProgram(), "dump.bin", "--top", "1", "--extract", "out"}, dir.path);
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("File exists"), std::string::npos) << second.err;
    EXPECT_EQ(std::filesystem::file_size(written[0]), 3u);
}

TEST(Find, SearchesTheGoodFilesAndNamesTheOthers) {
    WorkDirectory dir;
    dir.write("dump.bin", hiddenFont());
    dir.write("empty.bin", {});
    ASSERT_EQ(mkfifo((dir.path / "fifo").c_str(), 0644), 0);
    const ProgramResult result =
        runProgram({findProgram(), "missing.bin", "fifo", "empty.bin", "dump.bin"}, dir.path, 30);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("missing.bin: No such file or directory"), std::string::npos);
    EXPECT_NE(result.err.find("fifo: it is not a regular file"), std::string::npos);
    EXPECT_EQ(result.out.find("empty.bin"), std::string::npos);
    EXPECT_NE(result.out.find("dump.bin: bytes"), std::string::npos) << result.out;
    EXPECT_EQ(runProgram({findProgram(), "empty.bin"}, dir.path).status, 0);
    EXPECT_EQ(runProgram({findProgram(), "dump.bin", "--top", "x"}, dir.path).status, 2);
}

}  // namespace
