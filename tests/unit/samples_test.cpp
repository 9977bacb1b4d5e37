#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "samples/sample_buffer.h"
#include "samples/sample_catalogue.h"
#include "support/log_capture.h"
#include "support/scratch.h"

namespace {

std::vector<std::string> listed() {
    SampleCatalogue catalogue;
    catalogue.scan("examples");
    EXPECT_EQ(catalogue.directoryText(), "examples");
    return catalogue.entries;
}

TEST(Catalogue, ListsEveryEntryInTheIterationOrder) {
    ScratchDirectory scratch;
    for (const char* name : {"zeta", "alpha", "mid.bin"})
        scratch.write(std::string("examples/") + name, {1});
    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator("examples")) {
        expected.push_back("examples/" + entry.path().filename().string());
    }
    EXPECT_EQ(listed(), expected);
    EXPECT_EQ(std::set<std::string>(expected.begin(), expected.end()),
              (std::set<std::string>{"examples/zeta", "examples/alpha", "examples/mid.bin"}));
}

TEST(Catalogue, ListsSubdirectoriesAndHiddenFilesWithoutDescending) {
    ScratchDirectory scratch;
    scratch.write("examples/sub/inner", {1});
    scratch.write("examples/.hidden", {1});
    std::vector<std::string> entries = listed();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"examples/.hidden", "examples/sub"}));
}

TEST(Catalogue, MissingOrFileDirectoryIsEmptyAndSilent) {
    ScratchDirectory scratch;
    LogCapture log;
    EXPECT_TRUE(listed().empty());
    scratch.write("examples", {1, 2, 3});
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(log.text, "");
}

TEST(Catalogue, NamesThatAreNotUtf8OpenTheSameFile) {
    ScratchDirectory scratch;
    const std::string name = "examples/\xff\xfe odd name";
    scratch.write(name, {5, 6});
    ASSERT_EQ(listed(), std::vector<std::string>{name});
    SampleBuffer sample;
    EXPECT_EQ(sample.load(name), 11u);
}

TEST(Checksum, SumsUnsignedBytesModulo32Bits) {
    const std::vector<uint8_t> abc = {'a', 'b', 'c'};
    EXPECT_EQ(byteSum(abc.data(), 3), 0x126u);
    const std::vector<uint8_t> ff(16843010, 0xFF);
    EXPECT_EQ(byteSum(ff.data(), 2), 0x1FEu);
    EXPECT_EQ(byteSum(ff.data(), 16843009), 0xFFFFFFFFu);
    EXPECT_EQ(byteSum(ff.data(), 16843010), 0xFEu);
    EXPECT_EQ(byteSum(nullptr, 0), 0u);
    EXPECT_EQ(byteSum(ff.data(), -5), 0u);
}

TEST(Loading, ReadsWholeFilesAndSumsThem) {
    ScratchDirectory scratch;
    scratch.write("abc", {'a', 'b', 'c'});
    scratch.write("empty", {});
    scratch.write("wrap", std::vector<uint8_t>(16843010, 0xFF));
    SampleBuffer sample;
    EXPECT_EQ(sample.load("abc"), 0x126u);
    EXPECT_EQ(sample.size, 3);
    EXPECT_EQ(sample.bytes[2], 'c');
    EXPECT_EQ(sample.load("wrap"), 0xFEu);
    EXPECT_EQ(sample.count(), 16843010);
    EXPECT_EQ(sample.load("empty"), 0u);
    EXPECT_EQ(sample.size, 0);
}

TEST(Loading, ReusesTheArrayWhileTheFileIsNotLargerThanThePreviousOne) {
    ScratchDirectory scratch;
    scratch.write("1000", std::vector<uint8_t>(1000, 1));
    scratch.write("500", std::vector<uint8_t>(500, 2));
    scratch.write("800", std::vector<uint8_t>(800, 3));
    SampleBuffer sample;
    sample.load("1000");
    const uint8_t* first = sample.bytes.get();
    EXPECT_EQ(sample.capacity, 1000);
    EXPECT_EQ(sample.load("500"), 1000u);
    EXPECT_EQ(sample.bytes.get(), first);
    EXPECT_EQ(sample.capacity, 1000);
    EXPECT_EQ(sample.bytes[500], 1);  // the old file's tail, which nothing reads
    EXPECT_EQ(sample.load("800"), 2400u);
    EXPECT_EQ(sample.capacity, 800);  // 800 exceeds the previous size, 500
    EXPECT_EQ(sample.size, 800);
}

TEST(Loading, RefusesWhatCannotBeReadAsAnEmptySample) {
    ScratchDirectory scratch;
    scratch.write("examples/sub/inner", {1});
    scratch.write("examples/normal", {7, 7});
    ASSERT_EQ(mkfifo("examples/fifo", 0644), 0);
    std::filesystem::create_symlink("/dev/zero", "examples/zero");
    std::filesystem::create_symlink("nowhere", "examples/dangling");
    scratch.write("examples/sparse", {});
    ASSERT_EQ(truncate("examples/sparse", off_t(3) << 30), 0);  // 3 GiB, no disk used
    const struct {
        const char* path;
        const char* reason;
    } refused[] = {
        {"examples/sub", "not a regular file"},
        {"examples/fifo", "not a regular file"},
        {"examples/zero", "not a regular file"},
        {"examples/dangling", "No such file"},
        {"examples/missing", "No such file"},
        {"examples/sparse", "more than the limit of 2147483647 bytes"},
    };
    for (const auto& r : refused) {
        SampleBuffer sample;
        EXPECT_EQ(sample.load("examples/normal"), 14u);
        LogCapture log;
        EXPECT_EQ(sample.load(r.path), 0u) << r.path;
        EXPECT_EQ(sample.size, 0);
        EXPECT_EQ(sample.bytes, nullptr);
        EXPECT_TRUE(log.mentions(r.path)) << log.text;
        EXPECT_TRUE(log.mentions(r.reason)) << log.text;
        EXPECT_EQ(sample.load("examples/normal"), 14u);  // and the next file loads again
    }
}

}  // namespace
