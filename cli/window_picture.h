#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/picture.h"
#include "decode/parameter_list.h"

// What the viewer shows once a file is the only entry of its "examples" directory, has
// been loaded by the first key press and the values have been set: the grid, the tiles
// and the overlay, with "scale" selected and the redraw counter at frame.
struct WindowScene {
    std::string fileName;        // shown as "examples/" and this name
    std::vector<uint8_t> bytes;  // the sample
    ParameterList parameters;    // the values after the load
    int32_t frame = 1;
};

// Draws the scene with the viewer's own redraw. False, with the font's reason, when the
// font bitmap cannot be used.
bool renderWindow(const WindowScene& scene, const std::string& fontPath, Picture& picture,
                  std::string& reason);
