#include "app/application.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "app/overlay.h"
#include "decode/checksum_presets.h"
#include "decode/tile_decoder.h"

int32_t wrapIndex(int32_t value, int32_t first, int32_t last) {
    const int64_t lo = std::min(first, last);
    const int64_t hi = std::max(first, last);
    const int64_t range = hi - lo + 1;
    int64_t r = (int64_t(value) - lo) % range;
    if (r < 0) r += range;
    return int32_t(lo + r);
}

int32_t parseTypedValue(const char* text) {
    // Only digits and '-' can be typed, so there is no white space to skip.
    size_t i = 0;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    int64_t magnitude = 0;
    for (; text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), limit);
    }
    return int32_t(negative ? -magnitude : magnitude);
}

void Application::resetState() {
    parameters.entries.clear();
    parameters.resetToDefaults();
    input = InputState{};
    fillColor = FillColor{255, 255, 255};
    font.color = TextColor{1.0f, 1.0f, 1.0f};
    font.colorKey[0] = 255;
    font.colorKey[1] = 0;
    font.colorKey[2] = 255;
    font.colorKeyEnabled = 0;
    std::memset(lineBuffer, 0, sizeof lineBuffer);
    quitRequested = false;
    editing = false;
    selectedFile = 0;
    selectedParameter = 0;
    sample = SampleBuffer{};
    checksum = 0xFFFFFFFF;
    frameCounter = 0;
    needsRedraw = true;
    firstPass = true;
}

void Application::scanSamples() {
    catalogue.scan(kSampleDirectory);
    fileCount = int32_t(std::min<size_t>(catalogue.count(), std::numeric_limits<int32_t>::max()));
}

void Application::applyInput() {
    if (input.quit) quitRequested = true;

    const int32_t candidate =
        wrapIndex(int32_t(int64_t(selectedFile) + input.fileStep), 0, fileCount - 1);

    const int32_t parameterCount = int32_t(parameters.size());
    selectedParameter =
        wrapIndex(int32_t(int64_t(selectedParameter) + input.parameterStep), 0, parameterCount - 1);
    if (input.parameterStep != 0) needsRedraw = true;

    // Without any sample there is nothing to load, and no entry may be indexed.
    if (fileCount > 0 && (candidate != selectedFile || firstPass)) {
        selectedFile = candidate;
        checksum = sample.load(catalogue.entry(size_t(selectedFile)));
        applyChecksumPreset(parameters, checksum);
        needsRedraw = true;
    }

    int32_t& value = parameters[size_t(selectedParameter)].value;
    if (input.toggleEdit) {
        editing = !editing;
        if (editing) {
            input.text[0] = '\0';
            input.textLength = 0;
        } else {
            value = parseTypedValue(input.text);
        }
        needsRedraw = true;
    }
    if (input.resetParameters) {
        parameters.resetToDefaults();
        needsRedraw = true;
    }
    // Values wrap in two's complement: the arithmetic runs on unsigned 32-bit numbers.
    if (input.valueStep != 0) {
        value = int32_t(uint32_t(value) + uint32_t(input.valueStep));
        needsRedraw = true;
    }
    if (input.scaleStep > 0) {
        value = int32_t(uint32_t(value) << 1);
        needsRedraw = true;
    } else if (input.scaleStep < 0) {
        value /= 2;  // truncates toward zero
        needsRedraw = true;
    }
    // The edit line shows the typed text, so it must follow every change of it.
    if (editing && input.textChanged) needsRedraw = true;

    firstPass = false;
}

void Application::drawPicture() {
    decodeTiles(fillColor, display, sample.bytes.get(), sample.count(), parameters);
    drawOverlay(*this);
}
