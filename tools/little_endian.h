// Little-endian fields of the Windows picture file formats.
#pragma once

#include <cstdint>
#include <string>

namespace qx::tools {

inline void Put8(std::string& out, uint32_t v) { out += static_cast<char>(v & 0xFF); }
inline void Put16(std::string& out, uint32_t v) {
  Put8(out, v);
  Put8(out, v >> 8);
}
inline void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline uint32_t Get16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8);
}
inline uint32_t Get32(const std::string& b, size_t at) {
  return Get16(b, at) | (Get16(b, at + 2) << 16);
}

}  // namespace qx::tools
