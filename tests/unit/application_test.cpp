#include "app/application.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <numeric>

#include "support/scratch.h"

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// An application after start-up, without window, over the scratch directory's samples.
std::unique_ptr<Application> startApplication() {
    auto app = std::make_unique<Application>();
    app->resetState();
    app->display.pixelBuffer.allocate();
    app->scanSamples();
    return app;
}

// One pass of the loop for an event: translate it and, if accepted, apply it.
void press(Application& app, const SDL_Event& event) {
    app.needsRedraw = false;
    app.input.clearRequests();
    if (translateEvent(event, app.input)) app.applyInput();
}
void press(Application& app, SDL_Keycode key) {
    press(app, keyEvent(key));
}

void type(Application& app, const char* keys) {
    for (const char* c = keys; *c; ++c) press(app, *c == '-' ? SDLK_MINUS : SDLK_0 + (*c - '0'));
}

std::vector<uint8_t> ramp() {
    std::vector<uint8_t> bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}

TEST(WrapIndex, WrapsBothWaysAndOverLargeSteps) {
    EXPECT_EQ(wrapIndex(-1, 0, 4), 4);
    EXPECT_EQ(wrapIndex(5, 0, 4), 0);
    EXPECT_EQ(wrapIndex(13, 0, 4), 3);
    EXPECT_EQ(wrapIndex(-13, 0, 4), 2);
    EXPECT_EQ(wrapIndex(-1, 4, 0), 4);  // bounds in either order
    EXPECT_EQ(wrapIndex(0, 0, 0), 0);
    EXPECT_EQ(wrapIndex(kMax, 0, 9), 7);
    EXPECT_EQ(wrapIndex(kMin, 0, 9), 2);
    EXPECT_EQ(wrapIndex(kMin, kMin, kMax), kMin);
    EXPECT_EQ(wrapIndex(kMax, -1, kMax), kMax);
    EXPECT_EQ(wrapIndex(-2, -1, kMax), kMax);
}

TEST(TypedValue, ReadsLikeAtoiAndSaturatesOutsideTheRange) {
    EXPECT_EQ(parseTypedValue(""), 0);
    EXPECT_EQ(parseTypedValue("-"), 0);
    EXPECT_EQ(parseTypedValue("12-3"), 12);
    EXPECT_EQ(parseTypedValue("-5"), -5);
    EXPECT_EQ(parseTypedValue("--5"), 0);
    EXPECT_EQ(parseTypedValue("007"), 7);
    EXPECT_EQ(parseTypedValue("2147483647"), kMax);
    EXPECT_EQ(parseTypedValue("2147483648"), kMax);
    EXPECT_EQ(parseTypedValue("-2147483648"), kMin);
    EXPECT_EQ(parseTypedValue("-2147483649"), kMin);
    EXPECT_EQ(parseTypedValue("999999999999999999999999999999999999999999999999999999999999999"),
              kMax);
}

struct ThreeFiles : ::testing::Test {
    ScratchDirectory scratch;
    void SetUp() override {
        scratch.write("examples/a", std::vector<uint8_t>(10, 1));
        scratch.write("examples/b", std::vector<uint8_t>(20, 1));
        scratch.write("examples/c", std::vector<uint8_t>(30, 1));
    }
    // Each file's size tells it apart, whatever order the directory lists them in.
    static int64_t sizeOf(const Application& app, int32_t index) {
        return int64_t(std::filesystem::file_size(app.catalogue.entry(size_t(index))));
    }
};

TEST_F(ThreeFiles, FirstEventLoadsEvenWhenItMovesNothing) {
    auto app = startApplication();
    ASSERT_EQ(app->fileCount, 3);
    EXPECT_EQ(app->checksum, 0xFFFFFFFFu);
    EXPECT_EQ(app->sample.size, 0);

    press(*app, SDLK_F5);  // unbound
    EXPECT_EQ(app->selectedFile, 0);
    EXPECT_EQ(app->sample.size, sizeOf(*app, 0));
    EXPECT_EQ(app->checksum, uint32_t(sizeOf(*app, 0)));
    EXPECT_TRUE(app->needsRedraw);

    press(*app, SDLK_F5);  // not the first pass any more: nothing to do
    EXPECT_FALSE(app->needsRedraw);
}

TEST_F(ThreeFiles, EscapeAsFirstKeyLoadsThenQuits) {
    auto app = startApplication();
    press(*app, SDLK_ESCAPE);
    EXPECT_TRUE(app->quitRequested);
    EXPECT_EQ(app->sample.size, sizeOf(*app, 0));
}

TEST_F(ThreeFiles, FileKeysWrapAroundTheCatalogue) {
    auto app = startApplication();
    press(*app, SDLK_s);
    EXPECT_EQ(app->selectedFile, 2);
    EXPECT_EQ(app->sample.size, sizeOf(*app, 2));
    press(*app, SDLK_d);
    EXPECT_EQ(app->selectedFile, 0);
    EXPECT_EQ(app->sample.size, sizeOf(*app, 0));
    press(*app, SDLK_d);
    EXPECT_EQ(app->selectedFile, 1);

    auto fresh = startApplication();
    press(*fresh, SDLK_d);
    EXPECT_EQ(fresh->selectedFile, 1);
    EXPECT_EQ(fresh->sample.size, sizeOf(*fresh, 1));
}

TEST(SingleFile, FileKeysNeitherReloadNorRedraw) {
    ScratchDirectory scratch;
    scratch.write("examples/only", {1, 2, 3});
    auto app = startApplication();
    press(*app, SDLK_d);
    EXPECT_EQ(app->selectedFile, 0);
    EXPECT_EQ(app->checksum, 6u);
    scratch.write("examples/only", {9, 9, 9});  // a reload would show
    press(*app, SDLK_d);
    EXPECT_FALSE(app->needsRedraw);
    press(*app, SDLK_s);
    EXPECT_FALSE(app->needsRedraw);
    EXPECT_EQ(app->checksum, 6u);
}

TEST(EmptyCatalogue, FileKeysChangeNothingAndNothingLoads) {
    ScratchDirectory scratch;  // no "examples" at all
    auto app = startApplication();
    EXPECT_EQ(app->fileCount, 0);
    press(*app, SDLK_d);
    press(*app, SDLK_s);
    EXPECT_EQ(app->selectedFile, 0);
    EXPECT_EQ(app->checksum, 0xFFFFFFFFu);
    EXPECT_EQ(app->sample.size, 0);
    EXPECT_FALSE(app->needsRedraw);
    press(*app, SDLK_l);  // values still work
    EXPECT_EQ(app->parameters.get("scale"), 4);
}

TEST(Presets, FirstValueStepLandsOnTopOfThePreset) {
    ScratchDirectory scratch;
    std::vector<uint8_t> sample(124179 / 255, 255);  // byte sum 124179: offset becomes -1
    sample.push_back(uint8_t(124179 - 255 * sample.size()));
    scratch.write("examples/known", sample);
    auto app = startApplication();
    app->selectedParameter = 1;  // offset
    press(*app, SDLK_l);
    EXPECT_EQ(app->checksum, 124179u);
    EXPECT_EQ(app->parameters.get("offset"), 0);
    EXPECT_EQ(app->parameters.get("y_delta"), -1);
}

struct Editing : ::testing::Test {
    ScratchDirectory scratch;
    std::unique_ptr<Application> app;
    void SetUp() override {
        scratch.write("examples/ramp", ramp());
        app = startApplication();
        press(*app, SDLK_j);  // first pass: loads, then selects "offset"
        ASSERT_EQ(app->selectedParameter, 1);
    }
    int32_t offset() const { return app->parameters.get("offset"); }
};

TEST_F(Editing, EnterTypeEnterStoresTheTypedValue) {
    type(*app, "99");  // typed before edit mode: discarded on entering
    press(*app, SDLK_RETURN);
    EXPECT_TRUE(app->editing);
    EXPECT_EQ(app->input.textLength, 0);
    type(*app, "12-3");
    press(*app, SDLK_KP_ENTER);
    EXPECT_FALSE(app->editing);
    EXPECT_EQ(offset(), 12);

    press(*app, SDLK_RETURN);
    press(*app, SDLK_RETURN);
    EXPECT_EQ(offset(), 0);

    press(*app, SDLK_RETURN);
    type(*app, "--5");
    press(*app, SDLK_RETURN);
    EXPECT_EQ(offset(), 0);

    press(*app, SDLK_RETURN);
    type(*app, "99999999999");
    press(*app, SDLK_RETURN);
    EXPECT_EQ(offset(), kMax);
    press(*app, SDLK_RETURN);
    type(*app, "-99999999999");
    press(*app, SDLK_RETURN);
    EXPECT_EQ(offset(), kMin);
}

TEST_F(Editing, CommitGoesToTheParameterSelectedAtThatTime) {
    press(*app, SDLK_RETURN);
    type(*app, "-5");
    press(*app, SDLK_DOWN);
    press(*app, SDLK_RETURN);
    EXPECT_EQ(app->parameters.get("y_delta"), -5);
    EXPECT_EQ(offset(), 0);
}

TEST_F(Editing, QuitWhileEditingDropsTheTypedValue) {
    press(*app, SDLK_RETURN);
    type(*app, "77");
    press(*app, SDLK_q);
    EXPECT_TRUE(app->quitRequested);
    EXPECT_EQ(offset(), 0);
}

TEST_F(Editing, ResetWhileEditingKeepsEditMode) {
    press(*app, SDLK_l);
    press(*app, SDLK_RETURN);
    press(*app, SDLK_r);
    EXPECT_TRUE(app->editing);
    EXPECT_EQ(offset(), 0);
    EXPECT_EQ(app->parameters.get("bitplane_delta"), 1);  // the preset's 0 is gone too
}

TEST_F(Editing, TypedTextRedrawsOnlyInEditMode) {
    press(*app, SDLK_5);
    EXPECT_FALSE(app->needsRedraw);
    press(*app, SDLK_RETURN);
    press(*app, SDLK_5);
    EXPECT_TRUE(app->needsRedraw);
    press(*app, SDLK_BACKSPACE);
    EXPECT_TRUE(app->needsRedraw);
    press(*app, SDLK_BACKSPACE);  // nothing left to remove
    EXPECT_FALSE(app->needsRedraw);
}

TEST_F(Editing, HalvingTruncatesTowardZeroAndDoublingWraps) {
    auto setOffset = [&](int32_t v) { app->parameters.set("offset", v); };
    const struct {
        int32_t from;
        SDL_Keycode key;
        int32_t to;
    } cases[] = {
        {1, SDLK_LEFTBRACKET, 0},
        {-1, SDLK_KP_DIVIDE, 0},
        {-3, SDLK_LEFTBRACKET, -1},
        {7, SDLK_LEFTBRACKET, 3},
        {kMin, SDLK_LEFTBRACKET, kMin / 2},
        {1 << 30, SDLK_RIGHTBRACKET, kMin},
        {kMin, SDLK_RIGHTBRACKET, 0},
        {-1, SDLK_RIGHTBRACKET, -2},
        {kMax, SDLK_l, kMin},
        {kMin, SDLK_h, kMax},
    };
    for (const auto& c : cases) {
        setOffset(c.from);
        press(*app, c.key);
        EXPECT_EQ(offset(), c.to) << c.from;
        EXPECT_TRUE(app->needsRedraw);
    }
}

TEST(Parameters, SelectionWrapsAndRedraws) {
    ScratchDirectory scratch;
    auto app = startApplication();
    press(*app, SDLK_k);
    EXPECT_EQ(app->selectedParameter, 10);
    EXPECT_TRUE(app->needsRedraw);
    press(*app, SDLK_DOWN);
    EXPECT_EQ(app->selectedParameter, 0);
}

}  // namespace
