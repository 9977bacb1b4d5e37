#include "decode/checksum_presets.h"

const TileLayout* presetLayout(uint32_t checksum) {
    for (const ChecksumPreset& preset : kChecksumPresets) {
        if (preset.checksum == checksum) return &preset.layout;
    }
    return nullptr;
}

void applyChecksumPreset(ParameterList& parameters, uint32_t checksum) {
    if (const TileLayout* layout = presetLayout(checksum)) layout->write(parameters);
}
