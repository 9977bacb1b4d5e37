#include "decode/parameter_list.h"

#include "decode/parameter_names.h"

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
    for (const ParameterDefault& entry : kParameterDefaults) set(entry.name, entry.value);
}
