#include "decode/checksum_presets.h"

void applyChecksumPreset(ParameterList& parameters, uint32_t checksum) {
    for (const ChecksumPreset& preset : kChecksumPresets) {
        if (preset.checksum != checksum) continue;
        for (int i = 0; i < 10; ++i) parameters.set(kPresetParameterNames[i], preset.values[i]);
        return;
    }
}
