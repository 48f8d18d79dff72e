// Reading and writing uncompressed Windows bitmap files (24-bit, bottom-up),
// the form in which the generated pictures are committed and embedded.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "common/image.h"

namespace qx::tools {

// The bytes of a 24-bit BMP file holding `img`.
std::string EncodeBmp24(const Image& img);
// Decodes a 24-bit or 32-bit uncompressed BMP; nullopt for anything else.
std::optional<Image> DecodeBmp(const std::string& bytes);

bool WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

}  // namespace qx::tools
