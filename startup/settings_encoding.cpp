#include "startup/settings_encoding.h"

#include <cstdint>

#include "common/utf8.h"

namespace qx {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kUtf32LeMark{"\xFF\xFE\x00\x00", 4};
constexpr std::string_view kUtf32BeMark{"\x00\x00\xFE\xFF", 4};
constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void AppendUnit(std::string& out, char32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  auto unitAt = [&](size_t i) {
    return static_cast<char32_t>(static_cast<uint8_t>(bytes[i]) |
                                 (static_cast<uint8_t>(bytes[i + 1]) << 8));
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char32_t unit = unitAt(i);
    if (IsHighSurrogate(unit) && i + 3 < bytes.size() && IsLowSurrogate(unitAt(i + 2))) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00));
      i += 2;
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

// One character of `text` at `i` (advanced past it); U+FFFD for a byte that
// starts no well-formed sequence. Three-byte forms of surrogate values are
// taken as those values, the way Utf16LeToUtf8 writes lone units.
char32_t NextCharacter(std::string_view text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t lead = byte(i);
  size_t length = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, least = 0x10000;
  }
  if (length == 0 || i + length > text.size()) {
    ++i;
    return kReplacement;
  }
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < least || c > 0x10FFFF) {
    ++i;
    return kReplacement;
  }
  i += length;
  return c;
}

std::string Utf8ToUtf16Le(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size();) {
    const char32_t c = NextCharacter(text, i);
    if (c >= 0x10000) {
      AppendUnit(out, 0xD800 + ((c - 0x10000) >> 10));
      AppendUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      AppendUnit(out, c);
    }
  }
  return out;
}

}  // namespace

std::optional<SettingsText> DecodeSettingsText(std::string_view bytes) {
  if (bytes.starts_with(kUtf32LeMark) || bytes.starts_with(kUtf32BeMark) ||
      bytes.starts_with(kUtf16BeMark)) {
    return std::nullopt;
  }
  if (bytes.starts_with(kUtf16LeMark)) {
    const std::string_view units = bytes.substr(kUtf16LeMark.size());
    if (units.size() % 2 != 0) return std::nullopt;
    return SettingsText{TextEncoding::kUtf16Le, Utf16LeToUtf8(units)};
  }
  if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
  if (bytes.starts_with(kUtf8Mark)) {
    return SettingsText{TextEncoding::kUtf8, std::string(bytes.substr(kUtf8Mark.size()))};
  }
  return SettingsText{TextEncoding::kBytes, std::string(bytes)};
}

std::string EncodeSettingsText(const SettingsText& text) {
  switch (text.encoding) {
    case TextEncoding::kUtf8:
      return std::string(kUtf8Mark) + text.text;
    case TextEncoding::kUtf16Le:
      return std::string(kUtf16LeMark) + Utf8ToUtf16Le(text.text);
    case TextEncoding::kBytes:
      break;
  }
  return text.text;
}

}  // namespace qx
