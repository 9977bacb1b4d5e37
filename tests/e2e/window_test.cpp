// The real program in a real window: start-up, presentation, keys, idling and quitting.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "e2e/harness.h"
#include "e2e/reference_run.h"
#include "support/probe_pattern.h"

namespace {

std::vector<uint8_t> someBytes(size_t n, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}

TEST(Presentation, BufferArrivesInTheWindowPixelForPixel) {
    XServer x;
    WorkDirectory dir;
    ProgramRun run(probeProgram(), dir, x.display);
    ASSERT_TRUE(run.waitForWindow());
    auto expected = makeDisplay();
    drawProbePattern(expected->pixelBuffer);
    const Capture shot = run.captureUntil(
        [&](const Capture& c) { return c.differences(expected->pixelBuffer) == 0; });
    ASSERT_EQ(shot.width, 1800);
    ASSERT_EQ(shot.height, 1000);
    EXPECT_EQ(shot.at(900, 0), (Rgb{255, 0, 0}));    // top line red
    EXPECT_EQ(shot.at(900, 999), (Rgb{0, 0, 255}));  // bottom line blue
    EXPECT_EQ(shot.at(0, 500), (Rgb{0, 255, 0}));    // x = 0 is the leftmost column
    EXPECT_EQ(shot.at(1799, 500), (Rgb{255, 255, 0}));
    std::string first;
    EXPECT_EQ(shot.differences(expected->pixelBuffer, &first), 0) << first;
    run.keys({"q"});
    EXPECT_EQ(run.waitForExit(), 0);
}

// A present sends only the rows that changed; the texture must still hold the whole buffer.
TEST(Presentation, APartialUploadLeavesTheTextureEqualToTheBuffer) {
    XServer x;
    WorkDirectory dir;
    ProgramRun run(probeProgram(), dir, x.display, {"QUORVANE_PROBE_PARTIAL=1"});
    EXPECT_EQ(run.waitForExit(60), 0) << run.standardOutput() << run.standardError();
    EXPECT_NE(run.standardOutput().find("first 1, after a change 1, unchanged 1, begun twice 1"),
              std::string::npos)
        << run.standardOutput();
}

TEST(Startup, PrintsThreeStatusLinesAndDrawsBeforeAnyEvent) {
    XServer x;
    WorkDirectory dir;
    dir.copyFontFromSource();
    dir.write("examples/first", someBytes(4096, 1));
    dir.write("examples/second", someBytes(100, 2));
    ProgramRun run(viewerProgram(), dir, x.display);
    ASSERT_TRUE(run.waitForWindow());
    ReferenceRun reference(dir);
    expectPicture(run, reference.picture());

    std::istringstream lines(run.standardOutput());
    std::string glewLine, glLine, sizeLine, extra;
    std::getline(lines, glewLine);
    std::getline(lines, glLine);
    std::getline(lines, sizeLine);
    EXPECT_EQ(glewLine, std::string("Status: Using GLEW ") +
                            reinterpret_cast<const char*>(glewGetString(GLEW_VERSION)));
    EXPECT_EQ(glLine.rfind("Status: Using GL version ", 0), 0u) << glLine;
    EXPECT_GT(glLine.size(), std::string("Status: Using GL version ").size());
    EXPECT_EQ(sizeLine, "Window dimensions: 1800 x 1000");
    EXPECT_FALSE(std::getline(lines, extra)) << extra;
    run.keys({"Escape"});
    EXPECT_EQ(run.waitForExit(), 0);
    EXPECT_EQ(run.standardError(), "");
}

TEST(Startup, WithoutADisplayEndsWithStatusTwo) {
    for (const std::string display : {"", ":4242"}) {
        WorkDirectory dir;
        dir.copyFontFromSource();
        ProgramRun run(viewerProgram(), dir, display);
        EXPECT_EQ(run.waitForExit(), 2) << "DISPLAY=" << display;
        EXPECT_NE(run.standardError().find("Unable to create OpenGL context: "), std::string::npos)
            << run.standardError();
        EXPECT_EQ(run.standardOutput(), "");
    }
}

TEST(Keys, PictureFollowsBoundKeysAndIdlesOtherwise) {
    XServer x;
    WorkDirectory dir;
    dir.copyFontFromSource();
    dir.write("examples/a", someBytes(2048, 3));
    dir.write("examples/b", someBytes(3000, 4));
    ProgramRun run(viewerProgram(), dir, x.display);
    ASSERT_TRUE(run.waitForWindow());
    ReferenceRun reference(dir);
    expectPicture(run, reference.picture());

    run.keys({"d"});
    reference.press(SDLK_d);
    expectPicture(run, reference.picture());

    // Releases, pointer motion, unbound keys and a lone modifier redraw nothing: the
    // frame counter in the picture stays where it was.
    runCommand({"xdotool", "mousemove", "--window", run.windowId, "300", "300", "mousemove",
                "--window", run.windowId, "700", "500", "click", "1"},
               x.display);
    run.keys({"F5", "KP_Multiply", "a", "shift", "Num_Lock", "Num_Lock"});
    reference.press(SDLK_F5);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    std::string first;
    EXPECT_EQ(run.capture().differences(reference.picture(), &first), 0) << first;

    for (SDL_Keycode key : {SDLK_j, SDLK_l, SDLK_RIGHTBRACKET}) reference.press(key);
    run.keys({"j", "l", "bracketright"});
    expectPicture(run, reference.picture());

    run.keys({"q"});
    EXPECT_EQ(run.waitForExit(), 0);
}

TEST(Quit, EscapeQAndClosingTheWindowEndWithStatusZero) {
    XServer x;
    for (const std::string way : {"Escape", "q", "close"}) {
        WorkDirectory dir;
        dir.copyFontFromSource();
        ProgramRun run(viewerProgram(), dir, x.display);
        ASSERT_TRUE(run.waitForWindow()) << way;
        if (way == "close") {
            run.sendCloseRequest();
        } else {
            run.keys({way});
        }
        EXPECT_EQ(run.waitForExit(), 0) << way;
        EXPECT_EQ(run.standardError(), "") << way;
    }
}

}  // namespace
