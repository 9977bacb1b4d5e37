#pragma once
#include <string>

#include "cli/picture.h"

// Writes the picture as a PNG to path, or to standard output for "-". A file appears whole
// or not at all: it is written beside its final name and renamed into place, and a failed
// write leaves nothing behind. On failure returns false and sets reason.
bool writePng(const Picture& picture, const std::string& path, std::string& reason);
