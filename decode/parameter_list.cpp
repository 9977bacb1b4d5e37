#include "decode/parameter_list.h"

void ParameterList::set(std::string_view name, int32_t value) {
    for (Parameter& entry : entries) {
        if (entry.name == name) {
            entry.value = value;
            return;
        }
    }
    entries.push_back({std::string(name), value});
}

int32_t ParameterList::get(std::string_view name) const {
    for (const Parameter& entry : entries) {
        if (entry.name == name) return entry.value;
    }
    return 0;
}

void ParameterList::resetToDefaults() {
    set("scale", 3);
    set("offset", 0);
    set("y_delta", 8);
    set("x_delta", 1);
    set("tile_size", 8);
    set("tile_delta", 64);
    set("bitplanes", 1);
    set("bitplane_delta", 1);
    set("offset_bit4to7", 0);
    set("offset_bit8to11", 0);
    set("offset_bit12to15", 0);
}
