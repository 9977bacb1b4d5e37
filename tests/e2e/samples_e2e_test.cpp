// The real program over the shipped examples and over awkward directory entries.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "e2e/harness.h"
#include "e2e/reference_run.h"

namespace {

TEST(ShippedExamples, FileKeysShowPresetSamplesPixelForPixel) {
    XServer x;
    WorkDirectory dir;
    dir.copyFontFromSource();
    std::filesystem::copy(sourceDirectory() / "examples", dir.path / "examples");
    ProgramRun run(viewerProgram(), dir, x.display);
    ASSERT_TRUE(run.waitForWindow());
    ReferenceRun reference(dir);
    expectPicture(run, reference.picture());

    run.keys({"d"});
    reference.press(SDLK_d);
    expectPicture(run, reference.picture());

    // Events that ask for nothing do not count: two more redraws show frame 3.
    run.keys({"F5", "shift", "j", "F6", "bracketright"});
    for (SDL_Keycode key : {SDLK_F5, SDLK_LSHIFT, SDLK_j, SDLK_F6, SDLK_RIGHTBRACKET}) {
        reference.press(key);
    }
    EXPECT_EQ(reference.app->frameCounter, 4);
    expectPicture(run, reference.picture());

    run.keys({"s", "s"});
    reference.press(SDLK_s);
    reference.press(SDLK_s);
    expectPicture(run, reference.picture());
    run.keys({"q"});
    EXPECT_EQ(run.waitForExit(), 0);
}

TEST(AwkwardEntries, SteppingThroughThemNeverHangsAndEachRefusalIsLogged) {
    XServer x;
    WorkDirectory dir;
    dir.copyFontFromSource();
    std::vector<uint8_t> normal(4096);
    for (size_t i = 0; i < normal.size(); ++i) normal[i] = uint8_t(i * 13);
    dir.write("examples/normal", normal);
    dir.write("examples/empty", {});
    dir.write("examples/sub/inner", {1, 2});
    dir.write("examples/sparse", {});
    ASSERT_EQ(truncate((dir.path / "examples/sparse").c_str(), off_t(3) << 30), 0);
    ASSERT_EQ(mkfifo((dir.path / "examples/fifo").c_str(), 0644), 0);
    ProgramRun run(viewerProgram(), dir, x.display);
    ASSERT_TRUE(run.waitForWindow());
    ReferenceRun reference(dir);
    // Visit every entry twice over, ending on the normal file.
    size_t normalIndex = 0;
    while (reference.app->catalogue.entry(normalIndex) != "examples/normal") ++normalIndex;
    std::vector<std::string> keys(1, "F5");
    reference.press(SDLK_F5);
    for (size_t step = 0; step < 2 * 5 + normalIndex; ++step) {
        keys.push_back("d");
        reference.press(SDLK_d);
    }
    ASSERT_EQ(reference.app->checksum, byteSum(normal.data(), 4096));
    run.keys(keys, 40);
    expectPicture(run, reference.picture());
    const std::string log = run.standardError();
    for (const char* entry : {"examples/fifo", "examples/sub", "examples/sparse"}) {
        EXPECT_NE(log.find(std::string("Unable to load sample ") + entry + ": "), std::string::npos)
            << log;
    }
    EXPECT_NE(log.find("2147483647"), std::string::npos) << log;
    run.keys({"Escape"});
    EXPECT_EQ(run.waitForExit(), 0);
}

TEST(FontBitmap, MissingOrUnusableFontEndsWithStatusOne) {
    XServer x;
    {
        WorkDirectory dir;  // no font2.bmp at all
        ProgramRun run(viewerProgram(), dir, x.display);
        EXPECT_EQ(run.waitForExit(), 1);
        EXPECT_NE(run.standardError().find("Unable to open surface: font2.bmp"), std::string::npos)
            << run.standardError();
    }
    {
        WorkDirectory dir;  // a 24-bit bitmap too small to hold 256 glyphs
        std::vector<uint8_t> bmp(54 + 16 * 16 * 3, 0);
        const uint8_t header[] = {'B', 'M', 0x36, 3,  0, 0, 0, 0,  0, 0, 54, 0, 0, 0,  40,
                                  0,   0,   0,    16, 0, 0, 0, 16, 0, 0, 0,  1, 0, 24, 0};
        std::copy(std::begin(header), std::end(header), bmp.begin());
        dir.write("font2.bmp", bmp);
        ProgramRun run(viewerProgram(), dir, x.display);
        EXPECT_EQ(run.waitForExit(), 1);
        EXPECT_NE(run.standardError().find("font2.bmp: it holds fewer than 256 glyph cells"),
                  std::string::npos)
            << run.standardError();
    }
}

}  // namespace
