#include "app/overlay.h"

#include "app/application.h"

namespace {

constexpr TextColor kBright{1.0f, 1.0f, 1.0f};
constexpr TextColor kDim{0.5f, 0.5f, 1.0f};

}  // namespace

void drawOverlay(Application& app) {
    BitmapFont& font = app.font;
    Display& display = app.display;

    // Checksum and size of the loaded sample
    font.color = kDim;
    formatText(app.lineBuffer, "checksum: $%08x, bufsize: %d", unsigned(app.checksum),
               int(app.sample.count()));
    font.drawText(display, 400, 0, app.lineBuffer);

    // Decoding parameters, the selected one bright
    for (size_t i = 0; i < app.parameters.size(); ++i) {
        const Parameter& parameter = app.parameters[i];
        const bool selected = int64_t(i) == app.selectedParameter;
        font.color = selected ? kBright : kDim;
        if (selected && app.editing) {
            formatText(app.lineBuffer, "> %s %s_", parameter.name.c_str(), app.input.text);
        } else {
            formatText(app.lineBuffer, "  %s %d", parameter.name.c_str(), int(parameter.value));
        }
        font.drawText(display, 400, int32_t(8 * (i + 1)), app.lineBuffer);
    }

    // Sample directory, file-key hint and the file list
    font.color = kDim;
    font.drawText(display, 0, 0, app.catalogue.directoryText());
    font.drawText(display, 120, 0, "- select using S/D");
    for (int32_t i = 0; i < app.fileCount; ++i) {
        font.color = i == app.selectedFile ? kBright : kDim;
        // Rows below the picture would be clipped whole; skipping them also keeps y in range.
        if (int64_t(8) * (i + 1) >= display.pixelBuffer.height) continue;
        font.drawText(display, 8, 8 * (i + 1), app.catalogue.entry(size_t(i)));
    }

    // Redraw counter, in whatever colour the last line left
    formatText(app.lineBuffer, "frame: %d", int(app.frameCounter));
    font.drawText(display, 1640, 0, app.lineBuffer);
    app.frameCounter = int32_t(uint32_t(app.frameCounter) + 1u);
}
