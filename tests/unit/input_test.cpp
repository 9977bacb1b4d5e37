#include "app/input.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch.h"

namespace {

// What one event asked for, as a short text for comparison.
std::string requests(const InputState& s) {
    std::string out;
    if (s.quit) out += "quit ";
    if (s.toggleEdit) out += "edit ";
    if (s.resetParameters) out += "reset ";
    if (s.fileStep) out += "file" + std::to_string(s.fileStep) + " ";
    if (s.parameterStep) out += "param" + std::to_string(s.parameterStep) + " ";
    if (s.valueStep) out += "value" + std::to_string(s.valueStep) + " ";
    if (s.scaleStep) out += "scale" + std::to_string(s.scaleStep) + " ";
    out += "[" + std::string(s.text) + "]";
    return out;
}

std::string translate(const SDL_Event& event, bool* accepted = nullptr) {
    InputState state;
    const bool ok = translateEvent(event, state);
    if (accepted) *accepted = ok;
    EXPECT_EQ(state.textLength, int32_t(std::string(state.text).size()));
    return requests(state);
}

TEST(KeyTable, EveryBindingSetsItsRequest) {
    const struct {
        SDL_Keycode key;
        const char* expected;
    } table[] = {
        {SDLK_ESCAPE, "quit []"},
        {SDLK_q, "quit []"},
        {SDLK_RETURN, "edit []"},
        {SDLK_KP_ENTER, "edit []"},
        {SDLK_r, "reset []"},
        {SDLK_s, "file-1 []"},
        {SDLK_d, "file1 []"},
        {SDLK_k, "param-1 []"},
        {SDLK_UP, "param-1 []"},
        {SDLK_j, "param1 []"},
        {SDLK_DOWN, "param1 []"},
        {SDLK_h, "value-1 []"},
        {SDLK_LEFT, "value-1 []"},
        {SDLK_l, "value1 []"},
        {SDLK_RIGHT, "value1 []"},
        {SDLK_RIGHTBRACKET, "scale1 []"},
        {SDLK_LEFTBRACKET, "scale-1 []"},
        {SDLK_KP_DIVIDE, "scale-1 []"},
        {SDLK_MINUS, "[-]"},
        {SDLK_KP_MINUS, "[-]"},
        {SDLK_KP_0, "[0]"},
        {SDLK_BACKSPACE, "[]"},
        // Unbound keys end the wait and ask for nothing.
        {SDLK_KP_MULTIPLY, "[]"},
        {SDLK_KP_PLUS, "[]"},
        {SDLK_NUMLOCKCLEAR, "[]"},
        {SDLK_LSHIFT, "[]"},
        {SDLK_a, "[]"},
        {SDLK_F1, "[]"},
        {SDLK_KP_PERIOD, "[]"},
        {SDLK_EQUALS, "[]"},
    };
    for (const auto& row : table) {
        bool accepted = false;
        EXPECT_EQ(translate(keyEvent(row.key), &accepted), row.expected) << row.key;
        EXPECT_TRUE(accepted) << row.key;
    }
    for (int d = 0; d <= 9; ++d) {
        const std::string digit = "[" + std::to_string(d) + "]";
        EXPECT_EQ(translate(keyEvent(SDLK_0 + d)), digit);
        EXPECT_EQ(translate(keyEvent(d == 0 ? SDLK_KP_0 : SDLK_KP_1 + d - 1)), digit);
    }
}

TEST(KeyTable, ModifiersAreIgnored) {
    SDL_Event shifted = keyEvent(SDLK_s);
    shifted.key.keysym.mod = KMOD_LSHIFT | KMOD_CAPS | KMOD_CTRL;
    EXPECT_EQ(translate(shifted), "file-1 []");
}

TEST(Events, RepeatsEndTheWaitWithoutRequests) {
    bool accepted = false;
    EXPECT_EQ(translate(keyEvent(SDLK_q, 1), &accepted), "[]");
    EXPECT_TRUE(accepted);
    EXPECT_EQ(translate(keyEvent(SDLK_5, 1)), "[]");
}

TEST(Events, OnlyKeyPressesAndQuitAreAccepted) {
    bool accepted = false;
    EXPECT_EQ(translate(eventOfType(SDL_QUIT), &accepted), "quit []");
    EXPECT_TRUE(accepted);
    SDL_Event release = keyEvent(SDLK_q);
    release.type = SDL_KEYUP;
    for (const SDL_Event& event :
         {release, eventOfType(SDL_MOUSEMOTION), eventOfType(SDL_MOUSEBUTTONDOWN),
          eventOfType(SDL_MOUSEWHEEL), eventOfType(SDL_WINDOWEVENT), eventOfType(SDL_TEXTINPUT)}) {
        EXPECT_EQ(translate(event, &accepted), "[]");
        EXPECT_FALSE(accepted) << event.type;
    }
}

TEST(TypedText, KeepsSixtyThreeCharactersAndBackspacesSafely) {
    InputState state;
    EXPECT_TRUE(translateEvent(keyEvent(SDLK_BACKSPACE), state));
    EXPECT_EQ(state.textLength, 0);
    EXPECT_FALSE(state.textChanged);
    for (int i = 0; i < 100; ++i) translateEvent(keyEvent(SDLK_0 + i % 10), state);
    EXPECT_EQ(state.textLength, 63);
    EXPECT_EQ(state.text[63], '\0');
    EXPECT_EQ(std::string(state.text).substr(0, 12), "012345678901");
    translateEvent(keyEvent(SDLK_BACKSPACE), state);
    EXPECT_EQ(state.textLength, 62);
    EXPECT_EQ(state.text[62], '\0');
    // The text survives the clearing of requests before the next wait.
    state.clearRequests();
    EXPECT_EQ(state.textLength, 62);
}

}  // namespace
