#pragma once
#include <cstdint>

#include "app/input.h"
#include "decode/parameter_list.h"
#include "display/bitmap_font.h"
#include "display/display.h"
#include "samples/sample_buffer.h"
#include "samples/sample_catalogue.h"

inline constexpr const char* kFontFile = "font2.bmp";

// The whole state of a run; the entry point owns the one instance.
struct Application {
    Display display;
    BitmapFont font;
    FillColor fillColor;
    ParameterList parameters;
    int32_t selectedParameter = 0;
    SampleCatalogue catalogue;
    int32_t fileCount = 0;
    int32_t selectedFile = 0;
    SampleBuffer sample;
    uint32_t checksum = 0xFFFFFFFF;
    bool editing = false;
    bool needsRedraw = true;
    bool firstPass = true;
    bool quitRequested = false;
    int32_t frameCounter = 0;
    InputState input;
    LineBuffer lineBuffer = {};

    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    int run();
    // Start-up without window or GL: parameters, input, colours, catalogue and the
    // state before the first load.
    void resetState();
    void scanSamples();
    // Applies the requests of the latest accepted event in their fixed order.
    void applyInput();
    // Clears the buffer, decodes the sample and draws the overlay: a redraw without
    // the upload to the screen.
    void drawPicture();
};

// value wrapped into the inclusive range between first and last.
int32_t wrapIndex(int32_t value, int32_t first, int32_t last);

// atoi for the typed text, but a number beyond the 32-bit range stores the nearest limit.
int32_t parseTypedValue(const char* text);
