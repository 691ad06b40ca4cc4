#pragma once
#include <cstdint>
#include <vector>

#include "gen_canvas.h"

// Encodes the canvas as an RGBA PNG in which key pixels are fully transparent
// and all others opaque. The image data is stored uncompressed.
std::vector<uint8_t> EncodePng(const Canvas& canvas);
