#include "app/overlay.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/application.h"
#include "support/picture.h"
#include "support/scratch.h"

namespace {

constexpr TextColor kBright{1.0f, 1.0f, 1.0f};
constexpr TextColor kDim{0.5f, 0.5f, 1.0f};

struct Overlay : ::testing::Test {
    ScratchDirectory scratch;
    std::unique_ptr<Application> app;

    void start() {
        app = std::make_unique<Application>();
        app->resetState();
        app->display.pixelBuffer.allocate();
        ASSERT_TRUE(loadFont(app->font, QUORVANE_SOURCE_DIR "/font2.bmp"));
        app->scanSamples();
    }
    void redraw() {
        app->display.pixelBuffer.clear();
        drawOverlay(*app);
    }
    // Whether the text stands at (x, y) in that colour, as the font draws it on black.
    bool shows(int32_t x, int32_t y, const std::string& text, TextColor color) {
        auto expected = makeDisplay();
        const TextColor previous = app->font.color;
        app->font.color = color;
        app->font.drawText(*expected, x, y, text);
        app->font.color = previous;
        const int32_t right = std::min<int32_t>(1799, x + 8 * int32_t(text.size()) - 1);
        for (int32_t row = std::max(y, 0); row <= std::min(y + 7, 999); ++row) {
            for (int32_t column = std::max(x, 0); column <= right; ++column) {
                if (!(pixel(app->display.pixelBuffer, column, row) ==
                      pixel(expected->pixelBuffer, column, row))) {
                    return false;
                }
            }
        }
        return true;
    }
};

TEST_F(Overlay, FirstPictureBeforeAnyLoad) {
    scratch.write("examples/one", {1});
    start();
    redraw();
    EXPECT_TRUE(shows(400, 0, "checksum: $ffffffff, bufsize: 0", kDim));
    EXPECT_TRUE(shows(400, 8, "  scale 3", kBright));
    EXPECT_TRUE(shows(400, 16, "  offset 0", kDim));
    EXPECT_TRUE(shows(400, 88, "  offset_bit12to15 0", kDim));
    EXPECT_TRUE(shows(0, 0, "examples", kDim));
    EXPECT_TRUE(shows(120, 0, "- select using S/D", kDim));
    EXPECT_TRUE(shows(8, 8, "examples/one", kBright));
    EXPECT_TRUE(shows(1640, 0, "frame: 0", kBright));  // the last entry is the selected one
    EXPECT_EQ(app->frameCounter, 1);
    redraw();
    EXPECT_TRUE(shows(1640, 0, "frame: 1", kBright));
}

TEST_F(Overlay, EditLineShowsTheTypedTextThenTheStoredValue) {
    start();
    app->selectedParameter = 1;
    app->parameters.set("offset", -5);
    redraw();
    EXPECT_TRUE(shows(400, 16, "  offset -5", kBright));
    EXPECT_TRUE(shows(400, 8, "  scale 3", kDim));
    app->editing = true;
    std::strcpy(app->input.text, "12-3");
    redraw();
    EXPECT_TRUE(shows(400, 16, "> offset 12-3_", kBright));
    app->editing = false;
    app->parameters.set("offset", 12);
    redraw();
    EXPECT_TRUE(shows(400, 16, "  offset 12", kBright));
}

TEST_F(Overlay, LongPathCoversTheParameterLineOfItsRow) {
    const std::string name(60, 'n');
    scratch.write("examples/" + name, {1});
    start();
    app->checksum = 0x0001e513;
    app->sample.size = (int64_t(1) << 32) + 7;  // the line shows the low 32 bits
    redraw();
    EXPECT_TRUE(shows(8, 8, "examples/" + name, kBright));
    EXPECT_FALSE(shows(400, 8, "  scale 3", kBright));
    EXPECT_TRUE(shows(400, 16, "  offset 0", kDim));
    EXPECT_TRUE(shows(400, 0, "checksum: $0001e513, bufsize: 7", kDim));
}

TEST_F(Overlay, EntriesPastTheBottomAreClippedAndTheFrameLineTakesTheLastColour) {
    for (int i = 0; i < 130; ++i) scratch.write("examples/f" + std::to_string(1000 + i), {1});
    start();
    ASSERT_EQ(app->fileCount, 130);
    redraw();
    EXPECT_TRUE(shows(8, 8 * 124, app->catalogue.entry(123), kDim));
    EXPECT_TRUE(shows(1640, 0, "frame: 0", kDim));
    app->selectedFile = 129;
    redraw();
    EXPECT_TRUE(shows(1640, 0, "frame: 1", kBright));
    EXPECT_TRUE(shows(8, 8, app->catalogue.entry(0), kDim));
}

TEST_F(Overlay, EmptyCatalogueStillDrawsTheHeaderAndADimCounter) {
    start();
    redraw();
    EXPECT_TRUE(shows(0, 0, "examples", kDim));
    EXPECT_TRUE(shows(120, 0, "- select using S/D", kDim));
    EXPECT_TRUE(shows(1640, 0, "frame: 0", kDim));
    EXPECT_TRUE(shows(8, 8, "        ", kDim));  // nothing listed
}

}  // namespace
