// Writes 24-bit blue-green-red pixel memory as a PNG file.
#pragma once

#include <cstdint>
#include <string>

namespace velkar::sim {

// Returns true on success; on failure sets error to a readable reason.
bool WritePng(const std::string& path, const uint8_t* bgr, int width, int height,
              std::string& error);

} // namespace velkar::sim
