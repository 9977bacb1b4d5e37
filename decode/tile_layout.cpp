#include "decode/tile_layout.h"

#include "decode/parameter_list.h"

TileLayout TileLayout::read(const ParameterList& parameters) {
    TileLayout layout{};
    for (const auto& f : kLayoutFields) layout.*f.field = parameters.get(f.name);
    return layout;
}

void TileLayout::write(ParameterList& parameters) const {
    for (const auto& f : kLayoutFields) parameters.set(f.name, this->*f.field);
}
